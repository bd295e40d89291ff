#include "configurator/CTxAudioDlg.h"

#include <QCheckBox>

CTxAudioDlg::CTxAudioDlg(UserInteraction& interaction, QWidget* parent)
    : CSettingsDlg(interaction, parent, QStringLiteral("TX Audio Parameters"), 181, 78)
{
    agc_ = layout_.LeftTextCheck(QStringLiteral("AGC:"), 10, 10, 100);
    agc_->setObjectName(QStringLiteral("txAgc"));
    addCtcss_ = layout_.LeftTextCheck(QStringLiteral("Add CTCSS to TX:"), 10, 25, 100);
    addCtcss_->setObjectName(QStringLiteral("txAddCtcss"));
    preEmphasis_ = layout_.LeftTextCheck(QStringLiteral("Pre-Emphasize Audio:"), 10, 40, 100);
    preEmphasis_->setObjectName(QStringLiteral("txPreEmphasis"));
    lowPass_ = layout_.LeftTextCheck(QStringLiteral("3.5kHz Low Pass Filter:"), 10, 55, 100);
    lowPass_->setObjectName(QStringLiteral("txLowPass"));
    AddOkButton(124, 7);
    AddCancelButton(124, 24);
}

void CTxAudioDlg::DoDataExchange(DataExchange& exchange)
{
    exchange.Check(agc_, config.txAgc);
    exchange.Check(addCtcss_, config.txAddCtcss);
    exchange.Check(preEmphasis_, config.txPreEmphasis);
    exchange.Check(lowPass_, config.txLowPass);
}
