#pragma once

#include "configurator/CSettingsDlg.h"

class QCheckBox;

// The transmit audio filters.
class CTxAudioDlg : public CSettingsDlg {
    Q_OBJECT
public:
    explicit CTxAudioDlg(UserInteraction& interaction, QWidget* parent = nullptr);

protected:
    void DoDataExchange(DataExchange& exchange) override;

private:
    QCheckBox* agc_;
    QCheckBox* addCtcss_;
    QCheckBox* preEmphasis_;
    QCheckBox* lowPass_;
};
