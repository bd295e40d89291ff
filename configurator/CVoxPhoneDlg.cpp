#include "configurator/CVoxPhoneDlg.h"

CVoxPhoneDlg::CVoxPhoneDlg(UserInteraction& interaction, QWidget* parent)
    : CSettingsDlg(interaction, parent, QStringLiteral("Dialog"), 203, 103)
{
    Bind(layout_.EditRow(QStringLiteral("VOX Trigger Level:"), QStringLiteral("voxTriggerLevel"), 10, 10, 72, 30,
                         QStringLiteral("dBm")),
         &UnitConfig::voxTriggerLevel, -40, 10);
    Bind(layout_.EditRow(QStringLiteral("VOX Timeout:"), QStringLiteral("voxTimeoutSec"), 10, 28, 72, 30,
                         QStringLiteral("sec")),
         &UnitConfig::voxTimeoutSec, 0, 600);
    Bind(layout_.EditRow(QStringLiteral("Call Timeout:"), QStringLiteral("callTimeoutMin"), 10, 46, 72, 30,
                         QStringLiteral("min")),
         &UnitConfig::callTimeoutMin, 0, 180);
    Bind(layout_.LeftTextCheck(QStringLiteral("Always Send Hold Tone:"), QStringLiteral("alwaysSendHoldTone"), 10, 66,
                               114),
         &UnitConfig::alwaysSendHoldTone);
    Bind(layout_.LeftTextCheck(QStringLiteral("Phone Interface Installed:"), QStringLiteral("phoneInstalled"), 10, 82,
                               114),
         &UnitConfig::phoneInstalled);
    AddOkButton(146, 7);
    AddCancelButton(146, 24);
}
