#pragma once
// Keeping texts for recovery must never stand in the way of work: its failures (a full disk, a
// read-only state folder) are told once per run of the program, under "frmMDI >> Recovery", and
// the windows go on as if nothing had happened. Later failures are silent; every change still
// tries again, so the texts are kept once the disk has room. User-interface thread only.
#include "core/Error.h"

namespace tbn::query {

void ReportRecoveryFailure(const tbn::Error& error);
// For tests that meet a failure more than once in one process.
void ResetRecoveryFailureReportForTesting();

} // namespace tbn::query
