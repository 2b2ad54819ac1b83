// Placing the three panes and the two bars, and dragging the bars.
#include "query/frmMain.h"

#include "editor/FindBar.h"
#include "grid/FlexGrid.h"
#include "query/RunStatusBar.h"
#include "query/SplitterBar.h"
#include "ui/Twips.h"

#include "query/SchemaTree.h"
#include <QPlainTextEdit>
#include <algorithm>

using tbn::query::SplitterBar;
using tbn::ui::PixelsToTwips;
using tbn::ui::Place;
using tbn::ui::TwipsToPixels;
namespace layout = tbn::query;

void frmMain::ArrangePanes() {
    // The status line takes the bottom edge; the panes share what is above it.
    const int above = std::max(0, height() - statusLine->height());
    layout::ArrangePanes(panes_, PixelsToTwips(width()), PixelsToTwips(above));
    ApplyPanes();
}

void frmMain::ApplyPanes() {
    Place(picV, panes_.picVLeft, layout::kBarVTop, panes_.picVWidth, panes_.picVHeight);
    Place(picH, layout::kBarHLeft, panes_.picHTop, panes_.picHWidth, panes_.picHHeight);
    Place(lstTablas, layout::kListLeft, layout::kListTop, panes_.lstWidth, panes_.lstHeight);
    Place(rtfQuery, panes_.rtfLeft, layout::kEditorTop, panes_.rtfWidth, panes_.rtfHeight);
    PlaceFindBar();
    Place(Flex, layout::kGridLeft, panes_.flexTop, panes_.flexWidth, panes_.flexHeight);
    PlaceResultTabs();
    statusLine->setGeometry(0, std::max(0, height() - statusLine->height()), width(),
                            statusLine->height());
}

// The find bar takes the bottom of the SQL pane's place, the pane keeping a line or two above it.
void frmMain::PlaceFindBar() {
    if (!findBar_ || findBar_->isHidden()) return;
    QRect pane = rtfQuery->geometry();
    const int barHeight = std::min(findBar_->sizeHint().height(), pane.height());
    pane.setHeight(pane.height() - barHeight);
    rtfQuery->setGeometry(pane);
    findBar_->setGeometry(pane.left(), pane.bottom() + 1, pane.width(), barHeight);
}

// A bar shows black above the panes while it is dragged; only the bar moves until the release.
void frmMain::StartBarDrag(SplitterBar* bar, bool& dragging, Qt::MouseButton button) {
    if (button != Qt::LeftButton) return;
    dragging = true;
    bar->raise();
    bar->SetBackColor(Qt::black);
}

void frmMain::EndBarDrag(SplitterBar* bar, bool& dragging) {
    if (!dragging) return;
    dragging = false;
    bar->SetBackColor(palette().color(QPalette::Window));
    ArrangePanes();
}

void frmMain::picH_MouseDown(Qt::MouseButton button) { StartBarDrag(picH, blnDragH, button); }

void frmMain::picH_MouseMove(double y) {
    if (!blnDragH) return;
    panes_.picHTop = layout::DragBarPosition(panes_.picHTop, y, panes_.picHHeight);
    picH->move(TwipsToPixels(layout::kBarHLeft), TwipsToPixels(panes_.picHTop));
}

void frmMain::picH_MouseUp() { EndBarDrag(picH, blnDragH); }

void frmMain::picV_MouseDown(Qt::MouseButton button) { StartBarDrag(picV, blnDragV, button); }

void frmMain::picV_MouseMove(double x) {
    if (!blnDragV) return;
    panes_.picVLeft = layout::DragBarPosition(panes_.picVLeft, x, panes_.picVWidth);
    picV->move(TwipsToPixels(panes_.picVLeft), TwipsToPixels(layout::kBarVTop));
}

void frmMain::picV_MouseUp() { EndBarDrag(picV, blnDragV); }
