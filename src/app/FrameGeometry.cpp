#include "app/FrameGeometry.h"

#include "app/frmMDI.h"
#include "connections/ProgramFolder.h"
#include "core/Error.h"
#include "editor/Zoom.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <algorithm>

namespace tbn::app {

namespace {
const QString kGeometry = QStringLiteral("frame/geometry");
const QString kMaximized = QStringLiteral("frame/maximized");
const QString kWindowsMaximized = QStringLiteral("windows/maximized");
const QString kEditorZoom = QStringLiteral("zoom/editor");
const QString kGridZoom = QStringLiteral("zoom/grid");

// Empty when the configuration folder is refused (a link): the frame's place is then not kept,
// as when the file cannot be written; the connection store is where the refusal is told.
QString SettingsPath() {
    try {
        return connections::UserConfigFolder() + QStringLiteral("/frame.ini");
    } catch (const tbn::Error&) {
        return {};
    }
}

QList<QRect> AvailableScreenAreas() {
    QList<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens()) areas << screen->availableGeometry();
    return areas;
}
}  // namespace

bool FitsOnAScreen(const QRect& rect, const QList<QRect>& screens) {
    if (!rect.isValid()) return false;
    return std::any_of(screens.begin(), screens.end(),
                       [&](const QRect& screen) { return screen.contains(rect); });
}

void RestoreFrameGeometry(frmMDI& frame) {
    const QString path = SettingsPath();
    if (path.isEmpty()) return;
    const QSettings settings(path, QSettings::IniFormat);
    const QRect stored = settings.value(kGeometry).toRect();
    if (FitsOnAScreen(stored, AvailableScreenAreas())) frame.setGeometry(stored);
    if (settings.value(kMaximized, false).toBool())
        frame.setWindowState(frame.windowState() | Qt::WindowMaximized);
    frame.SetQueryWindowsMaximized(settings.value(kWindowsMaximized, false).toBool());
    editor::ZoomLevels& zoom = editor::ZoomLevels::Program();
    zoom.SetEditor(settings.value(kEditorZoom, 0).toInt());
    zoom.SetGrid(settings.value(kGridZoom, 0).toInt());
}

void SaveFrameGeometry(const frmMDI& frame) {
    const QString path = SettingsPath();
    if (path.isEmpty()) return;
    QSettings settings(path, QSettings::IniFormat);
    // The normal geometry is the one a maximized frame returns to.
    settings.setValue(kGeometry, frame.normalGeometry());
    settings.setValue(kMaximized, frame.isMaximized());
    settings.setValue(kWindowsMaximized, frame.QueryWindowsMaximized());
    settings.setValue(kEditorZoom, editor::ZoomLevels::Program().Editor());
    settings.setValue(kGridZoom, editor::ZoomLevels::Program().Grid());
    settings.sync();
}

}  // namespace tbn::app
