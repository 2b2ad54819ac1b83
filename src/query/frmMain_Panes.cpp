// Placing the three panes and the two bars, and dragging the bars.
#include "query/frmMain.h"

#include "platform/FlexGrid.h"
#include "platform/Twips.h"
#include "query/RunStatusBar.h"
#include "query/SplitterBar.h"

#include <QListWidget>
#include <QPlainTextEdit>
#include <algorithm>

using tbn::platform::PixelsToTwips;
using tbn::platform::TwipsToPixels;
namespace layout = tbn::query;

namespace {
void Place(QWidget* w, double left, double top, double width, double height) {
    w->setGeometry(tbn::platform::TwipsRect(left, top, width, height));
}
} // namespace

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
    Place(Flex, layout::kGridLeft, panes_.flexTop, panes_.flexWidth, panes_.flexHeight);
    statusLine->setGeometry(0, std::max(0, height() - statusLine->height()), width(), statusLine->height());
}

// A bar shows black above the panes while it is dragged; only the bar moves until the release.
void frmMain::picH_MouseDown(Qt::MouseButton button) {
    if (button != Qt::LeftButton) return;
    blnDragH = true;
    picH->raise();
    picH->SetBackColor(Qt::black);
}

void frmMain::picH_MouseMove(double y) {
    if (!blnDragH) return;
    panes_.picHTop = layout::DragBarPosition(panes_.picHTop, y, panes_.picHHeight);
    picH->move(TwipsToPixels(layout::kBarHLeft), TwipsToPixels(panes_.picHTop));
}

void frmMain::picH_MouseUp() {
    if (!blnDragH) return;
    blnDragH = false;
    picH->SetBackColor(palette().color(QPalette::Window));
    ArrangePanes();
}

void frmMain::picV_MouseDown(Qt::MouseButton button) {
    if (button != Qt::LeftButton) return;
    blnDragV = true;
    picV->raise();
    picV->SetBackColor(Qt::black);
}

void frmMain::picV_MouseMove(double x) {
    if (!blnDragV) return;
    panes_.picVLeft = layout::DragBarPosition(panes_.picVLeft, x, panes_.picVWidth);
    picV->move(TwipsToPixels(panes_.picVLeft), TwipsToPixels(layout::kBarVTop));
}

void frmMain::picV_MouseUp() {
    if (!blnDragV) return;
    blnDragV = false;
    picV->SetBackColor(palette().color(QPalette::Window));
    ArrangePanes();
}
