#include "app/QueryWindowOpening.h"

#include "app/frmMDI.h"
#include "query/frmMain.h"
#include "ui/TextBox.h"

namespace tbn::app {

namespace {

frmMain* NewLoadingQueryWindow(frmMDI& frame) {
    frmMain* window = frame.NewQueryWindow();
    window->SetIsLoading(true);
    window->Load();
    window->Hide();
    return window;
}

void PresentQueryWindow(frmMDI& frame, frmMain& window, const QString& name) {
    frame.AddTabNavigator(name, window.hWnd());
    frame.SetMenu(true);
    window.Show();
    window.SetIsLoading(false);
    window.setVisible(true);
}

} // namespace

frmMain& OpenConnectedQueryWindow(frmMDI& frame, const QString& name, const QString& cnn,
                                  const std::function<void()>& connected) {
    frmMain* window = NewLoadingQueryWindow(frame);
    try {
        window->Connect(name, cnn);
    } catch (...) {
        window->Unload();
        throw;
    }
    if (connected) connected();
    PresentQueryWindow(frame, *window, name);
    return *window;
}

frmMain* OpenQueryWindowWithText(frmMDI& frame, const QString& name, const QString& cnn, const QString& text,
                                 std::optional<tbn::Error>& failure) {
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

} // namespace tbn::app
