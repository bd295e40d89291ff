#include "configurator/AppIcon.h"

#include "widgets/DrawnIcon.h"

#include <QFont>
#include <QPainter>

QIcon AppIcon::Make()
{
    return DrawnIcon::Make([](QPainter& painter, int size) {
        painter.setBrush(QColor(0, 64, 128));
        painter.setPen(Qt::NoPen);
        painter.drawRoundedRect(QRectF(0, 0, size, size), size / 6.0, size / 6.0);
        painter.setPen(Qt::white);
        QFont font;
        font.setPixelSize(size / 2);
        font.setBold(true);
        painter.setFont(font);
        painter.drawText(QRect(0, 0, size, size), Qt::AlignCenter, QStringLiteral("Q47"));
    });
}
