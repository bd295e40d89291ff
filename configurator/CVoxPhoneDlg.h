#pragma once

#include "configurator/CSettingsDlg.h"

class QCheckBox;
class QLineEdit;

// VOX trigger and time-outs, hold tone and the phone interface.
class CVoxPhoneDlg : public CSettingsDlg {
    Q_OBJECT
public:
    explicit CVoxPhoneDlg(UserInteraction& interaction, QWidget* parent = nullptr);

protected:
    void DoDataExchange(DataExchange& exchange) override;

private:
    QLineEdit* triggerEdit_;
    QLineEdit* voxTimeoutEdit_;
    QLineEdit* callTimeoutEdit_;
    QCheckBox* holdTone_;
    QCheckBox* phone_;
};
