#pragma once
// For the widget suites of a test program whose other tests are plain logic: such a program's main
// makes no QApplication, and a suite built on WidgetSuite gets one when its first test starts.
// The application then lives until the process ends (CTest runs each test in a process of its own,
// so the logic tests never see it).
#include <gtest/gtest.h>

namespace tbn::test {

class WidgetSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite();
};

} // namespace tbn::test
