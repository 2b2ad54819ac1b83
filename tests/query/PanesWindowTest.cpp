#include "grid/FlexGrid.h"
#include "query/RunStatusBar.h"
#include "query/SplitterBar.h"
#include "support/QueryWindowFixture.h"
#include "ui/Twips.h"

#include "query/SchemaTree.h"
#include <QMdiSubWindow>
#include <QTest>

using tbn::test::QueryWindowFixture;
using tbn::ui::PixelsToTwips;
using tbn::ui::TwipsToPixels;

class PanesWindowTest : public QueryWindowFixture {
protected:
    void SetUp() override {
        QueryWindowFixture::SetUp();
        window = OpenWindow("panes", MakeDatabase("p.db", "CREATE TABLE t(x);"));
        window->subWindow()->resize(800, 600);
        Settle();
    }
    frmMain* window = nullptr;
};

TEST_F(PanesWindowTest, TheLayoutFollowsTheWindowSize) {
    const auto& g = window->Panes();
    const double w = PixelsToTwips(window->width());
    // The status line takes the bottom edge; the grid reaches down to it.
    const QRect status = window->StatusLine()->geometry();
    EXPECT_EQ(status.bottom(), window->height() - 1);
    EXPECT_EQ(status.width(), window->width());
    const double h = PixelsToTwips(status.top());
    EXPECT_DOUBLE_EQ(g.flexWidth, w);
    EXPECT_DOUBLE_EQ(g.flexTop + g.flexHeight, h);
    EXPECT_DOUBLE_EQ(g.picHWidth, w);
    EXPECT_EQ(window->FlexWidget()->width(), window->width());
}

TEST_F(PanesWindowTest, DraggingMovesOnlyTheBarUntilReleaseThenClamps) {
    tbn::query::SplitterBar* bar = window->picVBar();
    tbn::query::SchemaTree* list = window->lstTablasWidget();
    const int listWidth = list->width();
    const QColor normal = bar->BackColor();

    QTest::mousePress(bar, Qt::RightButton, {}, QPoint(1, 10));
    EXPECT_EQ(bar->BackColor(), normal);  // only the left button drags
    QTest::mouseRelease(bar, Qt::RightButton, {}, QPoint(1, 10));

    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(1, 10));
    EXPECT_EQ(bar->BackColor(), QColor(Qt::black));
    QMouseEvent move(QEvent::MouseMove, QPointF(-bar->x() + 3, 10),
                     bar->mapToGlobal(QPointF(-bar->x() + 3, 10)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(bar, &move);
    EXPECT_LT(bar->x(), 10);              // the bar follows the pointer, unclamped
    EXPECT_EQ(list->width(), listWidth);  // the panes wait for the release
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(1, 10));
    EXPECT_EQ(bar->BackColor(), normal);
    EXPECT_DOUBLE_EQ(window->Panes().picVLeft, 1000);
    EXPECT_EQ(list->width(), TwipsToPixels(1000 - 10));
}
