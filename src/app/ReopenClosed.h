#pragma once
// Windows > "Reopen closed window" (Ctrl+Shift+T): the text of the query window closed last,
// unsaved, opens again on its connection; each further use opens the one closed before it
// (run/ClosedWindows.h). A text kept by an earlier run of the program comes back without its
// connection's passwords: a saved connection of the same name lends its whole string. The window
// connects as every query window does (QueryWindowOpening.h); one whose connection fails is kept
// without one, and `ended` hears of the failure, for the caller to report.
#include "app/QueryWindowOpening.h"

class frmMDI;

namespace tbn::app {

void ReopenClosedWindow(frmMDI& frame, OpeningEnded ended);

}  // namespace tbn::app
