#include "support/WidgetSuite.h"

#include "support/OffscreenPlatform.h"

#include <QApplication>

namespace tbn::test {

void WidgetSuite::SetUpTestSuite() {
    if (QCoreApplication::instance()) return;
    UseOffscreenPlatformUnlessAsked();
    static int argc = 1;
    static char name[] = "tbn-test";
    static char* argv[] = {name, nullptr};
    // Never destroyed: Qt's own globals may already be gone when static destructors run.
    new QApplication(argc, argv);
}

} // namespace tbn::test
