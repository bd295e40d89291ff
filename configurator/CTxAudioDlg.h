#pragma once

#include "configurator/CExchangeDlg.h"
#include "configurator/UnitConfig.h"

class QCheckBox;

// The transmit audio filters.
class CTxAudioDlg : public CExchangeDlg {
    Q_OBJECT
public:
    explicit CTxAudioDlg(UserInteraction& interaction, QWidget* parent = nullptr);

    // The dialog\'s copies of its fields, from and into the record.
    void Load(const UnitConfig& config);
    void Store(UnitConfig& config) const;

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
