// The main of the logic test programs (core, db, grid): no QApplication, so a test that needed
// one without saying so (see WidgetSuite.h) fails instead of passing by accident.
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
