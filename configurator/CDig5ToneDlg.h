#pragma once

#include "configurator/CSettingsDlg.h"

class QCheckBox;
class QLineEdit;

// The tone sent while the Dig5 input is active.
class CDig5ToneDlg : public CSettingsDlg {
    Q_OBJECT
public:
    explicit CDig5ToneDlg(UserInteraction& interaction, QWidget* parent = nullptr);

protected:
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
