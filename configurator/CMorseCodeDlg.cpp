#include "configurator/CMorseCodeDlg.h"

#include <QButtonGroup>
#include <QLineEdit>
#include <QRadioButton>
#include <QValidator>

namespace {

// Turns every letter typed into the edit into a capital as it is typed.
class CapitalsValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override
    {
        input = input.toUpper();
        return Acceptable;
    }
};

std::string Capitals(const std::string& text)
{
    QString upper = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())).toUpper();
    return upper.toLatin1().toStdString();
}

}  // namespace

CMorseCodeDlg::CMorseCodeDlg(UserInteraction& interaction, QWidget* parent)
    : CSettingsDlg(interaction, parent, QStringLiteral("Morse Code Encoder Setup"), 181, 161)
{
    layout_.Group(QStringLiteral("Auto Transmit Options"), 7, 7, 167, 48);
    autoMode_ = new QButtonGroup(this);
    layout_.Radio(autoMode_, QStringLiteral("End of Each PTT"), QStringLiteral("endOfEachPtt"), 15, 20, 90);
    layout_.Radio(autoMode_, QStringLiteral("Timer Interval"), QStringLiteral("timerInterval"), 15, 37, 62);
    intervalEdit_ = layout_.Edit(QStringLiteral("morseIntervalMin"), 80, 36, 30);
    layout_.Label(QStringLiteral("min"), 114, 38, 20, 10);

    freqEdit_ = layout_.EditRow(QStringLiteral("Morse Code Frequency:"), QStringLiteral("morseFreqHz"),
                                7, 64, 84, 34, QStringLiteral("Hz"));
    gainEdit_ = layout_.EditRow(QStringLiteral("Morse Code Gain:"), QStringLiteral("morseGain"), 7,
                                82, 84, 34, QStringLiteral("dBm"));

    layout_.Label(QStringLiteral("Morse Code String:"), 7, 102, 84, 10);
    textEdit_ = layout_.Edit(QStringLiteral("morseText"), 7, 114, 167);
    textEdit_->setMaxLength(kMaxTextChars);
    textEdit_->setValidator(new CapitalsValidator(textEdit_));

    AddOkButton(36, 138);
    AddCancelButton(95, 138);

    connect(autoMode_, &QButtonGroup::idClicked, this, [this] { OnAutoModeClicked(); });
}

void CMorseCodeDlg::DoDataExchange(DataExchange& exchange)
{
    exchange.Radio(autoMode_, config.morseAutoMode);
    exchange.Unsigned(intervalEdit_, config.morseIntervalMin, 0, 200);
    exchange.Unsigned(freqEdit_, config.morseFreqHz, 400, 2000);
    exchange.Integer(gainEdit_, config.morseGain, -40, 5);
    exchange.Text(textEdit_, config.morseText, kMaxTextChars);
    if (exchange.FromControls() && !exchange.Failed())
        config.morseText = Capitals(config.morseText);
    ApplyIntervalRule();
}

void CMorseCodeDlg::OnAutoModeClicked()
{
    UpdateData(true);
    ApplyIntervalRule();
}

void CMorseCodeDlg::ApplyIntervalRule()
{
    const int chosen = autoMode_->checkedId();
    if (chosen == 0)
        intervalEdit_->setEnabled(false);
    else if (chosen == 1)
        intervalEdit_->setEnabled(true);
}
