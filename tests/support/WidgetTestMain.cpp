// The main of the test programs of widgets and windows: every test runs under one QApplication.
// A test that starts the program again as a helper process (ChildEntry.h) gets that helper,
// without a QApplication, instead of the tests.
#include "support/ChildEntry.h"
#include "support/OffscreenPlatform.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (const int childExit = tbn::test::RunChildEntryIfAsked(argc, argv); childExit >= 0) return childExit;
    tbn::test::UseOffscreenPlatformUnlessAsked();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
