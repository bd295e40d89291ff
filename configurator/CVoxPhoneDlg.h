#pragma once

#include "configurator/CSettingsDlg.h"

// VOX trigger and time-outs, hold tone and the phone interface.
class CVoxPhoneDlg : public CSettingsDlg {
    Q_OBJECT
public:
    explicit CVoxPhoneDlg(UserInteraction& interaction, QWidget* parent = nullptr);
};
