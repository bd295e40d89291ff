#pragma once

#include "configurator/CDigitalInputDlg.h"

class QCheckBox;
class QLineEdit;

// The Dig4 input used as carrier-operated relay input.
class CDig4CorDlg : public CDigitalInputDlg {
    Q_OBJECT
public:
    explicit CDig4CorDlg(UserInteraction& interaction, QWidget* parent = nullptr);

protected:
    void OnInitDialog() override;

private:
    void OnRevertClicked();
    // "Seconds" is enabled exactly when "Revert to F1 on Timer" is set.
    void ApplyRevertRule();

    QCheckBox* revert_;
    QLineEdit* secondsEdit_;
};
