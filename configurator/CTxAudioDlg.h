#pragma once

#include "configurator/CSettingsDlg.h"

// The transmit audio filters.
class CTxAudioDlg : public CSettingsDlg {
    Q_OBJECT
public:
    explicit CTxAudioDlg(UserInteraction& interaction, QWidget* parent = nullptr);
};
