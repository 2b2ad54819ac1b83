#include "connections/ConnectionIcon.h"

#include <QPainter>
#include <QPixmap>

namespace tbn::connections {

QIcon ConnectionIcon() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(30, 60, 120));
    p.setBrush(QColor(90, 140, 210));
    p.drawRect(QRectF(2.5, 4, 11, 9));
    p.drawEllipse(QRectF(2.5, 10, 11, 5));
    p.setBrush(QColor(150, 190, 240));
    p.drawEllipse(QRectF(2.5, 1.5, 11, 5));
    return QIcon(pixmap);
}

}  // namespace tbn::connections
