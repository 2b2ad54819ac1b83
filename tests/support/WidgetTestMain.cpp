// The main of the test programs of widgets and windows: every test runs under one QApplication.
// A test that starts the program again as a helper process (ChildEntry.h) gets that helper,
// without a QApplication, instead of the tests.
#include "support/ChildEntry.h"
#include "support/OffscreenPlatform.h"

#include <QApplication>
#include <QTemporaryDir>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (const int childExit = tbn::test::RunChildEntryIfAsked(argc, argv); childExit >= 0)
        return childExit;
    tbn::test::UseOffscreenPlatformUnlessAsked();
    // No test may read or write the developer's own per-user settings (the frame's place, a store
    // kept per user), data (the history of runs) or state (recovery files): the per-user folders
    // are fresh ones for each run.
    QTemporaryDir configHome;
    setenv("XDG_CONFIG_HOME", qPrintable(configHome.path()), 1);
    QTemporaryDir dataHome;
    setenv("XDG_DATA_HOME", qPrintable(dataHome.path()), 1);
    QTemporaryDir stateHome;
    setenv("XDG_STATE_HOME", qPrintable(stateHome.path()), 1);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
