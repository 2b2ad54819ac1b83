#include "query/PaneLayout.h"

#include <gtest/gtest.h>

using tbn::query::ArrangePanes;
using tbn::query::DragBarPosition;
using tbn::query::InitialPaneGeometry;
using tbn::query::PaneGeometry;

TEST(PaneLayout, InitialGeometry) {
    const PaneGeometry g = InitialPaneGeometry();
    EXPECT_EQ(g.picVLeft, 2640);
    EXPECT_EQ(g.picVWidth, 70);
    EXPECT_EQ(g.picHTop, 3480);
    EXPECT_EQ(g.picHHeight, 135);
}

TEST(PaneLayout, WideWindowKeepsTheBarsAndFillsTheRest) {
    PaneGeometry g = InitialPaneGeometry();
    ArrangePanes(g, 12000, 9000);
    EXPECT_EQ(g.picVLeft, 2640);
    EXPECT_EQ(g.picHTop, 3480);
    EXPECT_EQ(g.lstWidth, 2630);
    EXPECT_EQ(g.lstHeight, 3470);
    EXPECT_EQ(g.rtfWidth, 12000 - 2630 - 30);
    EXPECT_EQ(g.rtfLeft, 2710);
    EXPECT_EQ(g.rtfHeight, 3380);
    EXPECT_EQ(g.picVHeight, 3480);
    EXPECT_EQ(g.picHWidth, 12000);
    EXPECT_EQ(g.flexTop, 3615);
    EXPECT_EQ(g.flexWidth, 12000);
    EXPECT_EQ(g.flexHeight, 9000 - 3615);
}

TEST(PaneLayout, BarsDraggedBeyondTheEdgesComeBackToAThousandTwips) {
    PaneGeometry g = InitialPaneGeometry();
    g.picVLeft = 200;
    g.picHTop = -500;
    ArrangePanes(g, 12000, 9000);
    EXPECT_EQ(g.picVLeft, 1000);
    EXPECT_EQ(g.picHTop, 1000);
    EXPECT_EQ(g.lstWidth, 990);
    EXPECT_EQ(g.flexTop, 1135);

    g.picVLeft = 20000;
    g.picHTop = 15000;
    ArrangePanes(g, 12000, 9000);
    EXPECT_EQ(g.picVLeft, 11000);
    EXPECT_EQ(g.picHTop, 8000);
    EXPECT_EQ(g.rtfWidth, 12000 - 10990 - 30);
    EXPECT_EQ(g.flexHeight, 9000 - 8135);
}

TEST(PaneLayout, SmallWindowLetsTheFarEdgeRuleWin) {
    PaneGeometry g = InitialPaneGeometry();
    ArrangePanes(g, 1500, 1800);
    EXPECT_EQ(g.picVLeft, 500);
    EXPECT_EQ(g.picHTop, 800);
    EXPECT_EQ(g.lstWidth, 490);
    EXPECT_EQ(g.rtfWidth, 980);
}

TEST(PaneLayout, WindowNarrowerThanTheListSkipsOnlyTheEditorWidth) {
    PaneGeometry g = InitialPaneGeometry();
    ArrangePanes(g, 12000, 9000);
    ArrangePanes(g, 800, 9000);
    EXPECT_EQ(g.picVLeft, 2640);               // 800 - 1000 is no limit
    EXPECT_EQ(g.rtfWidth, 12000 - 2630 - 30);  // 800 - 2630 - 30 refused
    EXPECT_EQ(g.rtfLeft, 2710);
    EXPECT_EQ(g.picHWidth, 800);
    EXPECT_EQ(g.flexWidth, 800);
}

TEST(PaneLayout, MinimisedWindowSkipsEveryNegativeSize) {
    PaneGeometry g = InitialPaneGeometry();
    ArrangePanes(g, 12000, 9000);
    const PaneGeometry before = g;
    ArrangePanes(g, 0, 0);
    EXPECT_EQ(g.picVLeft, 2640);
    EXPECT_EQ(g.picHTop, 3480);
    EXPECT_EQ(g.rtfWidth, before.rtfWidth);
    EXPECT_EQ(g.flexHeight, before.flexHeight);
    EXPECT_EQ(g.flexWidth, 0);
    EXPECT_EQ(g.picHWidth, 0);

    PaneGeometry low = InitialPaneGeometry();
    low.picVLeft = 300;
    ArrangePanes(low, 0, 0);
    EXPECT_EQ(low.picVLeft, 1000);
}

TEST(PaneLayout, DraggedBarCentreFollowsThePointer) {
    EXPECT_EQ(DragBarPosition(3480, 100, 135), 3480 + 100 - 67.5);
    EXPECT_EQ(DragBarPosition(2640, -4000, 70), 2640 - 4000 - 35);  // no limit while dragging
}
