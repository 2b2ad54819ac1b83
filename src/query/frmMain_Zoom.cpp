// Zooming the SQL pane and the grid, each on its own, with the keys and Ctrl+wheel.
#include "editor/Zoom.h"
#include "grid/FlexGrid.h"
#include "query/frmMain.h"

#include <QHeaderView>
#include <QPlainTextEdit>
#include <QShortcut>
#include <algorithm>

using tbn::editor::ZoomLevels;

void frmMain::InitZoom() {
    gridRowHeight_ = Flex->verticalHeader()->defaultSectionSize();
    // Each pane has the keys while it has the focus. Ctrl+= is Ctrl++ without the Shift that
    // most keyboards need for a plus.
    const struct {
        QKeySequence key;
        int steps;
    } keys[] = {{QKeySequence(Qt::CTRL | Qt::Key_Plus), 1},
                {QKeySequence(Qt::CTRL | Qt::Key_Equal), 1},
                {QKeySequence(Qt::CTRL | Qt::Key_Minus), -1},
                {QKeySequence(Qt::CTRL | Qt::Key_0), 0}};
    for (QWidget* pane : {static_cast<QWidget*>(rtfQuery), static_cast<QWidget*>(Flex)}) {
        for (const auto& key : keys) {
            auto* shortcut = new QShortcut(key.key, pane, nullptr, nullptr, Qt::WidgetShortcut);
            connect(shortcut, &QShortcut::activated, this,
                    [this, pane, steps = key.steps] { ZoomPane(pane, steps); });
        }
    }
    Flex->viewport()->installEventFilter(this);
    connect(&ZoomLevels::Program(), &ZoomLevels::Changed, this, &frmMain::ApplyZoom);
    ApplyZoom();
}

void frmMain::ZoomPane(QWidget* pane, int steps) {
    ZoomLevels& levels = ZoomLevels::Program();
    if (pane == rtfQuery)
        levels.SetEditor(steps ? levels.Editor() + steps : 0);
    else
        levels.SetGrid(steps ? levels.Grid() + steps : 0);
}

void frmMain::ApplyZoom() {
    const ZoomLevels& levels = ZoomLevels::Program();
    const QFont editorFont =
        tbn::editor::ZoomedFont(rtfQuery->font(), kPaneFontPoints, levels.Editor());
    if (editorFont != rtfQuery->font()) rtfQuery->setFont(editorFont);
    const QFont gridFont = tbn::editor::ZoomedFont(Flex->font(), kPaneFontPoints, levels.Grid());
    if (gridFont == Flex->font()) return;
    Flex->setFont(gridFont);
    // Rows grow with the font (never below their own height), and the columns are sized again
    // for the texts as the new font draws them.
    Flex->verticalHeader()->setDefaultSectionSize(
        std::max(gridRowHeight_, QFontMetrics(gridFont).height() + 4));
    // The other tabs' row sets are sized for the new font when next shown.
    for (tbn::query::KeptResult& kept : kept_) kept.widths.clear();
    if (blnGridHasRowSet) AutosizeGridColumns(*Flex, 100, 400);
}
