#include "ui/WindowPlacement.h"

#include <gtest/gtest.h>

using namespace tbn::ui;

TEST(WindowPlacement, CentredOnItsAnchorYetWhollyOnTheScreen) {
    const QRect screen(0, 0, 1600, 1000);
    EXPECT_EQ(CentredWithin({400, 300, 800, 400}, {400, 200}, screen), QRect(600, 400, 400, 200));
    EXPECT_EQ(CentredWithin({1400, 900, 600, 400}, {400, 300}, screen), QRect(1200, 700, 400, 300))
        << "pushed in";
    EXPECT_EQ(CentredWithin({0, 0, 100, 100}, {2000, 300}, screen), QRect(0, 0, 1600, 300))
        << "shrunk to fit";
}

TEST(WindowPlacement, ANewChildSteppedOffTheWindowsItWouldCoverExactly) {
    const QRect area(0, 0, 1000, 700);
    const int step = 24;
    struct Case {
        QRect placed;
        QList<QRect> others;
        QPoint expected;
    } cases[] = {
        {{0, 0, 450, 330}, {}, {0, 0}},
        {{100, 50, 450, 330}, {{0, 0, 450, 330}}, {100, 50}},
        {{0, 0, 450, 330}, {{0, 0, 450, 330}, {24, 24, 450, 330}}, {48, 48}},
        // At the area's edge the next one starts again from its corner.
        {{540, 360, 450, 330}, {{540, 360, 450, 330}}, {0, 0}},
        // As large as the area: set off while its title bar stays well inside.
        {{0, 0, 1000, 700}, {{0, 0, 1000, 700}}, {24, 24}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CascadedFrom(c.placed, c.others, area, step), c.expected)
            << c.placed.x() << "," << c.placed.y();
}
