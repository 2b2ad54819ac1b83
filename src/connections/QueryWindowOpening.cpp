#include "connections/QueryWindowOpening.h"

#include "connections/ConnectionManagerFrame.h"
#include "query/frmMain.h"
#include "ui/TextBox.h"
#include "ui/mdlErrors.h"

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

frmMain* OpenQueryWindowWithText(ConnectionManagerFrame& frame, const QString& name, const QString& cnn,
                                 const QString& text, std::optional<tbn::Error>& failure) {
    frmMain* window = NewLoadingQueryWindow(frame);
    try {
        window->Connect(name, cnn);
    } catch (...) {
        failure = tbn::Error::From(std::current_exception());
    }
    window->QueryText().SetText(text);
    PresentQueryWindow(frame, *window, name);
    return window;
}
