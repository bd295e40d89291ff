#pragma once

#include "configurator/CSettingsDlg.h"

// The four gains, each -40...10.
class CGainSettingsDlg : public CSettingsDlg {
    Q_OBJECT
public:
    explicit CGainSettingsDlg(UserInteraction& interaction, QWidget* parent = nullptr);
};
