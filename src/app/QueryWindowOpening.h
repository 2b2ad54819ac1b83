#pragma once
// Opening a query window on a connection inside the frame, in one place for every road that opens
// one: the manager's choice, the command line (through the manager), the texts left by an unclean
// exit and the windows closed unsaved. The order is the one users know: the window loaded and
// hidden until it is connected, then its tab, the query commands on, the window shown; its panes
// show at its first activation.
#include "core/Error.h"

#include <functional>
#include <optional>

class QString;
class frmMDI;
class frmMain;

namespace tbn::app {

// A query window connected to cnn and shown. `connected` runs once the connection is open, before
// anything of the window shows. A failure to connect raises, and the half-made window is gone.
frmMain& OpenConnectedQueryWindow(frmMDI& frame, const QString& name, const QString& cnn,
                                  const std::function<void()>& connected = {});

// A query window on the connection, holding text, opened the same way but kept without a
// connection when connecting fails (the text matters more); the failure is handed back.
frmMain* OpenQueryWindowWithText(frmMDI& frame, const QString& name, const QString& cnn, const QString& text,
                                 std::optional<tbn::Error>& failure);

} // namespace tbn::app
