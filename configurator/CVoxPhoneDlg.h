#pragma once

#include "configurator/CExchangeDlg.h"
#include "configurator/UnitConfig.h"

class QCheckBox;
class QLineEdit;

// VOX trigger and time-outs, hold tone and the phone interface.
class CVoxPhoneDlg : public CExchangeDlg {
    Q_OBJECT
public:
    explicit CVoxPhoneDlg(UserInteraction& interaction, QWidget* parent = nullptr);

    // The dialog\'s copies of its fields, from and into the record.
    void Load(const UnitConfig& config);
    void Store(UnitConfig& config) const;

    int voxTriggerLevel = -10;
    int voxTimeoutSec = 120;
    int callTimeoutMin = 0;
    int alwaysSendHoldTone = 0;
    int phoneInstalled = 0;

protected:
    void DoDataExchange(DataExchange& exchange) override;

private:
    QLineEdit* triggerEdit_;
    QLineEdit* voxTimeoutEdit_;
    QLineEdit* callTimeoutEdit_;
    QCheckBox* holdTone_;
    QCheckBox* phone_;
};
