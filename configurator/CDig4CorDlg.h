#pragma once

#include "configurator/CSettingsDlg.h"

class QCheckBox;
class QLineEdit;

// The Dig4 input used as carrier-operated relay input.
class CDig4CorDlg : public CSettingsDlg {
    Q_OBJECT
public:
    explicit CDig4CorDlg(UserInteraction& interaction, QWidget* parent = nullptr);

protected:
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
