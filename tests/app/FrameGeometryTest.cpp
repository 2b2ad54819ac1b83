#include "app/FrameGeometry.h"
#include "app/frmMDI.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

#include <QFileInfo>
#include <gtest/gtest.h>

using namespace tbn::app;

TEST(FrameGeometryTest, AStoredPlaceFitsOnlyWhenOneScreenHoldsItWhole) {
    const QList<QRect> screens{{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}};
    EXPECT_TRUE(FitsOnAScreen({100, 100, 800, 600}, screens));
    EXPECT_TRUE(FitsOnAScreen({2000, 50, 1000, 900}, screens));
    EXPECT_FALSE(FitsOnAScreen({3300, 100, 800, 600}, screens)) << "its monitor is gone";
    EXPECT_FALSE(FitsOnAScreen({100, 100, 2500, 600}, screens)) << "larger than the screen now";
    EXPECT_FALSE(FitsOnAScreen(QRect(), screens));
}

TEST(FrameGeometryTest, TheFrameReopensWhereItWasLeftAndIgnoresAPlaceOffEveryScreen) {
    tbn::test::TempDir home;
    const tbn::test::ScopedEnv config("XDG_CONFIG_HOME", qPrintable(home.path()));
    const QSize firstSize = frmMDI().size();
    {
        frmMDI frame;
        RestoreFrameGeometry(frame);
        EXPECT_EQ(frame.size(), firstSize) << "the first start keeps the frame's own size";
        frame.setGeometry(30, 40, 500, 350);
        SaveFrameGeometry(frame);
    }
    EXPECT_TRUE(QFileInfo::exists(home.file("tbn/frame.ini")));
    {
        frmMDI frame;
        RestoreFrameGeometry(frame);
        EXPECT_EQ(frame.geometry(), QRect(30, 40, 500, 350));
        EXPECT_FALSE(frame.isMaximized());
        frame.showMaximized();
        SaveFrameGeometry(frame);
    }
    {
        frmMDI frame;
        RestoreFrameGeometry(frame);
        EXPECT_TRUE(frame.windowState() & Qt::WindowMaximized);
        EXPECT_EQ(frame.normalGeometry(), QRect(30, 40, 500, 350))
            << "where un-maximizing returns to";
        frame.setWindowState(Qt::WindowNoState);
        frame.setGeometry(5000, 5000, 500, 350);
        SaveFrameGeometry(frame);
    }
    frmMDI frame;
    RestoreFrameGeometry(frame);
    EXPECT_EQ(frame.size(), firstSize);
    EXPECT_NE(frame.pos(), QPoint(5000, 5000));
}
