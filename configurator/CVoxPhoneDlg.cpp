#include "configurator/CVoxPhoneDlg.h"

#include <QCheckBox>
#include <QLineEdit>

CVoxPhoneDlg::CVoxPhoneDlg(UserInteraction& interaction, QWidget* parent)
    : CExchangeDlg(interaction, parent, QStringLiteral("Dialog"), 203, 103)
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
    exchange.Integer(triggerEdit_, voxTriggerLevel, -40, 10);
    exchange.Integer(voxTimeoutEdit_, voxTimeoutSec, 0, 600);
    exchange.Integer(callTimeoutEdit_, callTimeoutMin, 0, 180);
    exchange.Check(holdTone_, alwaysSendHoldTone);
    exchange.Check(phone_, phoneInstalled);
}

void CVoxPhoneDlg::Load(const UnitConfig& config)
{
    voxTriggerLevel = config.voxTriggerLevel;
    voxTimeoutSec = config.voxTimeoutSec;
    callTimeoutMin = config.callTimeoutMin;
    alwaysSendHoldTone = config.alwaysSendHoldTone;
    phoneInstalled = config.phoneInstalled;
}

void CVoxPhoneDlg::Store(UnitConfig& config) const
{
    config.voxTriggerLevel = voxTriggerLevel;
    config.voxTimeoutSec = voxTimeoutSec;
    config.callTimeoutMin = callTimeoutMin;
    config.alwaysSendHoldTone = alwaysSendHoldTone;
    config.phoneInstalled = phoneInstalled;
}
