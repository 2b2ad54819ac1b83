// The main of the logic test programs (core, db, grid): no QApplication, so a test that needed
// one without saying so (see WidgetSuite.h) fails instead of passing by accident. A test that
// starts the program again as a helper process (ChildEntry.h) gets that helper instead of the
// tests.
#include "support/ChildEntry.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (const int childExit = tbn::test::RunChildEntryIfAsked(argc, argv); childExit >= 0)
        return childExit;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
