#include "app/FailureReports.h"

#include "recovery/RecoveryFailure.h"
#include "run/RunHistory.h"
#include "ui/MsgBox.h"
#include "ui/mdlErrors.h"

namespace tbn::app {

void InstallFailureReports() {
    run::RunHistory::Program().SetReporter([](const tbn::Error& error) {
        mdlErrors::ShowError(error, QStringLiteral("frmMain >> History"), ui::vbCritical);
    });
    recovery::SetRecoveryFailureReporter([](const tbn::Error& error) {
        mdlErrors::ShowError(error, QStringLiteral("frmMDI >> Recovery"), ui::vbCritical);
    });
}

}  // namespace tbn::app
