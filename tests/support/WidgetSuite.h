#pragma once
// For the widget suites of a test program whose other tests are plain logic: such a program's main
// makes no QApplication, and a suite built on WidgetSuite gets one for its tests, made before its
// first test and destroyed after its last. CTest runs each test in a process of its own, so the
// logic tests never see it.
#include <gtest/gtest.h>

namespace tbn::test {

class WidgetSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
};

}  // namespace tbn::test
