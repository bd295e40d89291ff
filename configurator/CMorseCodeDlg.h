#pragma once

#include "configurator/CExchangeDlg.h"
#include "configurator/UnitConfig.h"

#include <string>

class QButtonGroup;
class QLineEdit;

// The Morse code identifier: when it is sent, its tone and its text.
class CMorseCodeDlg : public CExchangeDlg {
    Q_OBJECT
public:
    static constexpr int kMaxTextChars = 50;

    explicit CMorseCodeDlg(UserInteraction& interaction, QWidget* parent = nullptr);

    // The dialog\'s copies of its fields, from and into the record.
    void Load(const UnitConfig& config);
    void Store(UnitConfig& config) const;

    int morseAutoMode = 1;  // 0 End of Each PTT, 1 Timer Interval
    int morseIntervalMin = 0;
    int morseFreqHz = 1200;
    int morseGain = -10;
    std::string morseText;

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
