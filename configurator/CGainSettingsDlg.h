#pragma once

#include "configurator/CSettingsDlg.h"

class QLineEdit;

// The four gains, each -40...10.
class CGainSettingsDlg : public CSettingsDlg {
    Q_OBJECT
public:
    explicit CGainSettingsDlg(UserInteraction& interaction, QWidget* parent = nullptr);

protected:
    void DoDataExchange(DataExchange& exchange) override;

private:
    QLineEdit* sidetoneEdit_;
    QLineEdit* radioTxEdit_;
    QLineEdit* lineTxEdit_;
    QLineEdit* ctcssEdit_;
};
