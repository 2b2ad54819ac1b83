#pragma once
// Query runs and connecting end on their own time: ExecuteQuery and Connect return once their
// worker has started. Tests wait here, processing events, until the run has ended and everything
// it leaves (grid, sizing, status line, error report) is in place, or the window has connected.
class QString;
class frmMain;

namespace tbn::test {

// False when the run (or the catalogue read it starts when it ends) is still going after
// timeoutMs.
bool WaitForRun(frmMain& window, int timeoutMs = 120000);

// ExecuteQuery (or ExecuteQuerySelected), then WaitForRun.
bool ExecuteAndWait(frmMain& window, bool selected = false);

// Connect, waiting until it has ended; a failure (or a connect still going after timeoutMs)
// raises tbn::Error, as a connect on the user-interface thread would.
void ConnectAndWait(frmMain& window, const QString& name, const QString& cnn,
                    int timeoutMs = 60000);

}  // namespace tbn::test
