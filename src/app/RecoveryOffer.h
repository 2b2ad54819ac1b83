#pragma once
// The start-up offer of the query texts that TBNs which ended uncleanly (a crash, a kill, a power
// cut) left in the recovery folder (recovery/RecoveryFolder.h). Asked once, Yes/No:
//   Yes  each text opens in a query window of its own on its connection, or without a connection
//        when that fails (all such failures told in one report once every window has connected or
//        failed); the window keeps the text in a recovery file of its own before the old file goes.
//   No   the files are moved to the folder's "discarded" subfolder and never offered again.
// Nothing is asked when there is nothing to offer. Failures are reported under
// "frmMDI >> Recovery" and the start goes on.
#include <functional>

class frmMDI;

namespace tbn::app {

// Returns the number of query windows opened. whenDone runs once the offer is over: at once when
// nothing was reopened, else once every reopened window has connected or failed to and the
// failures have been told (never when the frame closes those windows first).
int OfferRecovery(frmMDI& frame, std::function<void()> whenDone = {});

}  // namespace tbn::app
