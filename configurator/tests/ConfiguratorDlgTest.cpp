#include "configurator/CConfiguratorDlg.h"
#include "configurator/ConfigFile.h"
#include "configurator/UnitTransfer.h"
#include "configurator/tests/ScriptedInteraction.h"
#include "configurator/tests/Widgets.h"
#include "platform/PortMap.h"
#include "platform/tests/ScopedConfigHome.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTemporaryDir>
#include <QSpontaneKeyEvent>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <memory>

namespace {

using Icon = UserInteraction::Icon;
using Message = ScriptedInteraction::Message;

class ConfiguratorDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Both ports lead nowhere: a transfer that runs ends at once with the port error.
        PortMap::Link("com1", home.path() + "/no-such-port");
        PortMap::Link("com2", home.path() + "/no-such-port");
        dialog = std::make_unique<CConfiguratorDlg>(config, ui);
        dialog->show();
        dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    }

    QLineEdit* RowEdit(int k, const char* column)
    {
        return Child<QLineEdit>(*dialog, QStringLiteral("row%1%2").arg(k).arg(QLatin1String(column)));
    }
    QComboBox* RowCombo(int k, const char* column)
    {
        return Child<QComboBox>(*dialog, QStringLiteral("row%1%2").arg(k).arg(QLatin1String(column)));
    }
    QCheckBox* RowCheck(int k, const char* column)
    {
        return Child<QCheckBox>(*dialog, QStringLiteral("row%1%2").arg(k).arg(QLatin1String(column)));
    }
    template <class T>
    T* Control(const char* name)
    {
        return Child<T>(*dialog, QString::fromLatin1(name));
    }
    QScrollBar* ScrollBar() { return Control<QScrollBar>("rowScrollBar"); }

    // What a transfer says when it cannot open Com1, which leads nowhere here: the fixed
    // message and the cause below it.
    static QString OpenFailed()
    {
        return QString::fromStdString(std::string(UnitTransfer::kOpenFailed) + "\nCom1 (" +
                                      PortMap::LinkPath("com1") + "): No such file or directory");
    }
    QStringList ShownLabels()
    {
        QStringList labels;
        for (int k = 1; k <= CConfiguratorDlg::kScreenRows; ++k)
            labels << RowEdit(k, "Label")->text();
        return labels;
    }
    static QStringList Labels(int first)
    {
        QStringList labels;
        for (int i = first; i < first + 10; ++i)
            labels << QStringLiteral("F%1").arg(i, 2, 10, QLatin1Char('0'));
        return labels;
    }
    void ChooseDual() { QTest::mouseClick(Control<QRadioButton>("dual"), Qt::LeftButton); }

    // Turns the wheel by `notchesDown` notches (towards the user) over `point` of the
    // dialog, as the window system delivers it: to the widget under the pointer, and on
    // to its parents while none takes it.
    void WheelAt(QPoint point, int notchesDown)
    {
        QWidget* under = dialog->childAt(point);
        if (under == nullptr)
            under = dialog.get();
        const QPointF local = under->mapFrom(dialog.get(), QPointF(point));
        QWheelEvent wheel(local, under->mapToGlobal(local), QPoint(), QPoint(0, -120 * notchesDown),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QSpontaneKeyEvent::setSpontaneous(&wheel);
        QApplication::instance()->notify(under, &wheel);
    }
    QPoint CentreOf(QWidget* control) { return control->mapTo(dialog.get(), control->rect().center()); }

    // The centre of the scroll bar's "line down" arrow.
    QPoint LineDownArrow()
    {
        QScrollBar* bar = ScrollBar();
        QStyleOptionSlider option;
        option.initFrom(bar);
        option.orientation = bar->orientation();
        option.minimum = bar->minimum();
        option.maximum = bar->maximum();
        option.sliderPosition = bar->sliderPosition();
        option.sliderValue = bar->value();
        option.singleStep = bar->singleStep();
        option.pageStep = bar->pageStep();
        return bar->style()
            ->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarAddLine, bar)
            .center();
    }
    // Presses the "line down" arrow and holds it long enough for the arrow's auto-repeat
    // to run, then lets it go.
    void HoldLineDownArrow()
    {
        const QPoint arrow = LineDownArrow();
        QTest::mousePress(ScrollBar(), Qt::LeftButton, {}, arrow);
        QTest::qWait(1000);
        QTest::mouseRelease(ScrollBar(), Qt::LeftButton, {}, arrow);
        QApplication::processEvents();
    }
    void ClickLineDownArrow()
    {
        QTest::mouseClick(ScrollBar(), Qt::LeftButton, {}, LineDownArrow());
        QApplication::processEvents();
    }
    static void PressTab() { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); }
    void ClickButton(const char* text) { ClickButtonWithText(*dialog, QString::fromLatin1(text)); }

    ScopedConfigHome home;
    UnitConfig config;
    ScriptedInteraction ui;
    std::unique_ptr<CConfiguratorDlg> dialog;
};

TEST_F(ConfiguratorDlgTest, OpensInSingleModeWithDefaultRows)
{
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("DSP-Q47 Configuration Application V2.8"));
    EXPECT_TRUE(Control<QRadioButton>("single")->isChecked());
    EXPECT_EQ(ShownLabels(), Labels(1));
    EXPECT_EQ(ScrollBar()->minimum(), 1);
    EXPECT_EQ(ScrollBar()->maximum(), 7);
    for (int k = 1; k <= 10; ++k) {
        EXPECT_TRUE(RowCheck(k, "Active")->isChecked());
        EXPECT_EQ(RowCombo(k, "Relay")->currentText(), QString());
        EXPECT_EQ(RowCombo(k, "Group")->currentText(), QStringLiteral("1"));
        EXPECT_EQ(RowEdit(k, "Duration")->text(), QStringLiteral("0"));
        EXPECT_EQ(RowEdit(k, "DigitalOutput")->text(), QString::number(k));
        EXPECT_EQ(RowEdit(k, "Ctcss")->text(), QStringLiteral("0"));
        EXPECT_FALSE(RowCheck(k, "UseDefault")->isChecked());
        EXPECT_TRUE(RowCheck(k, "UseDefault")->isEnabled());
        EXPECT_FALSE(RowEdit(k, "Label")->isEnabled());
    }
    EXPECT_TRUE(Control<QCheckBox>("errorBeeps")->isChecked());
    EXPECT_FALSE(Control<QLineEdit>("monRelayTimeMs")->isEnabled());
    EXPECT_EQ(Control<QComboBox>("pttFrequency")->currentText(), QStringLiteral("2175"));
    EXPECT_EQ(Control<QComboBox>("pttFrequency")->count(), 8);
    EXPECT_EQ(config, UnitConfig());
}

TEST_F(ConfiguratorDlgTest, OpeningResetsTheRecord)
{
    UnitConfig changed;
    changed.toneMode = 1;
    changed.morseText = "OLD";
    ScriptedInteraction other;
    CConfiguratorDlg second(changed, other);
    second.show();
    EXPECT_EQ(changed, UnitConfig());
}

TEST_F(ConfiguratorDlgTest, ScrollingToTheBottomInEachMode)
{
    ScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(ShownLabels(), Labels(7));
    EXPECT_EQ(dialog->FirstRow(), 7);
    ScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(ShownLabels(), Labels(7));

    ChooseDual();
    EXPECT_EQ(ScrollBar()->minimum(), 0);
    EXPECT_EQ(ScrollBar()->maximum(), 90);
    ScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(ShownLabels(), Labels(90));
    EXPECT_EQ(RowEdit(10, "DigitalOutput")->text(), QStringLiteral("35"));
    ScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(ShownLabels(), Labels(0));
    ScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(ShownLabels(), Labels(10));
    ScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(ShownLabels(), Labels(9));
}

TEST_F(ConfiguratorDlgTest, ScrollingCommitsTheRowsOnScreen)
{
    RowEdit(2, "Duration")->setText(QStringLiteral("250"));
    RowEdit(2, "Ctcss")->setText(QStringLiteral("64"));
    QTest::mouseClick(RowCheck(2, "UseDefault"), Qt::LeftButton);
    ScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(config.toneTable[2].relayDurationMs, 250);
    EXPECT_EQ(config.toneTable[2].ctcssTone, 64);
    EXPECT_EQ(config.toneTable[2].useDefaultCtcss, 1);
    EXPECT_EQ(RowEdit(1, "Duration")->text(), QStringLiteral("250")) << "F02 is now the first screen row";
}

TEST_F(ConfiguratorDlgTest, SwitchingModeKeepsTheRowsUntilTheNextScroll)
{
    ChooseDual();
    ScrollBar()->setSliderPosition(50);
    EXPECT_EQ(ShownLabels(), Labels(50));
    QTest::mouseClick(Control<QRadioButton>("single"), Qt::LeftButton);
    EXPECT_EQ(config.toneMode, 0);
    EXPECT_EQ(ShownLabels(), Labels(50));
    EXPECT_EQ(dialog->FirstRow(), 50);
    EXPECT_EQ(ScrollBar()->minimum(), 1);
    EXPECT_EQ(ScrollBar()->maximum(), 7);
    ScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(ShownLabels(), Labels(7));
}

TEST_F(ConfiguratorDlgTest, RelaySettingsReachEveryRowOfTheSameRelay)
{
    config.toneTable[12].relayName = "R01";
    config.toneTable[50].relayName = "R01";
    config.toneTable[60].relayName = "R02";
    dialog->RefreshFromRecord();

    TypeInto(RowCombo(3, "Relay")->lineEdit(), QStringLiteral("R01"));
    PressTab();
    TypeInto(RowCombo(3, "Group")->lineEdit(), QStringLiteral("2"));
    PressTab();
    TypeInto(RowEdit(3, "Duration"), QStringLiteral("500"));
    PressTab();

    for (int row : {3, 12, 50}) {
        EXPECT_EQ(config.toneTable[row].relayName, "R01") << row;
        EXPECT_EQ(config.toneTable[row].relayGroup, 2) << row;
        EXPECT_EQ(config.toneTable[row].relayDurationMs, 500) << row;
    }
    EXPECT_EQ(config.toneTable[60].relayGroup, 1);
    EXPECT_EQ(config.toneTable[60].relayDurationMs, 0);
    EXPECT_EQ(config.toneTable[4].relayDurationMs, 0);
}

TEST_F(ConfiguratorDlgTest, RelayShownOnScreenIsUpdatedByPropagation)
{
    config.toneTable[5].relayName = "R02";
    dialog->RefreshFromRecord();
    TypeInto(RowEdit(1, "Duration"), QStringLiteral("1200"));
    TypeInto(RowCombo(1, "Relay")->lineEdit(), QStringLiteral("R02"));
    PressTab();
    EXPECT_EQ(RowEdit(5, "Duration")->text(), QStringLiteral("1200"));
}

TEST_F(ConfiguratorDlgTest, RelayTextsAreStoredWithoutBlanks)
{
    config.toneTable[40].relayName = "R01";
    dialog->RefreshFromRecord();
    TypeInto(RowCombo(4, "Relay")->lineEdit(), QStringLiteral("   "));
    TypeInto(RowCombo(2, "Relay")->lineEdit(), QStringLiteral(" R01 "));
    TypeInto(RowEdit(2, "Duration"), QStringLiteral("300"));
    PressTab();
    EXPECT_EQ(config.toneTable[2].relayName, "R01");
    EXPECT_EQ(config.toneTable[40].relayDurationMs, 300);
    EXPECT_EQ(config.toneTable[4].relayName, "");
}

TEST_F(ConfiguratorDlgTest, OpeningADropDownDoesNotLeaveTheControl)
{
    config.toneTable[40].relayName = "R01";
    dialog->RefreshFromRecord();
    RowCombo(2, "Relay")->setEditText(QStringLiteral("R01"));
    RowEdit(2, "Duration")->setText(QStringLiteral("300"));
    QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
    QApplication::sendEvent(RowCombo(2, "Relay"), &popup);
    EXPECT_EQ(config.toneTable[40].relayDurationMs, 0);
}

TEST_F(ConfiguratorDlgTest, ToneActiveDisablesItsRowAtOnceAndReachesTheTableAtTheNextCommit)
{
    QTest::mouseClick(RowCheck(2, "Active"), Qt::LeftButton);
    for (const char* column : {"Relay", "Group"})
        EXPECT_FALSE(RowCombo(2, column)->isEnabled()) << column;
    for (const char* column : {"Duration", "DigitalOutput", "Ctcss"})
        EXPECT_FALSE(RowEdit(2, column)->isEnabled()) << column;
    EXPECT_FALSE(RowCheck(2, "UseDefault")->isEnabled());
    EXPECT_TRUE(RowEdit(3, "Duration")->isEnabled());
    EXPECT_EQ(config.toneTable[2].toneActive, 1);

    EXPECT_TRUE(dialog->CommitVisibleRows());
    EXPECT_EQ(config.toneTable[2].toneActive, 0);
    QTest::mouseClick(RowCheck(2, "Active"), Qt::LeftButton);
    EXPECT_TRUE(RowEdit(2, "Duration")->isEnabled());
}

TEST_F(ConfiguratorDlgTest, GroupTextsAreStoredByTheirValue)
{
    RowCombo(1, "Group")->setEditText(QStringLiteral("0"));
    RowCombo(2, "Group")->setEditText(QStringLiteral("abc"));
    RowCombo(3, "Group")->setEditText(QStringLiteral("9"));
    dialog->CommitVisibleRows();
    EXPECT_EQ(config.toneTable[1].relayGroup, 1);
    EXPECT_EQ(config.toneTable[2].relayGroup, 1);
    EXPECT_EQ(config.toneTable[3].relayGroup, 9);
    dialog->ShowRows(1);
    EXPECT_EQ(RowCombo(1, "Group")->currentText(), QStringLiteral("1"));
    EXPECT_EQ(RowCombo(3, "Group")->currentText(), QStringLiteral("9"));
}

TEST_F(ConfiguratorDlgTest, GroupsAboveNineSurviveTheScreen)
{
    config.toneTable[1].relayGroup = 12;
    dialog->RefreshFromRecord();
    EXPECT_EQ(RowCombo(1, "Group")->currentText(), QStringLiteral("12"));
    dialog->CommitVisibleRows();
    EXPECT_EQ(config.toneTable[1].relayGroup, 12);
}

TEST_F(ConfiguratorDlgTest, MsecEditFollowsTheMonRelayMode)
{
    QTest::mouseClick(Control<QRadioButton>("momentary"), Qt::LeftButton);
    EXPECT_TRUE(Control<QLineEdit>("monRelayTimeMs")->isEnabled());
    EXPECT_EQ(config.monRelayMode, 2);
    QTest::mouseClick(Control<QRadioButton>("alwaysExceptPtt"), Qt::LeftButton);
    EXPECT_FALSE(Control<QLineEdit>("monRelayTimeMs")->isEnabled());
    EXPECT_EQ(config.monRelayMode, 1);
}

TEST_F(ConfiguratorDlgTest, TxFiltersInRepeaterModeOpensNothing)
{
    QTest::mouseClick(Control<QCheckBox>("repeaterMode"), Qt::LeftButton);
    dialog->OnTxFilters();
    EXPECT_TRUE(ui.dialogsRun.isEmpty());
    EXPECT_EQ(config.repeaterMode, 1);

    QTest::mouseClick(Control<QCheckBox>("repeaterMode"), Qt::LeftButton);
    dialog->OnTxFilters();
    EXPECT_EQ(ui.dialogsRun, QStringList{QStringLiteral("TX Audio Parameters")});
}

TEST_F(ConfiguratorDlgTest, TrevanModeButtonIsHiddenAndDisabled)
{
    auto* trevan = Control<QPushButton>("trevanMode");
    EXPECT_FALSE(trevan->isVisible());
    EXPECT_FALSE(trevan->isEnabled());
    EXPECT_EQ(trevan->text(), QStringLiteral("Trevan Mode"));
}

TEST_F(ConfiguratorDlgTest, SubDialogOkCopiesBackAndCancelLeavesTheRecord)
{
    ui.onDialog = [](QDialog& gains) {
        Child<QLineEdit>(gains, QStringLiteral("radioTxGain"))->setText(QStringLiteral("-41"));
        QTest::mouseClick(Child<QPushButton>(gains, QStringLiteral("ok")), Qt::LeftButton);
        EXPECT_TRUE(gains.isVisible());
        Child<QLineEdit>(gains, QStringLiteral("lineTxGain"))->setText(QStringLiteral("5"));
        QTest::mouseClick(Child<QPushButton>(gains, QStringLiteral("cancel")), Qt::LeftButton);
    };
    dialog->OnSetGains();
    EXPECT_EQ(ui.dialogsRun, QStringList{QStringLiteral("DSP-Q47 Gain Settings")});
    EXPECT_EQ(config, UnitConfig());

    ui.onDialog = [](QDialog& gains) {
        Child<QLineEdit>(gains, QStringLiteral("radioTxGain"))->setText(QStringLiteral("-40"));
        QTest::mouseClick(Child<QPushButton>(gains, QStringLiteral("ok")), Qt::LeftButton);
    };
    dialog->OnSetGains();
    EXPECT_EQ(config.radioTxGain, -40);
    EXPECT_EQ(config.sidetoneGain, 0);
}

TEST_F(ConfiguratorDlgTest, EachSettingsCommandFillsItsDialogFromTheRecord)
{
    config.morseText = "CQ";
    config.dig5ToneFreq = 1000;
    config.dig4RevertSec = 42;
    config.voxTriggerLevel = -5;
    QStringList shown;
    ui.onDialog = [&shown](QDialog& opened) {
        for (const char* name : {"morseText", "dig5ToneFreq", "dig4RevertSec", "voxTriggerLevel"})
            if (auto* edit = opened.findChild<QLineEdit*>(QString::fromLatin1(name)))
                shown << edit->text();
        QTest::mouseClick(Child<QPushButton>(opened, QStringLiteral("ok")), Qt::LeftButton);
    };
    dialog->OnMorseCode();
    dialog->OnDig5Setup();
    dialog->OnDig4Setup();
    dialog->OnVoxPhone();
    EXPECT_EQ(shown, (QStringList{"CQ", "1000", "42", "-5"}));
    EXPECT_EQ(ui.dialogsRun, (QStringList{"Morse Code Encoder Setup", "Dig5 Input Tone Setup",
                                          "Dig4 Input COR Setup", "Dialog"}));
    EXPECT_EQ(config.morseText, "CQ");
    EXPECT_EQ(config.dig4RevertSec, 42);
}

TEST_F(ConfiguratorDlgTest, LookupButtonsAndAboutCommandOpenTheirDialogs)
{
    QTest::mouseClick(Control<QPushButton>("digitalOutputLookup"), Qt::LeftButton);
    QTest::mouseClick(Control<QPushButton>("ctcssLookup"), Qt::LeftButton);
    dialog->SystemCommand(CConfiguratorDlg::kAboutCommand);
    dialog->SystemCommand(0xF020);
    EXPECT_EQ(ui.dialogsRun, (QStringList{"Digital I/O Lookup Table", "CTCSS Lookup", "About DSP-Q47"}));
}

TEST_F(ConfiguratorDlgTest, WindowMenuOffersTheAboutBox)
{
    QAction* about = nullptr;
    for (QAction* action : dialog->actions())
        if (action->text() == QStringLiteral("&About dspQ47..."))
            about = action;
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(dialog->contextMenuPolicy(), Qt::ActionsContextMenu);
    about->trigger();
    EXPECT_EQ(ui.dialogsRun, QStringList{QStringLiteral("About DSP-Q47")});
    EXPECT_FALSE(dialog->windowIcon().isNull());
}

TEST_F(ConfiguratorDlgTest, RefusedValueGivesOneMessagePerArrowClickAndStaysToBeMended)
{
    TypeInto(RowEdit(1, "Duration"), QStringLiteral("40000"));
    HoldLineDownArrow();
    ASSERT_EQ(ui.messages.size(), 1u) << "the arrow's auto-repeat must not repeat the message";
    EXPECT_EQ(ui.messages[0], (Message{QStringLiteral("Please enter an integer between 0 and 30000."),
                                       Icon::Exclamation}));
    EXPECT_EQ(ShownLabels(), Labels(1));
    EXPECT_EQ(ScrollBar()->value(), 1);
    EXPECT_EQ(RowEdit(1, "Duration")->text(), QStringLiteral("40000"));
    EXPECT_EQ(QApplication::focusWidget(), RowEdit(1, "Duration"));

    HoldLineDownArrow();
    EXPECT_EQ(ui.messages.size(), 2u) << "each click is told once";

    TypeInto(RowEdit(1, "Duration"), QStringLiteral("30000"));
    ClickLineDownArrow();
    EXPECT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ShownLabels(), Labels(2));
    EXPECT_EQ(config.toneTable[1].relayDurationMs, 30000);
}

TEST_F(ConfiguratorDlgTest, RefusedValueHoldsPropagationBackUntilItIsMended)
{
    config.toneTable[20].relayName = "R01";
    config.toneTable[20].relayGroup = 3;
    config.toneTable[20].relayDurationMs = 400;
    dialog->RefreshFromRecord();
    TypeInto(RowEdit(2, "DigitalOutput"), QStringLiteral("65"));
    TypeInto(RowEdit(3, "Ctcss"), QStringLiteral("9"));
    TypeInto(RowCombo(1, "Relay")->lineEdit(), QStringLiteral("R01"));
    PressTab();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("Please enter an integer between 0 and 64."));
    EXPECT_EQ(QApplication::focusWidget(), RowEdit(2, "DigitalOutput"));
    EXPECT_EQ(config.toneTable[20].relayGroup, 3);
    EXPECT_EQ(config.toneTable[20].relayDurationMs, 400);
    EXPECT_EQ(RowEdit(2, "DigitalOutput")->text(), QStringLiteral("65"));
    EXPECT_EQ(RowEdit(3, "Ctcss")->text(), QStringLiteral("9"));

    TypeInto(RowEdit(2, "DigitalOutput"), QStringLiteral("64"));
    ClickLineDownArrow();
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(config.toneTable[20].relayGroup, 1) << "F01 named R01 while the value was refused";
    EXPECT_EQ(config.toneTable[20].relayDurationMs, 0);
    EXPECT_EQ(config.toneTable[3].ctcssTone, 9);
}

TEST_F(ConfiguratorDlgTest, OutOfRangeValuesFromAFileLeaveEveryCommandWorking)
{
    QTemporaryDir folder;
    UnitConfig odd;
    odd.monRelayMode = 0;
    odd.monRelayTimeMs = 70000;
    odd.toneTable[2].digitalOutput = 200;
    const QString oddPath = folder.filePath(QStringLiteral("odd.Q47"));
    ASSERT_TRUE(WriteConfigFile(odd, oddPath.toStdString()));
    ui.filesToOpen << oddPath;
    ClickButton("Load Config");
    EXPECT_EQ(config, odd);
    auto* msec = Control<QLineEdit>("monRelayTimeMs");
    EXPECT_EQ(msec->text(), QStringLiteral("70000"));
    EXPECT_FALSE(msec->isEnabled());
    EXPECT_EQ(RowEdit(2, "DigitalOutput")->text(), QStringLiteral("200"));

    ClickLineDownArrow();
    EXPECT_EQ(ShownLabels(), Labels(2));
    const QString savedPath = folder.filePath(QStringLiteral("saved.Q47"));
    ui.filesToSave << savedPath;
    ClickButton("Save Config");
    ClickButton("Send To Q47");
    ui.filesToOpen << oddPath;
    ClickButton("Load Config");
    EXPECT_EQ(ui.openRequests, 2);
    EXPECT_EQ(ui.messages, (std::vector<Message>{{OpenFailed(), Icon::Error}}));
    EXPECT_NE(QApplication::focusWidget(), msec);
    UnitConfig saved;
    ASSERT_TRUE(ReadConfigFile(saved, savedPath.toStdString()));
    EXPECT_EQ(saved, odd) << "the file's values are kept as they were";
}

TEST_F(ConfiguratorDlgTest, RefusedEditDoesNotStopLoadOrReceive)
{
    QTemporaryDir folder;
    const QString defaultsPath = folder.filePath(QStringLiteral("defaults.Q47"));
    ASSERT_TRUE(WriteConfigFile(UnitConfig(), defaultsPath.toStdString()));
    TypeInto(RowEdit(2, "Ctcss"), QStringLiteral("65"));
    TypeInto(RowEdit(3, "Ctcss"), QStringLiteral("8"));

    ClickButton("Recv From Q47");
    ASSERT_EQ(ui.messages, (std::vector<Message>{{OpenFailed(), Icon::Error}}));
    ClickButton("Load Config");
    EXPECT_EQ(ui.openRequests, 1);
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(RowEdit(2, "Ctcss")->text(), QStringLiteral("65")) << "a failed receive or a cancelled load "
                                                                    "leaves the screen as it was";
    EXPECT_EQ(RowEdit(3, "Ctcss")->text(), QStringLiteral("8"));

    ui.filesToOpen << defaultsPath;
    ClickButton("Load Config");
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(RowEdit(2, "Ctcss")->text(), QStringLiteral("0"));
    EXPECT_EQ(RowEdit(3, "Ctcss")->text(), QStringLiteral("0"));
    EXPECT_EQ(config, UnitConfig());
}

TEST_F(ConfiguratorDlgTest, RefusedTimeLeftInTheDisabledMsecFieldDoesNotLockTheDialog)
{
    auto* msec = Control<QLineEdit>("monRelayTimeMs");
    QTest::mouseClick(Control<QRadioButton>("momentary"), Qt::LeftButton);
    TypeInto(msec, QStringLiteral("70000"));
    QTest::mouseClick(Control<QRadioButton>("resetOnPtt"), Qt::LeftButton);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("Please enter an integer between 0 and 60000."));
    EXPECT_FALSE(msec->isEnabled());

    ClickButton("Save Config");
    ClickButton("Send To Q47");
    ClickLineDownArrow();
    EXPECT_EQ(ui.saveRequests, 1);
    EXPECT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].text, OpenFailed());
    EXPECT_EQ(ShownLabels(), Labels(2));
    EXPECT_NE(QApplication::focusWidget(), msec);
    EXPECT_EQ(config.monRelayMode, 0);
    EXPECT_EQ(config.monRelayTimeMs, 0) << "the refused time is not taken";
}

TEST_F(ConfiguratorDlgTest, ScrollingByMouseGivesAnEditedDurationToEveryRowOfTheRelay)
{
    config.toneTable[3].relayName = "R02";
    config.toneTable[5].relayName = "R02";
    config.toneTable[3].relayDurationMs = 500;
    config.toneTable[5].relayDurationMs = 500;
    dialog->RefreshFromRecord();
    TypeInto(RowEdit(3, "Duration"), QStringLiteral("700"));
    ClickLineDownArrow();
    EXPECT_EQ(ShownLabels(), Labels(2));
    EXPECT_EQ(config.toneTable[3].relayDurationMs, 700);
    EXPECT_EQ(config.toneTable[5].relayDurationMs, 700);
    EXPECT_EQ(RowEdit(4, "Duration")->text(), QStringLiteral("700")) << "F05 on screen";

    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("relays.Q47"));
    ui.filesToSave << path;
    ClickButton("Save Config");
    UnitConfig saved;
    ASSERT_TRUE(ReadConfigFile(saved, path.toStdString()));
    EXPECT_EQ(saved.toneTable[3].relayDurationMs, 700);
    EXPECT_EQ(saved.toneTable[5].relayDurationMs, 700);
}

TEST_F(ConfiguratorDlgTest, ClosingGivesAnEditedDurationToEveryRowOfTheRelay)
{
    config.toneTable[3].relayName = "R02";
    config.toneTable[5].relayName = "R02";
    dialog->RefreshFromRecord();
    TypeInto(RowEdit(3, "Duration"), QStringLiteral("700"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(config.toneTable[5].relayDurationMs, 700);
}

TEST_F(ConfiguratorDlgTest, TypedRelayKeepsItsCase)
{
    config.toneTable[12].relayName = "R01";
    dialog->RefreshFromRecord();
    TypeInto(RowCombo(3, "Relay")->lineEdit(), QStringLiteral("r0"));
    PressTab();
    TypeInto(RowCombo(4, "Relay")->lineEdit(), QStringLiteral("r01"));
    PressTab();
    TypeInto(RowCombo(4, "Group")->lineEdit(), QStringLiteral("3"));
    TypeInto(RowEdit(4, "Duration"), QStringLiteral("700"));
    PressTab();
    TypeInto(RowCombo(5, "Relay")->lineEdit(), QStringLiteral("R0"));
    PressTab();
    EXPECT_EQ(RowCombo(3, "Relay")->currentText(), QStringLiteral("r0"));
    EXPECT_EQ(RowCombo(4, "Relay")->currentText(), QStringLiteral("r01"));
    EXPECT_EQ(RowCombo(5, "Relay")->currentText(), QStringLiteral("R01")) << "completion in the same case";
    ClickLineDownArrow();
    EXPECT_EQ(config.toneTable[3].relayName, "r0");
    EXPECT_EQ(config.toneTable[4].relayName, "r01");
    EXPECT_EQ(config.toneTable[5].relayName, "R01");
    EXPECT_EQ(config.toneTable[12].relayGroup, 1) << "r01 is not relay R01";
    EXPECT_EQ(config.toneTable[12].relayDurationMs, 0);
}

TEST_F(ConfiguratorDlgTest, PortSelectionOkWithoutAChangeKeepsTheCurrentPort)
{
    ui.onDialog = [](QDialog& ports) {
        EXPECT_TRUE(Child<QRadioButton>(ports, QStringLiteral("com1"))->isChecked());
        QTest::mouseClick(Child<QPushButton>(ports, QStringLiteral("ok")), Qt::LeftButton);
    };
    dialog->OnComPort();
    EXPECT_EQ(dialog->PortSelection(), 0);
    EXPECT_EQ(UnitTransfer::PortName(dialog->PortSelection()), "Com1");

    ui.onDialog = [](QDialog& ports) {
        QTest::mouseClick(Child<QRadioButton>(ports, QStringLiteral("com2")), Qt::LeftButton);
        QTest::mouseClick(Child<QPushButton>(ports, QStringLiteral("ok")), Qt::LeftButton);
    };
    dialog->OnComPort();
    EXPECT_EQ(dialog->PortSelection(), 1);

    ui.onDialog = [](QDialog& ports) {
        EXPECT_TRUE(Child<QRadioButton>(ports, QStringLiteral("com2"))->isChecked());
        QTest::mouseClick(Child<QRadioButton>(ports, QStringLiteral("com1")), Qt::LeftButton);
    };
    dialog->OnComPort();
    EXPECT_EQ(dialog->PortSelection(), 1) << "closing without OK keeps the port";
}

TEST_F(ConfiguratorDlgTest, SendStopsWhenAValueIsRefused)
{
    TypeInto(RowEdit(4, "Ctcss"), QStringLiteral("65"));
    ClickButton("Send To Q47");
    ASSERT_EQ(ui.messages.size(), 1u) << "no transfer after the range message";
    EXPECT_EQ(ui.messages[0],
              (Message{QStringLiteral("Please enter an integer between 0 and 64."), Icon::Exclamation}));
    EXPECT_EQ(QApplication::focusWidget(), RowEdit(4, "Ctcss"));

    TypeInto(RowEdit(4, "Ctcss"), QStringLiteral("64"));
    ClickButton("Send To Q47");
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1], (Message{OpenFailed(), Icon::Error}));
}

TEST_F(ConfiguratorDlgTest, SaveStopsWhenAValueIsRefused)
{
    QTest::mouseClick(Control<QRadioButton>("momentary"), Qt::LeftButton);
    TypeInto(Control<QLineEdit>("monRelayTimeMs"), QStringLiteral("60001"));
    ClickButton("Save Config");
    EXPECT_EQ(ui.saveRequests, 0);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("Please enter an integer between 0 and 60000."));
}

TEST_F(ConfiguratorDlgTest, CancelledLoadKeepsTheEditsOnScreen)
{
    RowEdit(1, "Duration")->setText(QStringLiteral("123"));
    RowCombo(2, "Relay")->setEditText(QStringLiteral("R02"));
    QTest::mouseClick(Control<QCheckBox>("errorBeeps"), Qt::LeftButton);
    QTest::mouseClick(Control<QCheckBox>("halfDuplex"), Qt::LeftButton);
    dialog->OnLoadConfig();
    EXPECT_EQ(ui.openRequests, 1);
    EXPECT_EQ(RowEdit(1, "Duration")->text(), QStringLiteral("123"));
    EXPECT_EQ(RowCombo(2, "Relay")->currentText(), QStringLiteral("R02"));
    EXPECT_FALSE(Control<QCheckBox>("errorBeeps")->isChecked());
    EXPECT_TRUE(Control<QCheckBox>("halfDuplex")->isChecked());
    EXPECT_EQ(config.toneTable[1].relayDurationMs, 123);
    EXPECT_EQ(config.errorBeeps, 0);
}

TEST_F(ConfiguratorDlgTest, FailedReceiveKeepsTheEditsOnScreen)
{
    RowEdit(3, "Ctcss")->setText(QStringLiteral("17"));
    QTest::mouseClick(Control<QCheckBox>("audioLoopback"), Qt::LeftButton);
    dialog->OnReceiveFromUnit();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], (Message{OpenFailed(), Icon::Error}));
    EXPECT_EQ(RowEdit(3, "Ctcss")->text(), QStringLiteral("17"));
    EXPECT_TRUE(Control<QCheckBox>("audioLoopback")->isChecked());
    EXPECT_EQ(config.toneTable[3].ctcssTone, 17);
}

TEST_F(ConfiguratorDlgTest, LoadShowsTheFileFromTheFirstRow)
{
    QTemporaryDir folder;
    UnitConfig saved;
    saved.toneMode = 1;
    saved.monRelayMode = 2;
    saved.monRelayTimeMs = 1500;
    saved.toneTable[0].relayName = "R02";
    saved.toneTable[7].ctcssTone = 33;
    const QString path = folder.filePath(QStringLiteral("dual.Q47"));
    ASSERT_TRUE(WriteConfigFile(saved, path.toStdString()));

    ScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
    ui.filesToOpen << path;
    dialog->OnLoadConfig();
    EXPECT_EQ(config, saved);
    EXPECT_TRUE(Control<QRadioButton>("dual")->isChecked());
    EXPECT_EQ(ShownLabels(), Labels(0));
    EXPECT_EQ(ScrollBar()->value(), 0);
    EXPECT_EQ(ScrollBar()->maximum(), 90);
    EXPECT_EQ(RowCombo(1, "Relay")->currentText(), QStringLiteral("R02"));
    EXPECT_EQ(RowEdit(8, "Ctcss")->text(), QStringLiteral("33"));
    EXPECT_TRUE(Control<QLineEdit>("monRelayTimeMs")->isEnabled());
    EXPECT_EQ(Control<QLineEdit>("monRelayTimeMs")->text(), QStringLiteral("1500"));
}

TEST_F(ConfiguratorDlgTest, LoadOfAFileThatHoldsNoConfigurationChangesNothingAndSaysSo)
{
    QTemporaryDir folder;
    struct Case {
        const char* name;
        std::string content;
    };
    const std::vector<Case> cases{
        {"hello.txt", "hello world\n"},
        {"empty.Q47", ""},
        {"picture.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10", 20)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = folder.filePath(QString::fromLatin1(c.name));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(c.content.data(), static_cast<qint64>(c.content.size()));
        file.close();
        ui.messages.clear();
        ui.filesToOpen << path;
        ClickButton("Load Config");
        EXPECT_EQ(config, UnitConfig());
        EXPECT_EQ(RowCombo(1, "Relay")->currentText(), QString());
        EXPECT_EQ(RowCombo(2, "Relay")->currentText(), QString());
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0], (Message{QString::fromLatin1(c.name) +
                                               QStringLiteral(" holds no configuration: nothing was loaded."),
                                           Icon::Exclamation}));
    }

    // A file with one line of numbers still loads, as the reader takes it: its numbers,
    // and empty relay texts where the file has none.
    const QString firstLine = folder.filePath(QStringLiteral("first-line.Q47"));
    QFile file(firstLine);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("1  0  0  2  800  1  0\r\n");
    file.close();
    ui.messages.clear();
    ui.filesToOpen << firstLine;
    ClickButton("Load Config");
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(config.toneMode, 1);
    EXPECT_EQ(config.monRelayMode, 2);
    EXPECT_EQ(config.monRelayTimeMs, 800);
    EXPECT_EQ(config.ctcssToneMode, 1);
    EXPECT_TRUE(Control<QRadioButton>("dual")->isChecked());
    EXPECT_EQ(Control<QLineEdit>("monRelayTimeMs")->text(), QStringLiteral("800"));
}

TEST_F(ConfiguratorDlgTest, TheWheelScrollsTheRowsAndChangesOnlyAComboClickedInto)
{
    ChooseDual();
    ASSERT_EQ(ShownLabels(), Labels(1));
    // Over a combo box, an edit, a greyed field and the gap between two fields, the
    // wheel scrolls the rows, three a notch.
    WheelAt(CentreOf(RowCombo(2, "Group")), 1);
    EXPECT_EQ(ShownLabels(), Labels(4));
    WheelAt(CentreOf(RowEdit(3, "Duration")), 1);
    EXPECT_EQ(ShownLabels(), Labels(7));
    WheelAt(CentreOf(RowEdit(1, "Label")), 1);
    EXPECT_EQ(ShownLabels(), Labels(10));
    const QPoint gap = (RowCombo(1, "Relay")->geometry().topRight() + RowCombo(1, "Group")->geometry().bottomLeft()) / 2;
    ASSERT_EQ(dialog->childAt(gap), nullptr);
    WheelAt(gap, -1);
    EXPECT_EQ(ShownLabels(), Labels(7));
    EXPECT_EQ(config.toneTable, UnitConfig().toneTable) << "no relay setting changed on the way";

    // Clicked into, the combo box takes the wheel while it has the focus.
    QComboBox* group = RowCombo(2, "Group");
    QTest::mouseClick(group->lineEdit(), Qt::LeftButton);
    ASSERT_EQ(QApplication::focusWidget(), group);
    WheelAt(CentreOf(group), 1);
    EXPECT_EQ(group->currentText(), QStringLiteral("2"));
    EXPECT_EQ(ShownLabels(), Labels(7));
    // Over another row the rows scroll, taking the new group into the table.
    WheelAt(CentreOf(RowCombo(5, "Relay")), 1);
    EXPECT_EQ(ShownLabels(), Labels(10));
    EXPECT_EQ(config.toneTable[8].relayGroup, 2);

    // Reached with the keyboard, it is not clicked into: the wheel scrolls the rows.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    ASSERT_EQ(QApplication::focusWidget(), group);
    WheelAt(CentreOf(group), -1);
    EXPECT_EQ(ShownLabels(), Labels(7));
    EXPECT_EQ(config.toneTable[11].relayGroup, 1);
    EXPECT_EQ(group->currentText(), QStringLiteral("2")) << "row F08 again";
}

TEST_F(ConfiguratorDlgTest, SaveThenLoadRestoresAnEditedConfiguration)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("edited.Q47"));
    RowCombo(5, "Relay")->setEditText(QStringLiteral("R01"));
    RowCombo(5, "Group")->setEditText(QStringLiteral("3"));
    RowEdit(5, "Duration")->setText(QStringLiteral("800"));
    RowEdit(6, "DigitalOutput")->setText(QStringLiteral("64"));
    QTest::mouseClick(Control<QCheckBox>("pttToneOnly"), Qt::LeftButton);
    QTest::mouseClick(Control<QRadioButton>("r2AlsoOnPtt"), Qt::LeftButton);
    Control<QComboBox>("pttFrequency")->setCurrentIndex(7);
    ui.onDialog = [](QDialog& morse) {
        Child<QLineEdit>(morse, QStringLiteral("morseText"))->setText(QStringLiteral("DE TEST"));
        QTest::mouseClick(Child<QPushButton>(morse, QStringLiteral("ok")), Qt::LeftButton);
    };
    dialog->OnMorseCode();
    ui.filesToSave << path;
    dialog->OnSaveConfig();
    const UnitConfig edited = config;
    EXPECT_EQ(edited.toneTable[5].relayName, "R01");
    EXPECT_EQ(edited.toneTable[5].relayGroup, 3);
    EXPECT_EQ(edited.toneTable[6].digitalOutput, 64);
    EXPECT_EQ(edited.pttFrequency, "2970");
    EXPECT_EQ(edited.pttAuxRelay, 2);
    EXPECT_EQ(edited.morseText, "DE TEST");

    RowEdit(5, "Duration")->setText(QStringLiteral("5"));
    QTest::mouseClick(Control<QCheckBox>("pttToneOnly"), Qt::LeftButton);
    dialog->CommitVisibleRows();
    ASSERT_NE(config, edited);

    ui.filesToOpen << path;
    dialog->OnLoadConfig();
    EXPECT_EQ(config, edited);
    EXPECT_EQ(RowEdit(5, "Duration")->text(), QStringLiteral("800"));
    EXPECT_TRUE(Control<QCheckBox>("pttToneOnly")->isChecked());
}

TEST_F(ConfiguratorDlgTest, PttFrequencyOutsideTheListIsShownAndKept)
{
    config.pttFrequency = "1234";
    dialog->RefreshFromRecord();
    auto* frequency = Control<QComboBox>("pttFrequency");
    EXPECT_EQ(frequency->currentText(), QStringLiteral("1234"));
    EXPECT_EQ(frequency->itemText(0), QStringLiteral("1234")) << "the list stays sorted";
    EXPECT_TRUE(dialog->CommitVisibleRows());
    EXPECT_EQ(config.pttFrequency, "1234");

    config.pttFrequency = "2300";
    dialog->RefreshFromRecord();
    EXPECT_EQ(frequency->currentText(), QStringLiteral("2300"));
    EXPECT_EQ(frequency->count(), 8) << "the stray item goes again";
}

}  // namespace
