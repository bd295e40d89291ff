#pragma once

#include "configurator/CExchangeDlg.h"
#include "configurator/UnitConfig.h"

class QCheckBox;
class QLineEdit;

// The Dig4 input used as carrier-operated relay input.
class CDig4CorDlg : public CExchangeDlg {
    Q_OBJECT
public:
    explicit CDig4CorDlg(UserInteraction& interaction, QWidget* parent = nullptr);

    // The dialog\'s copies of its fields, from and into the record.
    void Load(const UnitConfig& config);
    void Store(UnitConfig& config) const;

    int dig4CorEnable = 0;
    int dig4ActiveHigh = 0;
    int dig4R1 = 0;
    int dig4R2 = 0;
    int dig4RxMute = 0;
    int dig4RevertToF1 = 0;
    int dig4RevertSec = 0;

protected:
    void DoDataExchange(DataExchange& exchange) override;
    void OnInitDialog() override;

private:
    void OnRevertClicked();
    void OnEnableClicked();
    // "Seconds" is enabled exactly when "Revert to F1 on Timer" is set.
    void ApplyRevertRule();
    // The six other inputs follow "Enable Dig4 as COR Input".
    void ApplyEnableRule();

    QCheckBox* enable_;
    QCheckBox* activeHigh_;
    QCheckBox* r1_;
    QCheckBox* r2_;
    QCheckBox* rxMute_;
    QCheckBox* revert_;
    QLineEdit* secondsEdit_;
};
