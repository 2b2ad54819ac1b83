#pragma once
// What the connection manager asks of the frame it opens query windows in: the manager only
// chooses, the frame opens. The frame passes itself to the manager; user-interface thread only.
#include "connections/ConnectionChoice.h"

#include <functional>

class QWidget;

namespace tbn::connections {

class ConnectionManagerFrame {
public:
    // The window the manager is modal to.
    virtual QWidget* FrameWidget() = 0;
    // Opens a query window on what the user chose and shows it with its tab and the query commands
    // on. `connected` runs once the connection is open, before anything of the window shows (the
    // manager hides itself there). A failure raises, and nothing of the window is left.
    virtual void OpenChoice(const ConnectionChoice& choice,
                            const std::function<void()>& connected) = 0;

protected:
    ~ConnectionManagerFrame() = default;
};

} // namespace tbn::connections
