#include "upgrade/CPelloriAboutDlg.h"

#include "upgrade/PelloriIcon.h"
#include "widgets/DialogUnits.h"

#include <QLabel>
#include <QPushButton>

CPelloriAboutDlg::CPelloriAboutDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Pellori"));
    setFont(DialogUnits::DialogFont());
    const DialogUnits units(font());
    setFixedSize(units.X(235), units.Y(79));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("icon"));
    icon->setPixmap(PelloriIcon::Make().pixmap(32, 32));
    icon->setGeometry(units.Rect(11, 17, 20, 20));

    auto* text = new QLabel(QStringLiteral("Software Upgrade Utility\n\nVersion ") + QLatin1String(kVersion), this);
    text->setObjectName(QStringLiteral("text"));
    text->setGeometry(units.Rect(40, 10, 119, 40));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    ok->setGeometry(units.Rect(178, 7, 50, 14));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}
