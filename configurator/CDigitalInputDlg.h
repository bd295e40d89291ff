#pragma once

#include "configurator/CSettingsDlg.h"

#include <vector>

class QCheckBox;

// Base of the dialogs of the unit's digital inputs (Dig4, Dig5): the box that enables
// the input and, under it, "Active High", "R1" and "R2". The input's other controls
// follow the box: each is enabled exactly when it is checked.
class CDigitalInputDlg : public CSettingsDlg {
    Q_OBJECT
protected:
    // The input's fields and texts; the controls are named `name` + "ActiveHigh", "R1"
    // and "R2", and the box `enableName`.
    struct Input {
        QString name;
        QString enableText;
        QString enableName;
        Field enable;
        Field activeHigh;
        Field r1;
        Field r2;
    };

    CDigitalInputDlg(UserInteraction& interaction, QWidget* parent, const QString& title, int width, int height,
                     const Input& input);

    // Makes `controls` follow the enable box, besides "Active High", "R1" and "R2".
    void AddFollowers(std::initializer_list<QWidget*> controls);
    void ApplyEnableRule();

    QCheckBox* enable_;

private:
    void OnEnableClicked();

    std::vector<QWidget*> followers_;
};
