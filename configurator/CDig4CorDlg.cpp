#include "configurator/CDig4CorDlg.h"

#include <QCheckBox>
#include <QLineEdit>

CDig4CorDlg::CDig4CorDlg(UserInteraction& interaction, QWidget* parent)
    : CSettingsDlg(interaction, parent, QStringLiteral("Dig4 Input COR Setup"), 228, 87)
{
    enable_ = layout_.Check(QStringLiteral("Enable Dig4 as COR Input"), 10, 8, 120);
    enable_->setObjectName(QStringLiteral("dig4CorEnable"));
    activeHigh_ = layout_.Check(QStringLiteral("Active High"), 20, 24, 60);
    activeHigh_->setObjectName(QStringLiteral("dig4ActiveHigh"));
    r1_ = layout_.Check(QStringLiteral("R1"), 90, 24, 26);
    r1_->setObjectName(QStringLiteral("dig4R1"));
    r2_ = layout_.Check(QStringLiteral("R2"), 122, 24, 26);
    r2_->setObjectName(QStringLiteral("dig4R2"));
    rxMute_ = layout_.Check(QStringLiteral("RX Mute on Input"), 20, 40, 90);
    rxMute_->setObjectName(QStringLiteral("dig4RxMute"));
    revert_ = layout_.Check(QStringLiteral("Revert to F1 on Timer"), 20, 56, 90);
    revert_->setObjectName(QStringLiteral("dig4RevertToF1"));
    secondsEdit_ = layout_.Edit(112, 54, 36);
    secondsEdit_->setObjectName(QStringLiteral("dig4RevertSec"));
    layout_.Label(QStringLiteral("Seconds"), 152, 56, 34, 10);

    AddOkButton(171, 7);
    AddCancelButton(171, 24);

    connect(revert_, &QCheckBox::clicked, this, [this] { OnRevertClicked(); });
    connect(enable_, &QCheckBox::clicked, this, [this] { OnEnableClicked(); });
}

void CDig4CorDlg::DoDataExchange(DataExchange& exchange)
{
    exchange.Check(enable_, config.dig4CorEnable);
    exchange.Check(activeHigh_, config.dig4ActiveHigh);
    exchange.Check(r1_, config.dig4R1);
    exchange.Check(r2_, config.dig4R2);
    exchange.Check(rxMute_, config.dig4RxMute);
    exchange.Check(revert_, config.dig4RevertToF1);
    exchange.Integer(secondsEdit_, config.dig4RevertSec, 0, 30000);
}

void CDig4CorDlg::OnInitDialog()
{
    CSettingsDlg::OnInitDialog();
    ApplyRevertRule();
    ApplyEnableRule();
}

void CDig4CorDlg::OnRevertClicked()
{
    UpdateData(true);
    ApplyRevertRule();
}

void CDig4CorDlg::OnEnableClicked()
{
    UpdateData(true);
    ApplyEnableRule();
}

void CDig4CorDlg::ApplyRevertRule()
{
    secondsEdit_->setEnabled(revert_->isChecked());
}

void CDig4CorDlg::ApplyEnableRule()
{
    const bool enabled = enable_->isChecked();
    for (QWidget* input :
         std::initializer_list<QWidget*>{secondsEdit_, activeHigh_, rxMute_, revert_, r1_, r2_})
        input->setEnabled(enabled);
}
