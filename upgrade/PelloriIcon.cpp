#include "upgrade/PelloriIcon.h"

#include "widgets/DrawnIcon.h"

#include <QPainter>

QIcon PelloriIcon::Make()
{
    return DrawnIcon::Make([](QPainter& painter, int size) {
        // A chip with an arrow into it: a program going into flash.
        const qreal unit = size / 16.0;
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(40, 40, 48));
        painter.drawRect(QRectF(5 * unit, 4 * unit, 10 * unit, 10 * unit));
        painter.setBrush(QColor(0, 150, 70));
        const QPointF arrow[] = {{0, 7 * unit}, {4 * unit, 7 * unit}, {4 * unit, 5 * unit}, {8 * unit, 9 * unit}, {4 * unit, 13 * unit}, {4 * unit, 11 * unit}, {0, 11 * unit}};
        painter.drawPolygon(arrow, 7);
        painter.setBrush(QColor(200, 200, 210));
        for (int pin = 0; pin < 4; ++pin)
            painter.drawRect(QRectF((6 + 2.5 * pin) * unit, 2 * unit, unit, 2 * unit));
    });
}
