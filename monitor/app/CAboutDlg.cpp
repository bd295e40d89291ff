#include "monitor/app/CAboutDlg.h"

#include "monitor/app/VarnixIcon.h"
#include "monitor/app/VarnixResources.h"
#include "widgets/DialogUnits.h"

#include <QLabel>
#include <QPushButton>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setFont(DialogUnits::DialogFont());
    setWindowTitle(QString::fromLatin1(VarnixResources::kAboutCaption));
    const DialogUnits units(font());
    setFixedSize(units.X(235), units.Y(55));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("icon"));
    icon->setPixmap(VarnixIcon::Make().pixmap(32, 32));
    icon->setGeometry(units.Rect(11, 17, 20, 20));

    auto* version = new QLabel(QStringLiteral("Varnix Version ") + QLatin1String(VarnixResources::kVersion), this);
    version->setObjectName(QStringLiteral("version"));
    version->setGeometry(units.Rect(40, 10, 119, 8));

    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setObjectName(QStringLiteral("ok"));
    ok_->setGeometry(units.Rect(178, 7, 50, 14));
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
}
