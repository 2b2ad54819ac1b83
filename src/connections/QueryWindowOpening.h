#pragma once
// The two halves of opening a query window on a connection inside the frame, shared by the
// connection manager and the reopening of texts (left by an unclean exit, or closed unsaved).
#include "core/Error.h"

#include <optional>

class ConnectionManagerFrame;
class QString;
class frmMain;

// A new query window, loaded and still hidden, ready for its Connect.
frmMain* NewLoadingQueryWindow(ConnectionManagerFrame& frame);

// Once the window is connected (or kept without a connection): its tab, the query commands, and
// the window shown.
void PresentQueryWindow(ConnectionManagerFrame& frame, frmMain& window, const QString& name);

// A query window on the connection, holding text, opened as the manager opens one but kept
// without a connection when connecting fails (the text matters more); the failure is handed back.
frmMain* OpenQueryWindowWithText(ConnectionManagerFrame& frame, const QString& name, const QString& cnn,
                                 const QString& text, std::optional<tbn::Error>& failure);
