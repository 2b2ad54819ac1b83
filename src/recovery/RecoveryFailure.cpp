#include "recovery/RecoveryFailure.h"

namespace tbn::recovery {

namespace {
bool g_reported = false;

std::function<void(const tbn::Error&)>& Reporter() {
    static std::function<void(const tbn::Error&)> reporter;
    return reporter;
}
}  // namespace

void SetRecoveryFailureReporter(std::function<void(const tbn::Error&)> reporter) {
    Reporter() = std::move(reporter);
}

void ReportRecoveryFailure(const tbn::Error& error) {
    if (g_reported || !Reporter()) return;
    // Set before the report shows: other windows' saves fail again while it waits for an answer.
    g_reported = true;
    Reporter()(error);
}

void ResetRecoveryFailureReportForTesting() { g_reported = false; }

}  // namespace tbn::recovery
