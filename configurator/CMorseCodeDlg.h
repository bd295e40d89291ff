#pragma once

#include "configurator/CSettingsDlg.h"

class QButtonGroup;
class QLineEdit;

// The Morse code identifier: when it is sent, its tone and its text.
class CMorseCodeDlg : public CSettingsDlg {
    Q_OBJECT
public:
    static constexpr int kMaxTextChars = 50;

    explicit CMorseCodeDlg(UserInteraction& interaction, QWidget* parent = nullptr);

protected:
    void DoDataExchange(DataExchange& exchange) override;

private:
    void OnAutoModeClicked();
    // The interval edit is enabled for "Timer Interval", disabled for "End of Each PTT",
    // and left as it is with neither chosen.
    void ApplyIntervalRule();

    QButtonGroup* autoMode_;
    QLineEdit* intervalEdit_;
    QLineEdit* freqEdit_;
    QLineEdit* gainEdit_;
    QLineEdit* textEdit_;
};
