#pragma once
class QApplication;
class QString;
// Creates the frame where the user left it, runs its start-up sequence (or opens `target`, a
// database file or connection string from the command line, instead of showing the connection
// manager) and the event loop; keeps the frame's place when the loop ends. Returns the exit code.
int RunTabulon(QApplication& app, const QString& target);
