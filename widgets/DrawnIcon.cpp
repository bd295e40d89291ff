#include "widgets/DrawnIcon.h"

#include <QPainter>
#include <QPixmap>

QIcon DrawnIcon::Make(const std::function<void(QPainter& painter, int size)>& draw)
{
    QIcon icon;
    for (int size : {16, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        draw(painter, size);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
