// Every test program runs under a QApplication on the offscreen platform unless a display was
// asked for explicitly; gtest discovery runs the binary outside CTest's environment, so main()
// must choose the platform itself. A test that starts the program again as a helper process
// (ChildEntry.h) gets that helper instead of the tests.
#include "support/ChildEntry.h"

#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (const int childExit = tbn::test::RunChildEntryIfAsked(argc, argv); childExit >= 0) return childExit;
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
