#pragma once
class QApplication;
// Creates the frame, runs its start-up sequence and the event loop; returns the exit code.
int RunTabulon(QApplication& app);
