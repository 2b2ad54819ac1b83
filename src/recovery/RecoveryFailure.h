#pragma once
// Keeping texts for recovery must never stand in the way of work: its failures (a full disk, a
// read-only state folder) are told once per run of the program, through the reporter the windows
// install, and the windows go on as if nothing had happened. Later failures are silent; every
// change still tries again, so the texts are kept once the disk has room. User-interface thread
// only.
#include "core/Error.h"

#include <functional>

namespace tbn::recovery {

// Tells the user of a failure; it must not raise. Until one is set, failures are told nobody.
void SetRecoveryFailureReporter(std::function<void(const tbn::Error&)> reporter);
void ReportRecoveryFailure(const tbn::Error& error);
// For tests that meet a failure more than once in one process.
void ResetRecoveryFailureReportForTesting();

}  // namespace tbn::recovery
