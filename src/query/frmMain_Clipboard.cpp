// Edit commands on the SQL pane, the grid copy of Ctrl+C, and the pane's pop-up menu.
#include "query/frmMain.h"

#include "grid/FlexGrid.h"
#include "ui/Clipboard.h"
#include "ui/TextBox.h"
#include "ui/mdlErrors.h"

#include "query/SchemaTree.h"
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

void frmMain::rtfQuery_MouseUp(Qt::MouseButton button, const QPoint& position) {
    if (button != Qt::RightButton || !frame_) return;
    frame_->PopUpQueryMenu(rtfQuery->viewport()->mapToGlobal(position));
}
