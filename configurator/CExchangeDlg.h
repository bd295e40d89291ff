#pragma once

#include "configurator/DataExchange.h"
#include "configurator/DialogLayout.h"

#include <QDialog>

class QPushButton;

// Base of the configurator's dialogs that bind controls to values. The dialog's own
// copies of its values go into the controls when it first opens; OK takes them back
// with their range checks and closes the dialog only when every value was accepted.
// Cancel or closing the window ends it without taking anything.
class CExchangeDlg : public QDialog {
    Q_OBJECT
public:
    CExchangeDlg(UserInteraction& interaction, QWidget* parent, const QString& title, int width,
                 int height);

    // Exchanges every value in one direction; false when a value was refused.
    bool UpdateData(bool fromControls);
    // Takes the values from the controls without telling the user anything; false, with
    // the value refused in `refused`, when a value was refused.
    bool TakeValuesQuietly(DataExchange::Refusal& refused);

    void accept() override;

protected:
    virtual void DoDataExchange(DataExchange& exchange) = 0;
    // Runs once, when the dialog is first shown. The default puts the values into the
    // controls.
    virtual void OnInitDialog();

    void showEvent(QShowEvent* event) override;

    QPushButton* AddOkButton(int x, int y, int width = 50, int height = 14);
    QPushButton* AddCancelButton(int x, int y, int width = 50, int height = 14);

    UserInteraction& interaction_;
    DialogLayout layout_;

private:
    bool initialised_ = false;
};
