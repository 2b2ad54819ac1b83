#pragma once
// Opening a query window on a connection inside the frame, in one place for every road that opens
// one: the manager's choice, the command line (through the manager), the texts left by an unclean
// exit and the windows closed unsaved. The order is the one users know: the window loaded and
// hidden until it is connected, then its tab, the query commands on, the window shown; its panes
// show at its first activation. Connecting runs on a worker, so the frame and its other windows go
// on working meanwhile; a box on the frame offers to cancel it when it takes a while.
#include "core/Error.h"

#include <functional>
#include <optional>

class QString;
class frmMDI;
class frmMain;

namespace tbn::app {

// How an opening ended: nothing when connected, else the failure (a cancel is one).
using OpeningEnded = std::function<void(const std::optional<tbn::Error>& failure)>;

// Starts opening a query window on cnn and returns at once. Once connected, `ended` runs, then the
// window shows; when connecting fails, the half-made window goes and `ended` runs with the
// failure. Nothing runs when the window is closed with the frame first.
void OpenConnectedQueryWindow(frmMDI& frame, const QString& name, const QString& cnn,
                              OpeningEnded ended);

// A query window on the connection, holding text at once, opened the same way but shown even when
// connecting fails (the text matters more); `ended` runs once it shows.
frmMain& OpenQueryWindowWithText(frmMDI& frame, const QString& name, const QString& cnn,
                                 const QString& text, OpeningEnded ended);

}  // namespace tbn::app
