#pragma once

#include "configurator/CExchangeDlg.h"
#include "configurator/UnitConfig.h"

#include <vector>

class QCheckBox;
class QLineEdit;

// Base of the dialogs that edit a group of the record's settings. The dialog edits its
// own copy of the whole record, `config`: its exchange binds each control to a field of
// that copy. The main dialog puts the record into the copy before the dialog runs and
// takes the copy back as the record when the dialog ends with OK.
class CSettingsDlg : public CExchangeDlg {
    Q_OBJECT
public:
    CSettingsDlg(UserInteraction& interaction, QWidget* parent, const QString& title, int width,
                 int height);

    UnitConfig config;

protected:
    using Field = int UnitConfig::*;

    // Binds a check box to a field of `config`, 1 when checked.
    QCheckBox* Bind(QCheckBox* box, Field field);
    // Binds an edit to a field of `config` that takes integers in min...max.
    QLineEdit* Bind(QLineEdit* edit, Field field, int min, int max);

    // Exchanges the bound controls in the order they were bound.
    void DoDataExchange(DataExchange& exchange) override;

private:
    struct Binding {
        QCheckBox* box;
        QLineEdit* edit;
        Field field;
        int min;
        int max;
    };
    std::vector<Binding> bindings_;
};
