#include "configurator/CDig4CorDlg.h"

#include <QCheckBox>
#include <QLineEdit>

CDig4CorDlg::CDig4CorDlg(UserInteraction& interaction, QWidget* parent)
    : CSettingsDlg(interaction, parent, QStringLiteral("Dig4 Input COR Setup"), 228, 87)
{
    enable_ = Bind(layout_.Check(QStringLiteral("Enable Dig4 as COR Input"), QStringLiteral("dig4CorEnable"), 10, 8, 120),
                   &UnitConfig::dig4CorEnable);
    activeHigh_ = Bind(layout_.Check(QStringLiteral("Active High"), QStringLiteral("dig4ActiveHigh"), 20, 24, 60),
                       &UnitConfig::dig4ActiveHigh);
    r1_ = Bind(layout_.Check(QStringLiteral("R1"), QStringLiteral("dig4R1"), 90, 24, 26), &UnitConfig::dig4R1);
    r2_ = Bind(layout_.Check(QStringLiteral("R2"), QStringLiteral("dig4R2"), 122, 24, 26), &UnitConfig::dig4R2);
    rxMute_ = Bind(layout_.Check(QStringLiteral("RX Mute on Input"), QStringLiteral("dig4RxMute"), 20, 40, 90),
                   &UnitConfig::dig4RxMute);
    revert_ = Bind(layout_.Check(QStringLiteral("Revert to F1 on Timer"), QStringLiteral("dig4RevertToF1"), 20, 56, 90),
                   &UnitConfig::dig4RevertToF1);
    secondsEdit_ = Bind(layout_.Edit(QStringLiteral("dig4RevertSec"), 112, 54, 36), &UnitConfig::dig4RevertSec, 0, 30000);
    layout_.Label(QStringLiteral("Seconds"), 152, 56, 34, 10);

    AddOkButton(171, 7);
    AddCancelButton(171, 24);

    connect(revert_, &QCheckBox::clicked, this, [this] { OnRevertClicked(); });
    connect(enable_, &QCheckBox::clicked, this, [this] { OnEnableClicked(); });
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
