#include "configurator/DataExchange.h"
#include "configurator/tests/ScriptedInteraction.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QRadioButton>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

using Icon = UserInteraction::Icon;

class DataExchangeTest : public ::testing::Test {
protected:
    DataExchange Taking() { return DataExchange(DataExchange::Direction::FromControls, ui, &owner); }
    DataExchange Putting() { return DataExchange(DataExchange::Direction::ToControls, ui, &owner); }

    ScriptedInteraction ui;
    QWidget owner;
};

TEST_F(DataExchangeTest, IntegerInRangeIsTakenAndPutBack)
{
    auto* edit = new QLineEdit(&owner);
    int value = 7;
    Putting().Integer(edit, value, -40, 10);
    EXPECT_EQ(edit->text(), QStringLiteral("7"));
    edit->setText(QStringLiteral(" -40 "));
    DataExchange exchange = Taking();
    exchange.Integer(edit, value, -40, 10);
    EXPECT_FALSE(exchange.Failed());
    EXPECT_EQ(value, -40);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(DataExchangeTest, OutOfRangeShowsTheRangeMessageFocusesAndStopsTheExchange)
{
    auto* first = new QLineEdit(&owner);
    auto* second = new QLineEdit(&owner);
    owner.show();
    owner.activateWindow();
    first->setText(QStringLiteral("-41"));
    second->setText(QStringLiteral("3"));
    int a = 1;
    int b = 1;
    DataExchange exchange = Taking();
    exchange.Integer(first, a, -40, 10);
    exchange.Integer(second, b, 0, 5);
    EXPECT_TRUE(exchange.Failed());
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 1) << "controls after the refused one are not read";
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0],
              (ScriptedInteraction::Message{QStringLiteral("Please enter an integer between -40 and 10."),
                                            Icon::Exclamation}));
    EXPECT_EQ(owner.focusWidget(), first);
    EXPECT_EQ(first->selectedText(), QStringLiteral("-41"));
}

TEST_F(DataExchangeTest, OnlyWhatTheUserCanMendIsRefused)
{
    auto* fromFile = new QLineEdit(&owner);
    auto* greyed = new QLineEdit(&owner);
    auto* typed = new QLineEdit(&owner);
    int time = 70000;
    int greyedTime = 5;
    int typedTime = 5;
    Putting().Integer(fromFile, time, 0, 60000);
    greyed->setText(QStringLiteral("70000"));
    greyed->setEnabled(false);
    QTest::keyClicks(typed, QStringLiteral("70000"));  // what the user typed
    ASSERT_EQ(typed->text(), QStringLiteral("70000"));

    DataExchange exchange(DataExchange::Direction::FromControls, ui, &owner, DataExchange::Refusals::Quiet);
    exchange.Integer(fromFile, time, 0, 60000);
    exchange.Integer(greyed, greyedTime, 0, 60000);
    EXPECT_FALSE(exchange.Failed());
    exchange.Integer(typed, typedTime, 0, 60000);
    EXPECT_TRUE(exchange.Failed());
    EXPECT_EQ(time, 70000) << "a value the control was given is kept as it is";
    EXPECT_EQ(greyedTime, 5);
    EXPECT_EQ(typedTime, 5);
    EXPECT_TRUE(ui.messages.empty()) << "a quiet exchange leaves the telling to its caller";
    EXPECT_EQ(exchange.Refused().control, typed);
    EXPECT_EQ(exchange.Refused().message, QStringLiteral("Please enter an integer between 0 and 60000."));
}

TEST_F(DataExchangeTest, TextThatIsNoNumberAsksForAnInteger)
{
    auto* edit = new QLineEdit(&owner);
    int value = 3;
    for (const QString& text : {QStringLiteral(""), QStringLiteral("12abc"), QStringLiteral("x")}) {
        ui.messages.clear();
        edit->setText(text);
        DataExchange exchange = Taking();
        exchange.Integer(edit, value, 0, 100);
        EXPECT_TRUE(exchange.Failed()) << text.toStdString();
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, QStringLiteral("Please enter an integer."));
    }
    EXPECT_EQ(value, 3);
}

TEST_F(DataExchangeTest, UnsignedRefusesASign)
{
    auto* edit = new QLineEdit(&owner);
    int value = 9;
    edit->setText(QStringLiteral("-5"));
    DataExchange exchange = Taking();
    exchange.Unsigned(edit, value, 0, 200);
    EXPECT_TRUE(exchange.Failed());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("Please enter a positive integer."));
    EXPECT_EQ(value, 9);

    edit->setText(QStringLiteral("201"));
    DataExchange second = Taking();
    second.Unsigned(edit, value, 0, 200);
    EXPECT_EQ(ui.messages.back().text, QStringLiteral("Please enter an integer between 0 and 200."));
}

TEST_F(DataExchangeTest, ChecksAndRadios)
{
    auto* box = new QCheckBox(&owner);
    auto* group = new QButtonGroup(&owner);
    auto* first = new QRadioButton(&owner);
    auto* second = new QRadioButton(&owner);
    group->addButton(first, 0);
    group->addButton(second, 1);

    int flag = 5;
    int choice = 1;
    DataExchange put = Putting();
    put.Check(box, flag);
    put.Radio(group, choice);
    EXPECT_TRUE(box->isChecked());
    EXPECT_TRUE(second->isChecked());

    choice = -1;
    Putting().Radio(group, choice);
    EXPECT_FALSE(first->isChecked());
    EXPECT_FALSE(second->isChecked());
    EXPECT_TRUE(group->exclusive());

    first->setChecked(true);
    box->setChecked(false);
    DataExchange take = Taking();
    take.Check(box, flag);
    take.Radio(group, choice);
    EXPECT_EQ(flag, 0);
    EXPECT_EQ(choice, 0);
}

TEST_F(DataExchangeTest, TextLengthAndComboTexts)
{
    auto* edit = new QLineEdit(&owner);
    std::string text = "ABC";
    edit->setText(QStringLiteral("ABCDEF"));
    DataExchange exchange = Taking();
    exchange.Text(edit, text, 5);
    EXPECT_TRUE(exchange.Failed());
    EXPECT_EQ(ui.messages.back().text, QStringLiteral("Please enter no more than 5 characters."));
    EXPECT_EQ(text, "ABC");

    auto* list = new QComboBox(&owner);
    list->addItems({QStringLiteral("2100"), QStringLiteral("2175")});
    std::string frequency = "2175";
    Putting().ComboText(list, frequency);
    EXPECT_EQ(list->currentIndex(), 1);

    auto* editable = new QComboBox(&owner);
    editable->setEditable(true);
    editable->addItems({QStringLiteral("R01"), QStringLiteral("R02")});
    std::string relay;
    Putting().ComboText(editable, relay);
    EXPECT_EQ(editable->currentText(), QString()) << "an empty relay is not shown as the first item";
    editable->setEditText(QStringLiteral("R7"));
    Taking().ComboText(editable, relay);
    EXPECT_EQ(relay, "R7");
}

}  // namespace
