#pragma once
// The two halves of opening a query window on a connection inside the frame, shared by the
// connection manager and the start-up reopening of texts left by an unclean exit.
class ConnectionManagerFrame;
class QString;
class frmMain;

// A new query window, loaded and still hidden, ready for its Connect.
frmMain* NewLoadingQueryWindow(ConnectionManagerFrame& frame);

// Once the window is connected (or kept without a connection): its tab, the query commands, and
// the window shown.
void PresentQueryWindow(ConnectionManagerFrame& frame, frmMain& window, const QString& name);
