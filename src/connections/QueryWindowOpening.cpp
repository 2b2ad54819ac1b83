#include "connections/QueryWindowOpening.h"

#include "connections/ConnectionManagerFrame.h"
#include "query/frmMain.h"

frmMain* NewLoadingQueryWindow(ConnectionManagerFrame& frame) {
    frmMain* window = frame.NewQueryWindow();
    window->SetIsLoading(true);
    window->Load();
    window->Hide();
    return window;
}

void PresentQueryWindow(ConnectionManagerFrame& frame, frmMain& window, const QString& name) {
    frame.AddTabNavigator(name, window.hWnd());
    frame.SetMenu(true);
    window.Show();
    window.SetIsLoading(false);
    window.setVisible(true);
}
