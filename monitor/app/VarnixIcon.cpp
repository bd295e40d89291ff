#include "monitor/app/VarnixIcon.h"

#include <QPainter>
#include <QPixmap>

QIcon VarnixIcon::Make()
{
    // A chip with a "V" on it, drawn so that no image file has to ship.
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::darkGray, 2));
    for (int pin = 8; pin <= 24; pin += 4) {
        painter.drawLine(pin, 1, pin, 5);
        painter.drawLine(pin, 27, pin, 31);
    }
    painter.setBrush(QColor(0x20, 0x40, 0x80));
    painter.drawRoundedRect(QRectF(3, 5, 26, 22), 3, 3);
    painter.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(QPolygonF({QPointF(10, 10), QPointF(16, 22), QPointF(22, 10)}));
    painter.end();
    return QIcon(pixmap);
}
