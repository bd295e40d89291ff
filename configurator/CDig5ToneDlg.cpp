#include "configurator/CDig5ToneDlg.h"

#include <QCheckBox>
#include <QLineEdit>

CDig5ToneDlg::CDig5ToneDlg(UserInteraction& interaction, QWidget* parent)
    : CSettingsDlg(interaction, parent, QStringLiteral("Dig5 Input Tone Setup"), 229, 110)
{
    enable_ = Bind(layout_.Check(QStringLiteral("Enable Tone on Dig5 Input"), QStringLiteral("dig5ToneEnable"), 10, 8, 120),
                   &UnitConfig::dig5ToneEnable);
    activeHigh_ = Bind(layout_.Check(QStringLiteral("Active High"), QStringLiteral("dig5ActiveHigh"), 20, 24, 60),
                       &UnitConfig::dig5ActiveHigh);
    r1_ = Bind(layout_.Check(QStringLiteral("R1"), QStringLiteral("dig5R1"), 90, 24, 26), &UnitConfig::dig5R1);
    r2_ = Bind(layout_.Check(QStringLiteral("R2"), QStringLiteral("dig5R2"), 122, 24, 26), &UnitConfig::dig5R2);

    freqEdit_ = Bind(layout_.EditRow(QStringLiteral("Tone Frequency and Level:"), QStringLiteral("dig5ToneFreq"),
                                     10, 42, 100, 30, QStringLiteral("Hz")),
                     &UnitConfig::dig5ToneFreq, 300, 3000);
    levelEdit_ = Bind(layout_.Edit(QStringLiteral("dig5ToneLevel"), 172, 42, 26), &UnitConfig::dig5ToneLevel, -40, 10);
    layout_.Label(QStringLiteral("dBm"), 201, 44, 24, 10);
    onEdit_ = Bind(layout_.EditRow(QStringLiteral("Tone On Time:"), QStringLiteral("dig5ToneOnMs"), 10, 58, 100, 30,
                                   QStringLiteral("msec")),
                   &UnitConfig::dig5ToneOnMs, 0, 65000);
    offEdit_ = Bind(layout_.EditRow(QStringLiteral("Tone Off Time:"), QStringLiteral("dig5ToneOffMs"), 10, 74, 100, 30,
                                    QStringLiteral("msec")),
                    &UnitConfig::dig5ToneOffMs, 0, 65000);

    AddOkButton(59, 91);
    AddCancelButton(119, 91);

    connect(enable_, &QCheckBox::clicked, this, [this] { OnEnableClicked(); });
}

void CDig5ToneDlg::OnInitDialog()
{
    CSettingsDlg::OnInitDialog();
    ApplyEnableRule();
}

void CDig5ToneDlg::OnEnableClicked()
{
    UpdateData(true);
    ApplyEnableRule();
}

void CDig5ToneDlg::ApplyEnableRule()
{
    const bool enabled = enable_->isChecked();
    for (QWidget* input : std::initializer_list<QWidget*>{activeHigh_, r1_, r2_, freqEdit_, levelEdit_,
                                                          onEdit_, offEdit_})
        input->setEnabled(enabled);
}
