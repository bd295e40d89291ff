#pragma once

#include "configurator/CDigitalInputDlg.h"

// The tone sent while the Dig5 input is active.
class CDig5ToneDlg : public CDigitalInputDlg {
    Q_OBJECT
public:
    explicit CDig5ToneDlg(UserInteraction& interaction, QWidget* parent = nullptr);

protected:
    void OnInitDialog() override;
};
