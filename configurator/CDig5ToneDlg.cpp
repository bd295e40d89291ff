#include "configurator/CDig5ToneDlg.h"

#include <QCheckBox>
#include <QLineEdit>

CDig5ToneDlg::CDig5ToneDlg(UserInteraction& interaction, QWidget* parent)
    : CSettingsDlg(interaction, parent, QStringLiteral("Dig5 Input Tone Setup"), 229, 110)
{
    enable_ = layout_.Check(QStringLiteral("Enable Tone on Dig5 Input"), 10, 8, 120);
    enable_->setObjectName(QStringLiteral("dig5ToneEnable"));
    activeHigh_ = layout_.Check(QStringLiteral("Active High"), 20, 24, 60);
    activeHigh_->setObjectName(QStringLiteral("dig5ActiveHigh"));
    r1_ = layout_.Check(QStringLiteral("R1"), 90, 24, 26);
    r1_->setObjectName(QStringLiteral("dig5R1"));
    r2_ = layout_.Check(QStringLiteral("R2"), 122, 24, 26);
    r2_->setObjectName(QStringLiteral("dig5R2"));

    freqEdit_ = layout_.EditRow(QStringLiteral("Tone Frequency and Level:"), QStringLiteral("dig5ToneFreq"),
                                10, 42, 100, 30, QStringLiteral("Hz"));
    levelEdit_ = layout_.Edit(172, 42, 26);
    levelEdit_->setObjectName(QStringLiteral("dig5ToneLevel"));
    layout_.Label(QStringLiteral("dBm"), 201, 44, 24, 10);
    onEdit_ = layout_.EditRow(QStringLiteral("Tone On Time:"), QStringLiteral("dig5ToneOnMs"), 10, 58,
                              100, 30, QStringLiteral("msec"));
    offEdit_ = layout_.EditRow(QStringLiteral("Tone Off Time:"), QStringLiteral("dig5ToneOffMs"), 10, 74,
                               100, 30, QStringLiteral("msec"));

    AddOkButton(59, 91);
    AddCancelButton(119, 91);

    connect(enable_, &QCheckBox::clicked, this, [this] { OnEnableClicked(); });
}

void CDig5ToneDlg::DoDataExchange(DataExchange& exchange)
{
    exchange.Check(enable_, config.dig5ToneEnable);
    exchange.Check(activeHigh_, config.dig5ActiveHigh);
    exchange.Check(r1_, config.dig5R1);
    exchange.Check(r2_, config.dig5R2);
    exchange.Integer(freqEdit_, config.dig5ToneFreq, 300, 3000);
    exchange.Integer(levelEdit_, config.dig5ToneLevel, -40, 10);
    exchange.Integer(onEdit_, config.dig5ToneOnMs, 0, 65000);
    exchange.Integer(offEdit_, config.dig5ToneOffMs, 0, 65000);
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
