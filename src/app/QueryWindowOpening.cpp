#include "app/QueryWindowOpening.h"

#include "app/frmMDI.h"
#include "query/frmMain.h"
#include "ui/TextBox.h"

#include <QMdiArea>

namespace tbn::app {

namespace {

frmMain* NewLoadingQueryWindow(frmMDI& frame) {
    frmMain* window = frame.NewQueryWindow();
    window->SetIsLoading(true);
    window->Load();
    window->Hide();
    return window;
}

// The window area counts a window it was given as the one last active, hidden or not, and makes
// the first one it holds active when that goes: the window the user works in must stay so.
void DiscardHalfMade(frmMDI& frame, frmMain& window) {
    frmMain* active = frame.ActiveQueryWindow();
    window.Unload();
    if (active && active != &window) frame.WindowArea()->setActiveSubWindow(active->subWindow());
}

void PresentQueryWindow(frmMDI& frame, frmMain& window, const QString& name) {
    frame.AddTabNavigator(name, window.hWnd());
    frame.SetMenu(true);
    window.Show();
    window.SetIsLoading(false);
    window.setVisible(true);
}

}  // namespace

// The window runs what it is given only while it lives, and the frame outlives its windows.
void OpenConnectedQueryWindow(frmMDI& frame, const QString& name, const QString& cnn,
                              OpeningEnded ended) {
    frmMain* window = NewLoadingQueryWindow(frame);
    window->Connect(name, cnn,
                    [&frame, window, name, ended](const std::optional<tbn::Error>& failure) {
                        if (failure) DiscardHalfMade(frame, *window);
                        if (ended) ended(failure);
                        if (!failure) PresentQueryWindow(frame, *window, name);
                    });
}

frmMain& OpenQueryWindowWithText(frmMDI& frame, const QString& name, const QString& cnn,
                                 const QString& text, OpeningEnded ended) {
    frmMain* window = NewLoadingQueryWindow(frame);
    window->Connect(name, cnn,
                    [&frame, window, name, ended](const std::optional<tbn::Error>& failure) {
                        PresentQueryWindow(frame, *window, name);
                        if (ended) ended(failure);
                    });
    window->QueryText().SetText(text);
    return *window;
}

}  // namespace tbn::app
