#include "query/RecoveryFailure.h"

#include "ui/MsgBox.h"
#include "ui/mdlErrors.h"

namespace tbn::query {

namespace {
bool g_reported = false;
} // namespace

void ReportRecoveryFailure(const tbn::Error& error) {
    if (g_reported) return;
    // Set before the box shows: other windows' saves fail again while it waits for an answer.
    g_reported = true;
    mdlErrors::ShowError(error, QStringLiteral("frmMDI >> Recovery"), tbn::platform::vbCritical);
}

void ResetRecoveryFailureReportForTesting() { g_reported = false; }

} // namespace tbn::query
