#include "configurator/CGainSettingsDlg.h"

namespace {
constexpr int kMinGain = -40;
constexpr int kMaxGain = 10;
}  // namespace

CGainSettingsDlg::CGainSettingsDlg(UserInteraction& interaction, QWidget* parent)
    : CSettingsDlg(interaction, parent, QStringLiteral("DSP-Q47 Gain Settings"), 217, 98)
{
    Bind(layout_.EditRow(QStringLiteral("Handset Sidetone Gain"), QStringLiteral("sidetoneGain"), 10, 12, 92, 36),
         &UnitConfig::sidetoneGain, kMinGain, kMaxGain);
    Bind(layout_.EditRow(QStringLiteral("Radio TX Gain"), QStringLiteral("radioTxGain"), 10, 32, 92, 36),
         &UnitConfig::radioTxGain, kMinGain, kMaxGain);
    Bind(layout_.EditRow(QStringLiteral("Line TX Gain"), QStringLiteral("lineTxGain"), 10, 52, 92, 36),
         &UnitConfig::lineTxGain, kMinGain, kMaxGain);
    Bind(layout_.EditRow(QStringLiteral("CTCSS Gain"), QStringLiteral("ctcssGain"), 10, 72, 92, 36),
         &UnitConfig::ctcssGain, kMinGain, kMaxGain);
    AddOkButton(160, 10);
    AddCancelButton(160, 28);
}
