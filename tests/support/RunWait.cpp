#include "support/RunWait.h"

#include "query/frmMain.h"

#include <QTest>

namespace tbn::test {

bool WaitForRun(frmMain& window, int timeoutMs) {
    return QTest::qWaitFor([&window] { return !window.Running(); }, timeoutMs);
}

bool ExecuteAndWait(frmMain& window, bool selected) {
    window.ExecuteQuery(selected);
    return WaitForRun(window);
}

} // namespace tbn::test
