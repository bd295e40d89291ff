#pragma once

#include "configurator/CExchangeDlg.h"
#include "configurator/UnitConfig.h"

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
};
