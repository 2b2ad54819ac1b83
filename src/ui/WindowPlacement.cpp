#include "ui/WindowPlacement.h"

#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QStyle>
#include <QWidget>
#include <algorithm>

namespace tbn::ui {

QRect CentredWithin(const QRect& anchor, const QSize& size, const QRect& screen) {
    const QSize fitted = size.boundedTo(screen.size());
    QRect placed(QPoint(0, 0), fitted);
    placed.moveCenter(anchor.center());
    placed.moveLeft(std::clamp(placed.left(), screen.left(), screen.right() - fitted.width() + 1));
    placed.moveTop(std::clamp(placed.top(), screen.top(), screen.bottom() - fitted.height() + 1));
    return placed;
}

void PlaceCentredOn(QWidget& window, const QWidget& anchor) {
    const QRect around = anchor.window()->frameGeometry();
    const QScreen* screen = QGuiApplication::screenAt(around.center());
    if (!screen) screen = anchor.screen();
    if (!screen) return;
    // Before its first showing a window knows nothing of the frame the window manager will give
    // it; room is left for a title bar and borders.
    QSize decoration = window.frameGeometry().size() - window.geometry().size();
    if (decoration.isNull())
        decoration = QSize(8, 8 + window.style()->pixelMetric(QStyle::PM_TitleBarHeight));
    const QRect placed =
        CentredWithin(around, window.size() + decoration, screen->availableGeometry());
    window.resize(placed.size() - decoration);
    window.move(placed.topLeft());
}

QPoint CascadedFrom(const QRect& placed, const QList<QRect>& others, const QRect& area, int step) {
    const auto taken = [&](QPoint at) {
        return std::any_of(others.begin(), others.end(),
                           [&](const QRect& other) { return other.topLeft() == at; });
    };
    // A window about as large as the area cannot stay inside it once set off; it goes on while its
    // title bar stays well within the area.
    const bool fitsNowhere =
        !area.contains(QRect(area.topLeft() + QPoint(step, step), placed.size()));
    const auto fits = [&](QPoint at) {
        if (!fitsNowhere) return area.contains(QRect(at, placed.size()));
        return at.x() - area.left() < area.width() / 2 && at.y() - area.top() < area.height() / 2;
    };
    QPoint at = placed.topLeft();
    for (qsizetype tries = 0; taken(at) && tries <= others.size(); ++tries) {
        at += QPoint(step, step);
        if (!fits(at)) at = area.topLeft();
    }
    return at;
}

void CascadeNewSubWindow(QMdiSubWindow& window) {
    QMdiArea* area = window.mdiArea();
    if (!area || window.isMaximized()) return;
    QList<QRect> others;
    for (const QMdiSubWindow* other : area->subWindowList())
        if (other != &window && other->isVisible() && !other->isMaximized() &&
            !other->isMinimized())
            others << other->geometry();
    const int step = window.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &window);
    window.move(CascadedFrom(window.geometry(), others,
                             QRect(QPoint(0, 0), area->viewport()->size()), step));
}

}  // namespace tbn::ui
