#include "configurator/CConfigAboutDlg.h"

#include "configurator/AppIcon.h"

#include <QLabel>
#include <QPushButton>

CConfigAboutDlg::CConfigAboutDlg(QWidget* parent)
    : QDialog(parent), layout_(this, QStringLiteral("About DSP-Q47"), 235, 55)
{
    QLabel* icon = layout_.Label(QString(), 11, 14, 21, 20);
    icon->setPixmap(AppIcon::Make().pixmap(32, 32));
    layout_.Label(QStringLiteral("DSP-Q47 Setup Application Version ") + QLatin1String(kVersion), 40, 10, 134, 10);
    layout_.Label(QStringLiteral("Configures the DSP-Q47 radio interface unit."), 40, 26, 134, 20);
    QPushButton* ok = layout_.Button(QStringLiteral("OK"), 178, 7, 50, 14);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}
