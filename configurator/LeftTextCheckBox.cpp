#include "configurator/LeftTextCheckBox.h"

#include <QStyleOptionButton>
#include <QStylePainter>

LeftTextCheckBox::LeftTextCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent)
{
}

void LeftTextCheckBox::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);

    const int boxWidth = style()->pixelMetric(QStyle::PM_IndicatorWidth, &option, this);
    const int boxHeight = style()->pixelMetric(QStyle::PM_IndicatorHeight, &option, this);
    QStyleOptionButton box = option;
    box.rect = QRect(width() - boxWidth, (height() - boxHeight) / 2, boxWidth, boxHeight);
    painter.drawPrimitive(QStyle::PE_IndicatorCheckBox, box);

    const QRect textRect(0, 0, width() - boxWidth - 4, height());
    painter.drawItemText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic,
                         option.palette, isEnabled(), text(), QPalette::WindowText);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = textRect;
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

bool LeftTextCheckBox::hitButton(const QPoint& pos) const
{
    return rect().contains(pos);
}
