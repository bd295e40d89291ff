#include "configurator/CDig5ToneDlg.h"

#include <QLineEdit>

CDig5ToneDlg::CDig5ToneDlg(UserInteraction& interaction, QWidget* parent)
    : CDigitalInputDlg(interaction, parent, QStringLiteral("Dig5 Input Tone Setup"), 229, 110,
                       {QStringLiteral("dig5"), QStringLiteral("Enable Tone on Dig5 Input"),
                        QStringLiteral("dig5ToneEnable"), &UnitConfig::dig5ToneEnable, &UnitConfig::dig5ActiveHigh,
                        &UnitConfig::dig5R1, &UnitConfig::dig5R2})
{
    QLineEdit* freqEdit = Bind(layout_.EditRow(QStringLiteral("Tone Frequency and Level:"),
                                               QStringLiteral("dig5ToneFreq"), 10, 42, 100, 30, QStringLiteral("Hz")),
                               &UnitConfig::dig5ToneFreq, 300, 3000);
    QLineEdit* levelEdit =
        Bind(layout_.Edit(QStringLiteral("dig5ToneLevel"), 172, 42, 26), &UnitConfig::dig5ToneLevel, -40, 10);
    layout_.Label(QStringLiteral("dBm"), 201, 44, 24, 10);
    QLineEdit* onEdit = Bind(layout_.EditRow(QStringLiteral("Tone On Time:"), QStringLiteral("dig5ToneOnMs"), 10, 58,
                                             100, 30, QStringLiteral("msec")),
                             &UnitConfig::dig5ToneOnMs, 0, 65000);
    QLineEdit* offEdit = Bind(layout_.EditRow(QStringLiteral("Tone Off Time:"), QStringLiteral("dig5ToneOffMs"), 10,
                                              74, 100, 30, QStringLiteral("msec")),
                              &UnitConfig::dig5ToneOffMs, 0, 65000);
    AddFollowers({freqEdit, levelEdit, onEdit, offEdit});

    AddOkButton(59, 91);
    AddCancelButton(119, 91);
}

void CDig5ToneDlg::OnInitDialog()
{
    CDigitalInputDlg::OnInitDialog();
    ApplyEnableRule();
}
