// The main dialog against the simulated unit on pseudo-terminals linked into the port map.

#include "configurator/CConfiguratorDlg.h"
#include "configurator/ConfigStream.h"
#include "configurator/UnitTransfer.h"
#include "configurator/tests/ScriptedInteraction.h"
#include "configurator/tests/Widgets.h"
#include "platform/PortMap.h"
#include "platform/TermiosCommDevice.h"
#include "platform/tests/ScopedConfigHome.h"
#include "simulators/dspq47/Q47Unit.h"
#include "simulators/ptyline/PtyLinePort.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

using Icon = UserInteraction::Icon;
using Message = ScriptedInteraction::Message;

// The fields the unit holds for `config`.
Q47Unit::Fields UnitFields(const UnitConfig& config)
{
    const ConfigStream::Bytes stream = ConfigStream::Encode(config);
    Q47Unit::Fields fields{};
    std::copy_n(stream.begin(), fields.size(), fields.begin());
    return fields;
}

class ConfiguratorEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(runner.Start("com1"));
        dialog = std::make_unique<CConfiguratorDlg>(config, ui);
        dialog->show();
        dialog->activateWindow();
    }

    template <class T>
    T* Control(const QString& name)
    {
        return Child<T>(*dialog, name);
    }
    QLineEdit* RowEdit(int k, const char* column)
    {
        return Control<QLineEdit>(QStringLiteral("row%1%2").arg(k).arg(QLatin1String(column)));
    }
    QComboBox* RowCombo(int k, const char* column)
    {
        return Control<QComboBox>(QStringLiteral("row%1%2").arg(k).arg(QLatin1String(column)));
    }

    ScopedConfigHome home;
    Q47Unit unit;
    PtyLinePort runner{unit};
    UnitConfig config;
    ScriptedInteraction ui;
    std::unique_ptr<CConfiguratorDlg> dialog;
};

TEST_F(ConfiguratorEndToEndTest, EditSendChangeTheUnitReceive)
{
    RowCombo(3, "Relay")->setEditText(QStringLiteral("R01"));
    RowCombo(3, "Group")->setEditText(QStringLiteral("2"));
    RowEdit(3, "Duration")->setText(QStringLiteral("500"));
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(RowEdit(3, "Duration"), &leave);
    RowEdit(7, "Ctcss")->setText(QStringLiteral("12"));
    Control<QCheckBox>(QStringLiteral("errorBeeps"))->click();
    Control<QRadioButton>(QStringLiteral("momentary"))->click();
    Control<QLineEdit>(QStringLiteral("monRelayTimeMs"))->setText(QStringLiteral("60000"));
    ui.onDialog = [](QDialog& gains) {
        Child<QLineEdit>(gains, QStringLiteral("sidetoneGain"))->setText(QStringLiteral("-40"));
        Child<QPushButton>(gains, QStringLiteral("ok"))->click();
    };
    dialog->OnSetGains();

    ButtonWithText(*dialog, QStringLiteral("Send To Q47"))->click();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], (Message{QStringLiteral("Data Received by DSP-Q47 OK"), Icon::None}));
    EXPECT_EQ(unit.ConfigurationsTaken(), 1u);

    UnitConfig sent;
    sent.toneTable[3].relayName = "R01";
    sent.toneTable[3].relayGroup = 2;
    sent.toneTable[3].relayDurationMs = 500;
    sent.toneTable[7].ctcssTone = 12;
    sent.errorBeeps = 0;
    sent.monRelayMode = 2;
    sent.monRelayTimeMs = 60000;
    sent.sidetoneGain = -40;
    EXPECT_EQ(config, sent);
    EXPECT_EQ(unit.StoredFields(), UnitFields(sent));

    UnitConfig unitSide = sent;
    unitSide.toneMode = 1;
    unitSide.toneTable[0].relayName = "R02";
    unitSide.toneTable[0].toneActive = 0;
    unitSide.toneTable[4].relayDurationMs = 2500;
    unitSide.pttFrequency = "2600";
    unitSide.errorBeeps = 1;
    unitSide.morseText = "DE Q47";
    unit.SetStoredFields(UnitFields(unitSide));

    ButtonWithText(*dialog, QStringLiteral("Recv From Q47"))->click();
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1], (Message{QStringLiteral("Data received from DSP-Q47 OK"), Icon::None}));
    EXPECT_EQ(config, unitSide);
    EXPECT_TRUE(Control<QRadioButton>(QStringLiteral("dual"))->isChecked());
    EXPECT_EQ(RowEdit(1, "Label")->text(), QStringLiteral("F00"));
    EXPECT_EQ(RowCombo(1, "Relay")->currentText(), QStringLiteral("R02"));
    EXPECT_FALSE(RowCombo(1, "Relay")->isEnabled());
    EXPECT_EQ(RowEdit(5, "Duration")->text(), QStringLiteral("2500"));
    EXPECT_EQ(RowEdit(4, "Duration")->text(), QStringLiteral("500"));
    EXPECT_EQ(Control<QComboBox>(QStringLiteral("pttFrequency"))->currentText(), QStringLiteral("2600"));
    EXPECT_TRUE(Control<QCheckBox>(QStringLiteral("errorBeeps"))->isChecked());
    EXPECT_EQ(Control<QLineEdit>(QStringLiteral("monRelayTimeMs"))->text(), QStringLiteral("60000"));
}

TEST_F(ConfiguratorEndToEndTest, PttFrequencyTheListDoesNotOfferGoesBackUnchanged)
{
    UnitConfig unitSide;
    unitSide.pttFrequency = "1000";
    unit.SetStoredFields(UnitFields(unitSide));
    ButtonWithText(*dialog, QStringLiteral("Recv From Q47"))->click();
    EXPECT_EQ(Control<QComboBox>(QStringLiteral("pttFrequency"))->currentText(), QStringLiteral("1000"));

    unit.SetStoredFields(UnitFields(UnitConfig()));
    ButtonWithText(*dialog, QStringLiteral("Send To Q47"))->click();
    EXPECT_EQ(unit.StoredFields(), UnitFields(unitSide));
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].text, QStringLiteral("Data Received by DSP-Q47 OK"));
}

TEST_F(ConfiguratorEndToEndTest, ChosenComPortCarriesTheTransfer)
{
    Q47Unit second;
    PtyLinePort secondRunner(second);
    ASSERT_TRUE(secondRunner.Start("com2"));
    ui.onDialog = [](QDialog& ports) {
        Child<QRadioButton>(ports, QStringLiteral("com2"))->click();
        Child<QPushButton>(ports, QStringLiteral("ok"))->click();
    };
    ButtonWithText(*dialog, QStringLiteral("Com Port"))->click();
    ButtonWithText(*dialog, QStringLiteral("Send To Q47"))->click();
    EXPECT_EQ(second.ConfigurationsTaken(), 1u);
    EXPECT_EQ(unit.ConfigurationsTaken(), 0u);

    ui.onDialog = [](QDialog& ports) { Child<QPushButton>(ports, QStringLiteral("ok"))->click(); };
    ButtonWithText(*dialog, QStringLiteral("Com Port"))->click();
    ButtonWithText(*dialog, QStringLiteral("Send To Q47"))->click();
    EXPECT_EQ(second.ConfigurationsTaken(), 2u) << "OK without a change stays on Com2";
    EXPECT_EQ(unit.ConfigurationsTaken(), 0u);
}

TEST_F(ConfiguratorEndToEndTest, ReceiveThatStopsInARowKeepsTheEdits)
{
    unit.SetFault({Q47FaultKind::StopInRow, 40});
    RowEdit(2, "Duration")->setText(QStringLiteral("77"));
    Control<QCheckBox>(QStringLiteral("halfDuplex"))->click();
    ButtonWithText(*dialog, QStringLiteral("Recv From Q47"))->click();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], (Message{QStringLiteral("Timeout receiving Data from DSP-Q47, Check Cables"),
                                       Icon::Error}));
    EXPECT_EQ(RowEdit(2, "Duration")->text(), QStringLiteral("77"));
    EXPECT_TRUE(Control<QCheckBox>(QStringLiteral("halfDuplex"))->isChecked());
    EXPECT_EQ(config.toneTable[2].relayDurationMs, 77);
}

TEST_F(ConfiguratorEndToEndTest, OutOfRangeValuesFromTheUnitAndARefusedEditStopNoTransfer)
{
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    UnitConfig unitSide;
    unitSide.toneTable[1].digitalOutput = 200;
    unitSide.toneTable[2].ctcssTone = 99;
    unit.SetStoredFields(UnitFields(unitSide));
    TypeInto(RowEdit(2, "Ctcss"), QStringLiteral("65"));

    ClickButtonWithText(*dialog, QStringLiteral("Recv From Q47"));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("Data received from DSP-Q47 OK"));
    EXPECT_EQ(RowEdit(1, "DigitalOutput")->text(), QStringLiteral("200"));
    EXPECT_EQ(RowEdit(2, "Ctcss")->text(), QStringLiteral("99"));

    unit.SetStoredFields(UnitFields(UnitConfig()));
    ClickButtonWithText(*dialog, QStringLiteral("Send To Q47"));
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].text, QStringLiteral("Data Received by DSP-Q47 OK"));
    EXPECT_EQ(unit.StoredFields(), UnitFields(unitSide)) << "the unit's values go back unchanged";
}

TEST_F(ConfiguratorEndToEndTest, RefusedConfigurationIsReportedAsAnError)
{
    unit.SetFault({Q47FaultKind::WrongAcknowledge, 0x15});
    ButtonWithText(*dialog, QStringLiteral("Send To Q47"))->click();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], (Message{QStringLiteral("Error in Data sent to DSP-Q47"), Icon::Error}));
}

}  // namespace

namespace {

TEST_F(ConfiguratorEndToEndTest, APortThatDoesNotOpenIsReportedWithItsCauseBelowTheMessage)
{
    // Com1 held by another program: neither transfer reaches the unit.
    TermiosCommDevice other;
    ASSERT_TRUE(other.Open(PortMap::DevicePath("com1")));
    TermiosCommDevice probe;
    ASSERT_FALSE(probe.Open(PortMap::DevicePath("com1")));
    const QString busy = QString::fromStdString(std::string(UnitTransfer::kOpenFailed) + "\nCom1 (" +
                                                PortMap::DevicePath("com1") + "): " + probe.LastError());
    QTest::mouseClick(ButtonWithText(*dialog, QStringLiteral("Send To Q47")), Qt::LeftButton);
    QTest::mouseClick(ButtonWithText(*dialog, QStringLiteral("Recv From Q47")), Qt::LeftButton);
    EXPECT_EQ(ui.messages, (std::vector<Message>{{busy, Icon::Error}, {busy, Icon::Error}}));
    EXPECT_EQ(unit.ConfigurationsTaken(), 0u);
    EXPECT_EQ(unit.ReadRequests(), 0u);

    // Com2 is not in the port map: the message names the link that mends it.
    ui.onDialog = [](QDialog& ports) {
        QTest::mouseClick(Child<QRadioButton>(ports, QStringLiteral("com2")), Qt::LeftButton);
        QTest::mouseClick(Child<QPushButton>(ports, QStringLiteral("ok")), Qt::LeftButton);
    };
    QTest::mouseClick(ButtonWithText(*dialog, QStringLiteral("Com Port")), Qt::LeftButton);
    QTest::mouseClick(ButtonWithText(*dialog, QStringLiteral("Send To Q47")), Qt::LeftButton);
    ASSERT_EQ(ui.messages.size(), 3u);
    EXPECT_EQ(ui.messages[2].text.toStdString(),
              std::string(UnitTransfer::kOpenFailed) + "\n" + PortMap::NotMappedText("Com2"));
    EXPECT_NE(ui.messages[2].text.indexOf(QStringLiteral("ln -sfn /dev/ttyUSB0 ")), -1);
}

}  // namespace
