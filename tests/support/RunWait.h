#pragma once
// Query runs end on their own time: ExecuteQuery returns once the worker has started. Tests wait
// here, processing events, until the run has ended and everything it leaves (grid, sizing, status
// line, error report) is in place.
class frmMain;

namespace tbn::test {

// False when the run is still going after timeoutMs.
bool WaitForRun(frmMain& window, int timeoutMs = 120000);

// ExecuteQuery (or ExecuteQuerySelected), then WaitForRun.
bool ExecuteAndWait(frmMain& window, bool selected = false);

} // namespace tbn::test
