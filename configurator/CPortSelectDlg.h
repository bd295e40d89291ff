#pragma once

#include "configurator/CExchangeDlg.h"

class QButtonGroup;

// The serial port for the transfers: "Com 1" (0) or "Com 2" (1). The dialog opens with
// the current port chosen; OK with no button chosen keeps the current port.
class CPortSelectDlg : public CExchangeDlg {
    Q_OBJECT
public:
    explicit CPortSelectDlg(UserInteraction& interaction, QWidget* parent = nullptr);

    int portSelection = 0;

protected:
    void DoDataExchange(DataExchange& exchange) override;

private:
    QButtonGroup* ports_;
};
