// Edit commands on the SQL pane, copying a block of the grid, and the pane's pop-up menu.
#include "query/frmMain.h"

#include "grid/FlexGrid.h"
#include "ui/Clipboard.h"
#include "ui/TextBox.h"
#include "ui/mdlErrors.h"

#include <QListWidget>
#include <QPlainTextEdit>
#include <algorithm>
#include <string>

namespace Clipboard = tbn::ui::Clipboard;

namespace {
const QString kContext = QStringLiteral("frmMain >> ");
}

QWidget* frmMain::ActiveControl() const {
    // The control that has (or last had) the focus inside this window; menus do not take it away.
    for (QWidget* w = focusWidget(); w && w != this; w = w->parentWidget())
        if (w == Flex || w == rtfQuery || w == static_cast<QWidget*>(lstTablas)) return w;
    return nullptr;
}

void frmMain::QueryCut() {
    mdlErrors::Guarded(kContext + QStringLiteral("QueryCut"), [&] {
        if (rtfQueryText->SelLength() < 1) return;
        Clipboard::Clear();
        Clipboard::SetText(rtfQueryText->SelText());
        rtfQueryText->SetSelText(QString());
    });
}

void frmMain::QueryCopy() {
    mdlErrors::Guarded(kContext + QStringLiteral("QueryCopy"), [&] {
        const QWidget* active = ActiveControl();
        if (active && active->objectName() == QLatin1String("Flex")) CopyGridSelection(*Flex);
        active = ActiveControl();
        if (active && active->objectName() == QLatin1String("rtfQuery") &&
            rtfQueryText->SelLength() > 0) {
            Clipboard::Clear();
            Clipboard::SetText(rtfQueryText->SelText());
        }
    });
}

void frmMain::QueryPaste() {
    mdlErrors::Guarded(kContext + QStringLiteral("QueryPaste"), [&] {
        const QString clip = Clipboard::GetText();
        if (clip.isEmpty()) return;
        // With no selection the text goes in at the caret: an empty pane must be able to take a
        // paste. An edit through the pane's cursor, not a new text: the caret ends after the pasted
        // text, the view keeps its place and undo brings the replaced text back.
        rtfQueryText->SetSelText(clip);
    });
}

void frmMain::QuerySelectAll() {
    const QString text = rtfQueryText->Text();
    if (text.isEmpty()) return;
    rtfQueryText->SetSelStart(0);
    rtfQueryText->SetSelLength(static_cast<int>(text.size()));
}

void frmMain::CopyToClip() {
    mdlErrors::Guarded(kContext + QStringLiteral("CopyToClip"), [&] {
        Clipboard::Clear();
        Clipboard::SetText(QString::fromStdString(cnn.ConnectionString()));
    });
}

void frmMain::CopyGridSelection(tbn::grid::FlexGrid& grid) {
    // The block is the same whichever corner the selection was started from.
    const std::int64_t firstRow = std::min(grid.Row(), grid.RowSel());
    const std::int64_t lastRow = std::max(grid.Row(), grid.RowSel());
    const std::int64_t firstCol = std::min(grid.Col(), grid.ColSel());
    const std::int64_t lastCol = std::max(grid.Col(), grid.ColSel());
    // Built as UTF-8 and converted once: a QString per cell would dominate the copy of a large
    // block. The text is the same as joining TextMatrix of each cell.
    std::string text;
    for (std::int64_t r = firstRow; r <= lastRow; ++r) {
        for (std::int64_t c = firstCol; c <= lastCol; ++c) {
            text += grid.CellBytes(r, c);
            text += '\t';
        }
        text += "\r\n";
    }
    Clipboard::SetText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void frmMain::rtfQuery_MouseUp(Qt::MouseButton button, const QPoint& position) {
    if (button != Qt::RightButton || !frame_) return;
    frame_->PopUpQueryMenu(rtfQuery->viewport()->mapToGlobal(position));
}
