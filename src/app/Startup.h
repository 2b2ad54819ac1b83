#pragma once
class QApplication;
class QByteArray;
class QString;

namespace tbn::app {

// Creates the frame where the user left it, runs its start-up sequence (or opens `target`, a
// database file or connection string from the command line, as the system gave its bytes,
// instead of showing the connection manager) and the event loop; keeps the frame's place when the
// loop ends. Returns the exit code.
int RunTabulon(QApplication& app, const QByteArray& target);
// The same for a target held as text.
int RunTabulon(QApplication& app, const QString& target);

}  // namespace tbn::app
