#pragma once
// What the connection manager asks of the frame it opens query windows in: the manager only
// chooses, the frame opens. The frame passes itself to the manager; user-interface thread only.
#include "connections/ConnectionChoice.h"
#include "core/Error.h"

#include <functional>
#include <optional>

class QWidget;

namespace tbn::connections {

class ConnectionManagerFrame {
public:
    // How an opening ended: nothing once the window is connected, else the failure (a cancel is
    // one).
    using OpeningEnded = std::function<void(const std::optional<tbn::Error>& failure)>;

    // The window the manager is modal to.
    virtual QWidget* FrameWidget() = 0;
    // Starts opening a query window on what the user chose and returns at once: the window
    // connects on a worker while the frame goes on working. `ended` runs once, on this thread:
    // without a failure once connected, before the window shows with its tab and the query
    // commands on; with the failure when connecting failed or was cancelled, and then nothing of
    // the window is left. It does not run when the frame closes the window first.
    virtual void OpenChoice(const ConnectionChoice& choice, OpeningEnded ended) = 0;

protected:
    ~ConnectionManagerFrame() = default;
};

}  // namespace tbn::connections
