#pragma once
// What the connection manager asks of the frame it opens query windows in. The frame passes
// itself to the manager; user-interface thread only.
#include <QtGlobal>

class QString;
class QWidget;
class frmMain;

class ConnectionManagerFrame {
public:
    // The window the manager is modal to.
    virtual QWidget* FrameWidget() = 0;
    // A new, hidden query window inside the frame (not yet loaded); the frame owns it.
    virtual frmMain* NewQueryWindow() = 0;
    virtual void AddTabNavigator(const QString& strTabName, quintptr frmHwnd) = 0;
    // Enables or disables the commands that need a query window.
    virtual void SetMenu(bool bEnable) = 0;

protected:
    ~ConnectionManagerFrame() = default;
};
