#pragma once

#include "configurator/CExchangeDlg.h"
#include "configurator/UnitConfig.h"

class QCheckBox;
class QLineEdit;

// The tone sent while the Dig5 input is active.
class CDig5ToneDlg : public CExchangeDlg {
    Q_OBJECT
public:
    explicit CDig5ToneDlg(UserInteraction& interaction, QWidget* parent = nullptr);

    // The dialog\'s copies of its fields, from and into the record.
    void Load(const UnitConfig& config);
    void Store(UnitConfig& config) const;

    int dig5ToneEnable = 0;
    int dig5ActiveHigh = 1;
    int dig5R1 = 0;
    int dig5R2 = 0;
    int dig5ToneFreq = 2175;
    int dig5ToneLevel = -20;
    int dig5ToneOnMs = 0;
    int dig5ToneOffMs = 0;

protected:
    void DoDataExchange(DataExchange& exchange) override;
    void OnInitDialog() override;

private:
    void OnEnableClicked();
    // The seven other inputs are enabled exactly when "Enable Tone on Dig5 Input" is set.
    void ApplyEnableRule();

    QCheckBox* enable_;
    QCheckBox* activeHigh_;
    QCheckBox* r1_;
    QCheckBox* r2_;
    QLineEdit* freqEdit_;
    QLineEdit* levelEdit_;
    QLineEdit* onEdit_;
    QLineEdit* offEdit_;
};
