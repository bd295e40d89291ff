#include "monitor/app/CVarnixView.h"

CVarnixView::CVarnixView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("view"));
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);
}

void CVarnixView::paintEvent(QPaintEvent*)
{
}
