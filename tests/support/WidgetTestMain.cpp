// The main of the test programs of widgets and windows: every test runs under one QApplication.
#include "support/OffscreenPlatform.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    tbn::test::UseOffscreenPlatformUnlessAsked();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
