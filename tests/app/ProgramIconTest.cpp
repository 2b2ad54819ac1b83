#include "app/ProgramIcon.h"
#include "support/QueryWindowFixture.h"

#include <QMdiSubWindow>
#include <QMenuBar>

using tbn::app::ProgramIcon;

namespace {
QImage Image16(const QIcon& icon) {
    return icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
}

// Pixels of `drawn` that differ from the opaque pixels of `icon` placed at its top-left corner.
int Differences(const QImage& drawn, const QImage& icon) {
    int differences = 0;
    for (int y = 0; y < icon.height(); ++y)
        for (int x = 0; x < icon.width(); ++x)
            if (qAlpha(icon.pixel(x, y)) == 255 && drawn.pixel(x, y) != icon.pixel(x, y))
                ++differences;
    return differences;
}
}  // namespace

class ProgramIconTest : public tbn::test::QueryWindowFixture {};

TEST_F(ProgramIconTest, TheFrameAndItsQueryWindowsShowTheProgramsIconEvenMaximized) {
    const QImage own = Image16(ProgramIcon());
    ASSERT_FALSE(own.isNull()) << "the icon is not among the program's resources";
    EXPECT_TRUE(Image16(frame->windowIcon()) == own) << "the frame shows another icon";

    frmMain* window = OpenWindow("books", MakeDatabase("b.db", "CREATE TABLE t(x);"));
    EXPECT_TRUE(Image16(window->subWindow()->windowIcon()) == own)
        << "the query window shows another icon";

    // Maximized, the window's system-menu button moves to the left end of the frame's menu bar.
    window->subWindow()->showMaximized();
    Settle();
    QWidget* menuButton = frame->menuBar()->cornerWidget(Qt::TopLeftCorner);
    ASSERT_NE(menuButton, nullptr);
    ASSERT_TRUE(menuButton->isVisible());
    const QImage drawn = menuButton->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_GE(drawn.width(), 16);
    ASSERT_GE(drawn.height(), 16);
    EXPECT_EQ(Differences(drawn, own), 0) << "the menu bar's left end shows another icon";
}
