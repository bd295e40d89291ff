#include "configurator/CTxAudioDlg.h"

CTxAudioDlg::CTxAudioDlg(UserInteraction& interaction, QWidget* parent)
    : CSettingsDlg(interaction, parent, QStringLiteral("TX Audio Parameters"), 181, 78)
{
    Bind(layout_.LeftTextCheck(QStringLiteral("AGC:"), QStringLiteral("txAgc"), 10, 10, 100), &UnitConfig::txAgc);
    Bind(layout_.LeftTextCheck(QStringLiteral("Add CTCSS to TX:"), QStringLiteral("txAddCtcss"), 10, 25, 100),
         &UnitConfig::txAddCtcss);
    Bind(layout_.LeftTextCheck(QStringLiteral("Pre-Emphasize Audio:"), QStringLiteral("txPreEmphasis"), 10, 40, 100),
         &UnitConfig::txPreEmphasis);
    Bind(layout_.LeftTextCheck(QStringLiteral("3.5kHz Low Pass Filter:"), QStringLiteral("txLowPass"), 10, 55, 100),
         &UnitConfig::txLowPass);
    AddOkButton(124, 7);
    AddCancelButton(124, 24);
}
