#pragma once

#include "configurator/CExchangeDlg.h"

class QCheckBox;

// The transmit audio filters.
class CTxAudioDlg : public CExchangeDlg {
    Q_OBJECT
public:
    explicit CTxAudioDlg(UserInteraction& interaction, QWidget* parent = nullptr);

    int txAgc = 0;
    int txAddCtcss = 0;
    int txPreEmphasis = 0;
    int txLowPass = 0;

protected:
    void DoDataExchange(DataExchange& exchange) override;

private:
    QCheckBox* agc_;
    QCheckBox* addCtcss_;
    QCheckBox* preEmphasis_;
    QCheckBox* lowPass_;
};
