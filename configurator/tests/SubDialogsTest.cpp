#include "configurator/CDig4CorDlg.h"
#include "configurator/CDig5ToneDlg.h"
#include "configurator/CGainSettingsDlg.h"
#include "configurator/CMorseCodeDlg.h"
#include "configurator/CPortSelectDlg.h"
#include "configurator/CTxAudioDlg.h"
#include "configurator/CVoxPhoneDlg.h"
#include "configurator/tests/ScriptedInteraction.h"
#include "configurator/tests/Widgets.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

namespace {

using Icon = UserInteraction::Icon;

class SubDialogsTest : public ::testing::Test {
protected:
    void Open(QDialog& dialog)
    {
        dialog.show();
        dialog.activateWindow();
    }
    void Ok(QDialog& dialog) { Child<QPushButton>(dialog, QStringLiteral("ok"))->click(); }
    void Cancel(QDialog& dialog) { Child<QPushButton>(dialog, QStringLiteral("cancel"))->click(); }
    QLineEdit* EditOf(QDialog& dialog, const char* name) { return Child<QLineEdit>(dialog, QString::fromLatin1(name)); }

    ScriptedInteraction ui;
};

TEST_F(SubDialogsTest, GainsOutOfRangeKeepsTheDialogOpenAndCancelKeepsEveryGain)
{
    CGainSettingsDlg dialog(ui);
    dialog.config.sidetoneGain = -3;
    dialog.config.radioTxGain = 4;
    dialog.config.lineTxGain = -40;
    dialog.config.ctcssGain = 10;
    Open(dialog);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("DSP-Q47 Gain Settings"));
    EXPECT_EQ(EditOf(dialog, "radioTxGain")->text(), QStringLiteral("4"));

    EditOf(dialog, "sidetoneGain")->setText(QStringLiteral("5"));
    EditOf(dialog, "radioTxGain")->setText(QStringLiteral("-41"));
    Ok(dialog);
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0],
              (ScriptedInteraction::Message{QStringLiteral("Please enter an integer between -40 and 10."),
                                            Icon::Exclamation}));
    EXPECT_EQ(dialog.focusWidget(), EditOf(dialog, "radioTxGain"));

    Cancel(dialog);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST_F(SubDialogsTest, GainsOkTakesEveryValue)
{
    CGainSettingsDlg dialog(ui);
    Open(dialog);
    EditOf(dialog, "sidetoneGain")->setText(QStringLiteral("-40"));
    EditOf(dialog, "radioTxGain")->setText(QStringLiteral("10"));
    EditOf(dialog, "lineTxGain")->setText(QStringLiteral("-7"));
    EditOf(dialog, "ctcssGain")->setText(QStringLiteral("3"));
    Ok(dialog);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.config.sidetoneGain, -40);
    EXPECT_EQ(dialog.config.radioTxGain, 10);
    EXPECT_EQ(dialog.config.lineTxGain, -7);
    EXPECT_EQ(dialog.config.ctcssGain, 3);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SubDialogsTest, MorseTextBecomesCapitalsAndStopsAtFiftyCharacters)
{
    CMorseCodeDlg dialog(ui);
    Open(dialog);
    QLineEdit* text = EditOf(dialog, "morseText");
    text->setFocus();
    QTest::keyClicks(text, QStringLiteral("de q47"));
    EXPECT_EQ(text->text(), QStringLiteral("DE Q47"));

    text->clear();
    QTest::keyClicks(text, QString(51, u'e'));
    EXPECT_EQ(text->text(), QString(50, u'E'));
    Ok(dialog);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.config.morseText, std::string(50, 'E'));
}

TEST_F(SubDialogsTest, MorseTextFromTheRecordIsStoredInCapitalsOnOk)
{
    CMorseCodeDlg dialog(ui);
    dialog.config.morseText = "cq test";
    Open(dialog);
    Ok(dialog);
    EXPECT_EQ(dialog.config.morseText, "CQ TEST");
}

TEST_F(SubDialogsTest, MorseIntervalFollowsTheAutoTransmitChoice)
{
    CMorseCodeDlg dialog(ui);
    dialog.config.morseAutoMode = 1;
    Open(dialog);
    QLineEdit* interval = EditOf(dialog, "morseIntervalMin");
    EXPECT_TRUE(interval->isEnabled());
    Child<QRadioButton>(dialog, QStringLiteral("endOfEachPtt"))->click();
    EXPECT_FALSE(interval->isEnabled());
    EXPECT_EQ(dialog.config.morseAutoMode, 0) << "a click takes the values from the controls";
    Child<QRadioButton>(dialog, QStringLiteral("timerInterval"))->click();
    EXPECT_TRUE(interval->isEnabled());

    CMorseCodeDlg endOfPtt(ui);
    endOfPtt.config.morseAutoMode = 0;
    Open(endOfPtt);
    EXPECT_FALSE(EditOf(endOfPtt, "morseIntervalMin")->isEnabled());
}

TEST_F(SubDialogsTest, MorseRangesAreChecked)
{
    CMorseCodeDlg dialog(ui);
    Open(dialog);
    EditOf(dialog, "morseFreqHz")->setText(QStringLiteral("399"));
    Ok(dialog);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(ui.messages.back().text, QStringLiteral("Please enter an integer between 400 and 2000."));
    EditOf(dialog, "morseFreqHz")->setText(QStringLiteral("2000"));
    EditOf(dialog, "morseGain")->setText(QStringLiteral("6"));
    Ok(dialog);
    EXPECT_EQ(ui.messages.back().text, QStringLiteral("Please enter an integer between -40 and 5."));
    EditOf(dialog, "morseGain")->setText(QStringLiteral("5"));
    EditOf(dialog, "morseIntervalMin")->setText(QStringLiteral("200"));
    Ok(dialog);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.config.morseFreqHz, 2000);
    EXPECT_EQ(dialog.config.morseGain, 5);
    EXPECT_EQ(dialog.config.morseIntervalMin, 200);
}

TEST_F(SubDialogsTest, TxAudioChecksWithTheirTextOnTheLeft)
{
    CTxAudioDlg dialog(ui);
    dialog.config.txPreEmphasis = 1;
    Open(dialog);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("TX Audio Parameters"));
    auto* agc = Child<QCheckBox>(dialog, QStringLiteral("txAgc"));
    EXPECT_EQ(agc->text(), QStringLiteral("AGC:"));
    EXPECT_TRUE(Child<QCheckBox>(dialog, QStringLiteral("txPreEmphasis"))->isChecked());
    QTest::mouseClick(agc, Qt::LeftButton, {}, QPoint(5, agc->height() / 2));
    EXPECT_TRUE(agc->isChecked()) << "a click on the text toggles the box";
    Child<QCheckBox>(dialog, QStringLiteral("txPreEmphasis"))->click();
    Ok(dialog);
    EXPECT_EQ(dialog.config.txAgc, 1);
    EXPECT_EQ(dialog.config.txPreEmphasis, 0);
    EXPECT_EQ(dialog.config.txAddCtcss, 0);
    EXPECT_EQ(dialog.config.txLowPass, 0);
}

TEST_F(SubDialogsTest, VoxRangesAndTitle)
{
    CVoxPhoneDlg dialog(ui);
    Open(dialog);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Dialog"));
    EXPECT_EQ(EditOf(dialog, "voxTimeoutSec")->text(), QStringLiteral("120"));
    EditOf(dialog, "voxTimeoutSec")->setText(QStringLiteral("601"));
    Ok(dialog);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(ui.messages.back().text, QStringLiteral("Please enter an integer between 0 and 600."));
    EditOf(dialog, "voxTimeoutSec")->setText(QStringLiteral("600"));
    EditOf(dialog, "callTimeoutMin")->setText(QStringLiteral("181"));
    Ok(dialog);
    EXPECT_EQ(ui.messages.back().text, QStringLiteral("Please enter an integer between 0 and 180."));
    EditOf(dialog, "callTimeoutMin")->setText(QStringLiteral("180"));
    Child<QCheckBox>(dialog, QStringLiteral("phoneInstalled"))->click();
    Ok(dialog);
    EXPECT_EQ(dialog.config.voxTimeoutSec, 600);
    EXPECT_EQ(dialog.config.callTimeoutMin, 180);
    EXPECT_EQ(dialog.config.phoneInstalled, 1);
    EXPECT_EQ(dialog.config.alwaysSendHoldTone, 0);
}

TEST_F(SubDialogsTest, Dig5InputsFollowTheEnableBox)
{
    CDig5ToneDlg dialog(ui);
    Open(dialog);
    const QStringList others{QStringLiteral("dig5ActiveHigh"), QStringLiteral("dig5R1"),
                             QStringLiteral("dig5R2"), QStringLiteral("dig5ToneFreq"),
                             QStringLiteral("dig5ToneLevel"), QStringLiteral("dig5ToneOnMs"),
                             QStringLiteral("dig5ToneOffMs")};
    for (const QString& name : others)
        EXPECT_FALSE(Child<QWidget>(dialog, name)->isEnabled()) << name.toStdString();
    EXPECT_EQ(EditOf(dialog, "dig5ToneFreq")->text(), QStringLiteral("2175"));
    EXPECT_TRUE(Child<QCheckBox>(dialog, QStringLiteral("dig5ActiveHigh"))->isChecked());

    Child<QCheckBox>(dialog, QStringLiteral("dig5ToneEnable"))->click();
    for (const QString& name : others)
        EXPECT_TRUE(Child<QWidget>(dialog, name)->isEnabled()) << name.toStdString();

    EditOf(dialog, "dig5ToneOnMs")->setText(QStringLiteral("65001"));
    Ok(dialog);
    EXPECT_EQ(ui.messages.back().text, QStringLiteral("Please enter an integer between 0 and 65000."));
    EditOf(dialog, "dig5ToneOnMs")->setText(QStringLiteral("65000"));
    EditOf(dialog, "dig5ToneFreq")->setText(QStringLiteral("299"));
    Ok(dialog);
    EXPECT_EQ(ui.messages.back().text, QStringLiteral("Please enter an integer between 300 and 3000."));
    EditOf(dialog, "dig5ToneFreq")->setText(QStringLiteral("3000"));
    Ok(dialog);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.config.dig5ToneEnable, 1);
    EXPECT_EQ(dialog.config.dig5ToneOnMs, 65000);
    EXPECT_EQ(dialog.config.dig5ToneFreq, 3000);
}

TEST_F(SubDialogsTest, Dig4OpensWithSecondsEnabledWhenCorIsOnAndRevertTwiceDisablesIt)
{
    CDig4CorDlg dialog(ui);
    dialog.config.dig4CorEnable = 1;
    dialog.config.dig4RevertToF1 = 0;
    Open(dialog);
    QLineEdit* seconds = EditOf(dialog, "dig4RevertSec");
    EXPECT_TRUE(seconds->isEnabled());
    auto* revert = Child<QCheckBox>(dialog, QStringLiteral("dig4RevertToF1"));
    revert->click();
    EXPECT_TRUE(seconds->isEnabled());
    revert->click();
    EXPECT_FALSE(seconds->isEnabled());
}

TEST_F(SubDialogsTest, Dig4EnableBoxSwitchesAllSixInputs)
{
    CDig4CorDlg dialog(ui);
    Open(dialog);
    const QStringList others{QStringLiteral("dig4RevertSec"), QStringLiteral("dig4ActiveHigh"),
                             QStringLiteral("dig4RxMute"), QStringLiteral("dig4RevertToF1"),
                             QStringLiteral("dig4R1"), QStringLiteral("dig4R2")};
    for (const QString& name : others)
        EXPECT_FALSE(Child<QWidget>(dialog, name)->isEnabled()) << name.toStdString();
    Child<QCheckBox>(dialog, QStringLiteral("dig4CorEnable"))->click();
    for (const QString& name : others)
        EXPECT_TRUE(Child<QWidget>(dialog, name)->isEnabled()) << name.toStdString();

    EditOf(dialog, "dig4RevertSec")->setText(QStringLiteral("30001"));
    Ok(dialog);
    EXPECT_EQ(ui.messages.back().text, QStringLiteral("Please enter an integer between 0 and 30000."));
    EditOf(dialog, "dig4RevertSec")->setText(QStringLiteral("30000"));
    Child<QCheckBox>(dialog, QStringLiteral("dig4R2"))->click();
    Ok(dialog);
    EXPECT_EQ(dialog.config.dig4CorEnable, 1);
    EXPECT_EQ(dialog.config.dig4RevertSec, 30000);
    EXPECT_EQ(dialog.config.dig4R2, 1);
}

// A field of the record and the control bound to it, which is named after the field: the
// value the record holds when the dialog opens, and the value typed into the edit or, for a
// check box, its flag after one click.
struct BoundField {
    int UnitConfig::*field;
    const char* control;
    int held;
    int entered;
};

class SettingsDialogFieldsTest : public SubDialogsTest {
protected:
    // Opens `dialog` on a record holding the fields' values (some out of range, as a file
    // may bring them) and main settings away from their defaults, checks that each control
    // shows its field, enters every value in table order and presses OK: the dialog's copy
    // must then be the record with exactly the entered values.
    void ExpectEveryFieldBound(CSettingsDlg& dialog, const std::vector<BoundField>& fields)
    {
        UnitConfig record;
        record.errorBeeps = 0;
        record.pttFrequency = "2600";
        record.toneTable[3].relayName = "R02";
        for (const BoundField& bound : fields)
            record.*bound.field = bound.held;
        dialog.config = record;
        Open(dialog);
        for (const BoundField& bound : fields) {
            auto* control = Child<QWidget>(dialog, QString::fromLatin1(bound.control));
            ASSERT_NE(control, nullptr);
            if (auto* edit = qobject_cast<QLineEdit*>(control))
                EXPECT_EQ(edit->text(), QString::number(bound.held)) << bound.control;
            else
                EXPECT_EQ(qobject_cast<QCheckBox*>(control)->isChecked(), bound.held != 0)
                    << bound.control;
        }
        UnitConfig expected = record;
        for (const BoundField& bound : fields) {
            auto* control = Child<QWidget>(dialog, QString::fromLatin1(bound.control));
            if (qobject_cast<QLineEdit*>(control) != nullptr)
                TypeInto(control, QString::number(bound.entered));
            else
                QTest::mouseClick(control, Qt::LeftButton, {}, QPoint(5, control->height() / 2));
            expected.*bound.field = bound.entered;
        }
        Ok(dialog);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_TRUE(ui.messages.empty());
        EXPECT_EQ(dialog.config, expected);
    }
};

TEST_F(SettingsDialogFieldsTest, GainsShowTheRecordAndTakeWhatIsEntered)
{
    CGainSettingsDlg dialog(ui);
    ExpectEveryFieldBound(dialog, {{&UnitConfig::sidetoneGain, "sidetoneGain", 50, -40},
                                   {&UnitConfig::radioTxGain, "radioTxGain", -3, 10},
                                   {&UnitConfig::lineTxGain, "lineTxGain", 7, -7},
                                   {&UnitConfig::ctcssGain, "ctcssGain", -99, 3}});
}

TEST_F(SettingsDialogFieldsTest, MorseCodeShowsTheRecordAndTakesWhatIsEntered)
{
    CMorseCodeDlg dialog(ui);
    ExpectEveryFieldBound(dialog, {{&UnitConfig::morseIntervalMin, "morseIntervalMin", 300, 200},
                                   {&UnitConfig::morseFreqHz, "morseFreqHz", 1500, 400},
                                   {&UnitConfig::morseGain, "morseGain", -12, 5}});
}

TEST_F(SettingsDialogFieldsTest, TxAudioShowsTheRecordAndTakesWhatIsEntered)
{
    CTxAudioDlg dialog(ui);
    ExpectEveryFieldBound(dialog, {{&UnitConfig::txAgc, "txAgc", 1, 0},
                                   {&UnitConfig::txAddCtcss, "txAddCtcss", 0, 1},
                                   {&UnitConfig::txPreEmphasis, "txPreEmphasis", 1, 0},
                                   {&UnitConfig::txLowPass, "txLowPass", 0, 1}});
}

TEST_F(SettingsDialogFieldsTest, VoxPhoneShowsTheRecordAndTakesWhatIsEntered)
{
    CVoxPhoneDlg dialog(ui);
    ExpectEveryFieldBound(dialog, {{&UnitConfig::voxTriggerLevel, "voxTriggerLevel", -5, -40},
                                   {&UnitConfig::voxTimeoutSec, "voxTimeoutSec", 700, 600},
                                   {&UnitConfig::callTimeoutMin, "callTimeoutMin", 30, 180},
                                   {&UnitConfig::alwaysSendHoldTone, "alwaysSendHoldTone", 1, 0},
                                   {&UnitConfig::phoneInstalled, "phoneInstalled", 0, 1}});
}

TEST_F(SettingsDialogFieldsTest, Dig5ToneShowsTheRecordAndTakesWhatIsEntered)
{
    CDig5ToneDlg dialog(ui);
    ExpectEveryFieldBound(dialog, {{&UnitConfig::dig5ToneFreq, "dig5ToneFreq", 2600, 300},
                                   {&UnitConfig::dig5ToneLevel, "dig5ToneLevel", -30, 10},
                                   {&UnitConfig::dig5ToneOnMs, "dig5ToneOnMs", 70000, 65000},
                                   {&UnitConfig::dig5ToneOffMs, "dig5ToneOffMs", 250, 0},
                                   {&UnitConfig::dig5ActiveHigh, "dig5ActiveHigh", 1, 0},
                                   {&UnitConfig::dig5R1, "dig5R1", 0, 1},
                                   {&UnitConfig::dig5R2, "dig5R2", 1, 0},
                                   {&UnitConfig::dig5ToneEnable, "dig5ToneEnable", 1, 0}});
}

TEST_F(SettingsDialogFieldsTest, Dig4CorShowsTheRecordAndTakesWhatIsEntered)
{
    CDig4CorDlg dialog(ui);
    ExpectEveryFieldBound(dialog, {{&UnitConfig::dig4RevertSec, "dig4RevertSec", 40000, 30000},
                                   {&UnitConfig::dig4ActiveHigh, "dig4ActiveHigh", 0, 1},
                                   {&UnitConfig::dig4R1, "dig4R1", 1, 0},
                                   {&UnitConfig::dig4R2, "dig4R2", 0, 1},
                                   {&UnitConfig::dig4RxMute, "dig4RxMute", 1, 0},
                                   {&UnitConfig::dig4RevertToF1, "dig4RevertToF1", 1, 0},
                                   {&UnitConfig::dig4CorEnable, "dig4CorEnable", 1, 0}});
}

TEST_F(SubDialogsTest, PortSelectionOpensWithTheCurrentPort)
{
    CPortSelectDlg first(ui);
    first.portSelection = 0;
    Open(first);
    EXPECT_EQ(first.windowTitle(), QStringLiteral("Serial Commincations Port Select"));
    EXPECT_TRUE(Child<QRadioButton>(first, QStringLiteral("com1"))->isChecked());
    EXPECT_EQ(first.findChild<QPushButton*>(QStringLiteral("cancel")), nullptr);
    Ok(first);
    EXPECT_EQ(first.portSelection, 0) << "OK without a change keeps Com1";

    CPortSelectDlg second(ui);
    second.portSelection = -1;
    Open(second);
    EXPECT_TRUE(Child<QRadioButton>(second, QStringLiteral("com2"))->isChecked())
        << "any selection other than 0 is Com2";
}

TEST_F(SubDialogsTest, PortSelectionOkWithNoButtonChosenKeepsThePort)
{
    CPortSelectDlg dialog(ui);
    dialog.portSelection = 1;
    Open(dialog);
    auto* com2 = Child<QRadioButton>(dialog, QStringLiteral("com2"));
    com2->group()->setExclusive(false);
    com2->setChecked(false);
    Ok(dialog);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.portSelection, 1);
}

}  // namespace
