#include "configurator/CGainSettingsDlg.h"

#include <QLineEdit>

namespace {
constexpr int kMinGain = -40;
constexpr int kMaxGain = 10;
}  // namespace

CGainSettingsDlg::CGainSettingsDlg(UserInteraction& interaction, QWidget* parent)
    : CSettingsDlg(interaction, parent, QStringLiteral("DSP-Q47 Gain Settings"), 217, 98)
{
    sidetoneEdit_ = layout_.EditRow(QStringLiteral("Handset Sidetone Gain"), QStringLiteral("sidetoneGain"), 10, 12, 92, 36);
    radioTxEdit_ = layout_.EditRow(QStringLiteral("Radio TX Gain"), QStringLiteral("radioTxGain"), 10, 32, 92, 36);
    lineTxEdit_ = layout_.EditRow(QStringLiteral("Line TX Gain"), QStringLiteral("lineTxGain"), 10, 52, 92, 36);
    ctcssEdit_ = layout_.EditRow(QStringLiteral("CTCSS Gain"), QStringLiteral("ctcssGain"), 10, 72, 92, 36);
    AddOkButton(160, 10);
    AddCancelButton(160, 28);
}

void CGainSettingsDlg::DoDataExchange(DataExchange& exchange)
{
    exchange.Integer(sidetoneEdit_, config.sidetoneGain, kMinGain, kMaxGain);
    exchange.Integer(radioTxEdit_, config.radioTxGain, kMinGain, kMaxGain);
    exchange.Integer(lineTxEdit_, config.lineTxGain, kMinGain, kMaxGain);
    exchange.Integer(ctcssEdit_, config.ctcssGain, kMinGain, kMaxGain);
}
