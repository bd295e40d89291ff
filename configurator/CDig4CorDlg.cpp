#include "configurator/CDig4CorDlg.h"

#include <QCheckBox>
#include <QLineEdit>

CDig4CorDlg::CDig4CorDlg(UserInteraction& interaction, QWidget* parent)
    : CDigitalInputDlg(interaction, parent, QStringLiteral("Dig4 Input COR Setup"), 228, 87,
                       {QStringLiteral("dig4"), QStringLiteral("Enable Dig4 as COR Input"),
                        QStringLiteral("dig4CorEnable"), &UnitConfig::dig4CorEnable, &UnitConfig::dig4ActiveHigh,
                        &UnitConfig::dig4R1, &UnitConfig::dig4R2})
{
    QCheckBox* rxMute = Bind(layout_.Check(QStringLiteral("RX Mute on Input"), QStringLiteral("dig4RxMute"), 20, 40, 90),
                             &UnitConfig::dig4RxMute);
    revert_ = Bind(layout_.Check(QStringLiteral("Revert to F1 on Timer"), QStringLiteral("dig4RevertToF1"), 20, 56, 90),
                   &UnitConfig::dig4RevertToF1);
    secondsEdit_ = Bind(layout_.Edit(QStringLiteral("dig4RevertSec"), 112, 54, 36), &UnitConfig::dig4RevertSec, 0, 30000);
    layout_.Label(QStringLiteral("Seconds"), 152, 56, 34, 10);
    AddFollowers({rxMute, revert_, secondsEdit_});

    AddOkButton(171, 7);
    AddCancelButton(171, 24);

    connect(revert_, &QCheckBox::clicked, this, [this] { OnRevertClicked(); });
}

void CDig4CorDlg::OnInitDialog()
{
    CDigitalInputDlg::OnInitDialog();
    ApplyRevertRule();
    ApplyEnableRule();
}

void CDig4CorDlg::OnRevertClicked()
{
    UpdateData(true);
    ApplyRevertRule();
}

void CDig4CorDlg::ApplyRevertRule()
{
    secondsEdit_->setEnabled(revert_->isChecked());
}
