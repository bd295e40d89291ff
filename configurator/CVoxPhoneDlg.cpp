#include "configurator/CVoxPhoneDlg.h"

#include <QCheckBox>
#include <QLineEdit>

CVoxPhoneDlg::CVoxPhoneDlg(UserInteraction& interaction, QWidget* parent)
    : CSettingsDlg(interaction, parent, QStringLiteral("Dialog"), 203, 103)
{
    triggerEdit_ = layout_.EditRow(QStringLiteral("VOX Trigger Level:"), QStringLiteral("voxTriggerLevel"), 10, 10, 72, 30, QStringLiteral("dBm"));
    voxTimeoutEdit_ = layout_.EditRow(QStringLiteral("VOX Timeout:"), QStringLiteral("voxTimeoutSec"), 10, 28, 72, 30, QStringLiteral("sec"));
    callTimeoutEdit_ = layout_.EditRow(QStringLiteral("Call Timeout:"), QStringLiteral("callTimeoutMin"), 10, 46, 72, 30, QStringLiteral("min"));
    holdTone_ = layout_.LeftTextCheck(QStringLiteral("Always Send Hold Tone:"), 10, 66, 114);
    holdTone_->setObjectName(QStringLiteral("alwaysSendHoldTone"));
    phone_ = layout_.LeftTextCheck(QStringLiteral("Phone Interface Installed:"), 10, 82, 114);
    phone_->setObjectName(QStringLiteral("phoneInstalled"));
    AddOkButton(146, 7);
    AddCancelButton(146, 24);
}

void CVoxPhoneDlg::DoDataExchange(DataExchange& exchange)
{
    exchange.Integer(triggerEdit_, config.voxTriggerLevel, -40, 10);
    exchange.Integer(voxTimeoutEdit_, config.voxTimeoutSec, 0, 600);
    exchange.Integer(callTimeoutEdit_, config.callTimeoutMin, 0, 180);
    exchange.Check(holdTone_, config.alwaysSendHoldTone);
    exchange.Check(phone_, config.phoneInstalled);
}
