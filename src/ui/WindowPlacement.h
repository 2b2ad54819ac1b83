#pragma once
// Where windows go that the window system would otherwise place badly: a tool window centred on
// the window it serves yet wholly on screen, and a child window of a multiple-document area set
// off from the one it would cover exactly. The arithmetic is plain functions on rectangles.
#include <QList>
#include <QRect>

class QMdiSubWindow;
class QWidget;

namespace tbn::ui {

// A rectangle of `size` centred on `anchor`, moved (and, where larger, shrunk) as little as needed
// to lie wholly within `screen`.
QRect CentredWithin(const QRect& anchor, const QSize& size, const QRect& screen);

// Centres the top-level `window`, frame included, on `anchor`'s window, wholly on the screen that
// shows the anchor's centre.
void PlaceCentredOn(QWidget& window, const QWidget& anchor);

// Where a child window at `placed` goes when it would exactly cover one of `others`: a step down
// and right from the last of them at that place and beyond, back to the area's corner where the
// step would leave `area`. Elsewhere it stays where it is.
QPoint CascadedFrom(const QRect& placed, const QList<QRect>& others, const QRect& area, int step);

// Moves a child window just added to its area off any other visible child it would exactly cover.
void CascadeNewSubWindow(QMdiSubWindow& window);

}  // namespace tbn::ui
