#include "configurator/AppIcon.h"

#include <QFont>
#include <QPainter>
#include <QPixmap>

QIcon AppIcon::Make()
{
    QIcon icon;
    for (int size : {16, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(QColor(0, 64, 128));
        painter.setPen(Qt::NoPen);
        painter.drawRoundedRect(QRectF(0, 0, size, size), size / 6.0, size / 6.0);
        painter.setPen(Qt::white);
        QFont font;
        font.setPixelSize(size / 2);
        font.setBold(true);
        painter.setFont(font);
        painter.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("Q47"));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
