#pragma once

#include "configurator/CExchangeDlg.h"
#include "configurator/UnitConfig.h"

class QLineEdit;

// The four gains, each -40...10.
class CGainSettingsDlg : public CExchangeDlg {
    Q_OBJECT
public:
    explicit CGainSettingsDlg(UserInteraction& interaction, QWidget* parent = nullptr);

    // The dialog\'s copies of its fields, from and into the record.
    void Load(const UnitConfig& config);
    void Store(UnitConfig& config) const;

    int sidetoneGain = 0;
    int radioTxGain = 0;
    int lineTxGain = 0;
    int ctcssGain = 0;

protected:
    void DoDataExchange(DataExchange& exchange) override;

private:
    QLineEdit* sidetoneEdit_;
    QLineEdit* radioTxEdit_;
    QLineEdit* lineTxEdit_;
    QLineEdit* ctcssEdit_;
};
