#include "query/SplitterBar.h"

#include "ui/Twips.h"

#include <QMouseEvent>
#include <QPalette>

using tbn::ui::PixelsToTwips;

namespace tbn::query {

SplitterBar::SplitterBar(Qt::Orientation orientation, QWidget* parent)
    : QWidget(parent), orientation_(orientation) {
    setAutoFillBackground(true);
    setCursor(orientation == Qt::Horizontal ? Qt::SizeVerCursor : Qt::SizeHorCursor);
}

void SplitterBar::SetBackColor(const QColor& color) {
    QPalette p = palette();
    p.setColor(QPalette::Window, color);
    setPalette(p);
}

QColor SplitterBar::BackColor() const { return palette().color(QPalette::Window); }

void SplitterBar::mousePressEvent(QMouseEvent* event) {
    emit MouseDown(event->button(), PixelsToTwips(event->position().x()),
                   PixelsToTwips(event->position().y()));
}

void SplitterBar::mouseMoveEvent(QMouseEvent* event) {
    emit MouseMove(event->buttons(), PixelsToTwips(event->position().x()),
                   PixelsToTwips(event->position().y()));
}

void SplitterBar::mouseReleaseEvent(QMouseEvent* event) {
    emit MouseUp(event->button(), PixelsToTwips(event->position().x()),
                 PixelsToTwips(event->position().y()));
}

}  // namespace tbn::query
