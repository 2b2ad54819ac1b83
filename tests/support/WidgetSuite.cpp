#include "support/WidgetSuite.h"

#include "support/OffscreenPlatform.h"

#include <QApplication>
#include <memory>

namespace tbn::test {

namespace {
std::unique_ptr<QApplication>& SuiteApplication() {
    static std::unique_ptr<QApplication> application;
    return application;
}
}  // namespace

void WidgetSuite::SetUpTestSuite() {
    if (QCoreApplication::instance()) return;
    UseOffscreenPlatformUnlessAsked();
    static int argc = 1;
    static char name[] = "tbn-test";
    static char* argv[] = {name, nullptr};
    SuiteApplication() = std::make_unique<QApplication>(argc, argv);
}

// Destroyed here rather than at exit: by then Qt's own globals may be gone, and an application
// left alive would hold the font caches that the leak checker then reports.
void WidgetSuite::TearDownTestSuite() { SuiteApplication().reset(); }

}  // namespace tbn::test
