// The upgrade dialog against the fake board server on a private bus: the
// exact calls it makes, its status texts, and every kind of failure.
#include "automation/dbus/AutomationError.h"
#include "automation/core/HResult.h"
#include "upgrade/CPelloriDlg.h"
#include "upgrade/Ez2181Driver.h"
#include "upgrade/tests/FakeBoardControl.h"
#include "upgrade/tests/PelloriDialogFixture.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <thread>


namespace {

using Calls = std::vector<std::string>;
using Icon = UserPrompts::Icon;

const std::string kLongError = std::string(100, 'E') + std::string(50, 'x');  // 150 characters

struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

class PelloriDlgTest : public PelloriDialogFixture {
protected:
    // Calls after the start-up's two.
    static Calls LaterCalls()
    {
        Calls calls = FakeBoardControl::Calls();
        calls.erase(calls.begin(), calls.begin() + std::min<std::ptrdiff_t>(2, static_cast<std::ptrdiff_t>(calls.size())));
        return calls;
    }

    // Holds the next call of `member` in the server until `whileHeld` has run.
    void HoldNextCall(const std::string& member, std::function<void()> whileHeld)
    {
        const std::string release = TempPath("release-" + member + std::to_string(++held_));
        FakeBoardControl::Set(member, "waitFor", release);
        dialog_->CallRunner().SetOnWaiting([=] {
            whileHeld();
            QFile(QString::fromStdString(release)).open(QIODevice::WriteOnly);
        });
    }

private:
    int held_ = 0;
};

// A server the bus starts late, on a busy machine, may reach a held call after
// its test is over: the call then ends instead of waiting for ever for a file
// in a folder that is gone, which would keep the test's output open.
TEST_F(PelloriDlgTest, TheFakeServersHeldCallEndsWhenItsTestsFolderIsGone)
{
    auto release = std::make_unique<QTemporaryDir>();
    FakeBoardControl::Set("SetBaud", "waitFor", (release->path() + QStringLiteral("/release")).toStdString());
    release.reset();
    const auto ended = std::make_shared<std::atomic<bool>>(false);
    std::thread([ended] {
        FakeBoardControl::Act("SetBaud");
        *ended = true;
    }).detach();
    EXPECT_TRUE(WaitFor([&] { return ended->load(); }));
}

TEST_F(PelloriDlgTest, StartUpAsksForExceptionsThenSets9600ThenSelects9600)
{
    RegisterFakeServer();
    StartBus();
    MakeDialog();
    EXPECT_EQ(BaudList()->currentIndex(), -1);
    EXPECT_TRUE(FakeBoardControl::Calls().empty());

    dialog_->InitDialog();
    EXPECT_EQ(FakeBoardControl::Calls(), (Calls{"put ErrorMethod 2", "SetBaud 9600"}));
    EXPECT_EQ(BaudList()->currentText(), QStringLiteral("9600"));
    EXPECT_EQ(dialog_->BaudRateText(), QStringLiteral("9600"));
    EXPECT_TRUE(prompts_.messages.empty());
    EXPECT_EQ(dialog_->StatusText(), "");
}

TEST_F(PelloriDlgTest, WhileTheServerStartsTheDialogRepaintsSaysWhatItWaitsForAndDropsInput)
{
    RegisterFakeServer();
    const std::string release = TempPath("release-create");
    FakeBoardControl::Set("Create", "waitFor", release);
    StartBus();
    MakeDialog();
    driver_->SetCreateTimeout(std::chrono::seconds(2));
    dialog_->show();

    PaintCounter counter;
    bool running = false;
    QString statusWhileWaiting;
    int paintsWhileWaiting = 0;
    dialog_->CallRunner().SetOnWaiting([&] {
        running = dialog_->CallRunning();
        statusWhileWaiting = StatusBox()->toPlainText();
        StatusBox()->viewport()->installEventFilter(&counter);
        StatusBox()->viewport()->update();
        Click(CPelloriDlg::kAbout);
        Click(CPelloriDlg::kPowerOn);
        dialog_->close();
        WaitFor([&] { return counter.paints > 0; });
        paintsWhileWaiting = counter.paints;
    });
    dialog_->InitDialog();
    QFile(QString::fromStdString(release)).open(QIODevice::WriteOnly);
    StatusBox()->viewport()->removeEventFilter(&counter);

    EXPECT_TRUE(running);
    EXPECT_EQ(statusWhileWaiting, QStringLiteral("Starting the varnix server...\nPlease Wait..."));
    EXPECT_GT(paintsWhileWaiting, 0);
    EXPECT_EQ(prompts_.aboutBoxes, 0);
    EXPECT_TRUE(dialog_->isVisible());
    // The time-out ends the wait like a server that cannot start.
    EXPECT_FALSE(driver_->IsCreated());
    ASSERT_EQ(prompts_.messages.size(), 1u);
    EXPECT_EQ(prompts_.messages[0].text.toStdString(),
              CPelloriDlg::CutErrorText(AutomationError::Text(CO_E_SERVER_EXEC_FAILURE)));
    EXPECT_EQ(prompts_.messages[0].icon, Icon::None);
    EXPECT_EQ(dialog_->StatusText(), "");
    EXPECT_TRUE(FakeBoardControl::Calls().empty());
}

TEST_F(PelloriDlgTest, BaudChangeCallsSetBaudWithTheChosenRateAndLeavesTheStatusBox)
{
    OpenOnFakeServer();
    QTest::keyClick(BaudList(), Qt::Key_End);
    EXPECT_EQ(dialog_->BaudRateText(), QStringLiteral("115200"));
    QTest::keyClick(BaudList(), Qt::Key_Home);
    EXPECT_EQ(LaterCalls(), (Calls{"SetBaud 115200", "SetBaud 9600"}));
    EXPECT_EQ(dialog_->StatusText(), "");
    EXPECT_TRUE(prompts_.messages.empty());
}

TEST_F(PelloriDlgTest, PowerOnShowsPowerIsOnOrTheServersText)
{
    OpenOnFakeServer();
    std::string statusDuringCall;
    HoldNextCall("PowerOn", [&] { statusDuringCall = dialog_->StatusText(); });
    Click(CPelloriDlg::kPowerOn);
    EXPECT_EQ(statusDuringCall, "Turn Power On NOW...\r\nWaiting....");
    EXPECT_EQ(dialog_->StatusText(), "Power is ON");
    EXPECT_EQ(StatusBox()->toPlainText(), QStringLiteral("Power is ON"));

    FakeBoardControl::Set("PowerOn", "error", "ERROR: Device Timeout");
    Click(CPelloriDlg::kPowerOn);
    EXPECT_EQ(dialog_->StatusText(), "ERROR: Device Timeout");
    EXPECT_EQ(LaterCalls(), (Calls{"PowerOn", "PowerOn"}));
}

// Program and Verify, each the first call after the start-up: the path chosen reaches
// the server, the status box says what runs while it runs, then that it succeeded.
struct FileCommand {
    const char* name;
    int button;
    const char* member;
    const char* file;
    const char* statusDuringCall;
    const char* statusAfter;

    friend void PrintTo(const FileCommand& row, std::ostream* out) { *out << row.name; }
};

class PelloriDlgFileCommandTest : public PelloriDlgTest, public ::testing::WithParamInterface<FileCommand> {};

TEST_P(PelloriDlgFileCommandTest, PassesTheChosenPathAndShowsSuccess)
{
    const FileCommand& command = GetParam();
    OpenOnFakeServer();
    std::string statusDuringCall;
    HoldNextCall(command.member, [&] { statusDuringCall = dialog_->StatusText(); });
    ClickChoosing(command.button, QString::fromLatin1(command.file));
    EXPECT_EQ(statusDuringCall, command.statusDuringCall);
    EXPECT_EQ(dialog_->StatusText(), command.statusAfter);
    EXPECT_EQ(LaterCalls(), (Calls{std::string(command.member) + " " + command.file}));
}

INSTANTIATE_TEST_SUITE_P(Commands, PelloriDlgFileCommandTest,
                         ::testing::Values(FileCommand{"Program", CPelloriDlg::kProgram, "ProgFlash", "/data/boards/dsp.bnm",
                                                       "PROGRAMMING...\r\nPlease Wait...", "Successfully Programmed!"},
                                           FileCommand{"VerifyWithoutAnythingBefore", CPelloriDlg::kVerify, "VerifyFlash",
                                                       "/data/dsp.bnm", "VERIFYING...\r\nPlease wait...",
                                                       "Verify Successfull!"}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(PelloriDlgTest, ProgramFailureShowsTheHeadingAndTheServersTextOnTheNextLine)
{
    OpenOnFakeServer();
    FakeBoardControl::Set("ProgFlash", "error", "Error opening file");
    ClickChoosing(CPelloriDlg::kProgram, QStringLiteral("/nowhere/missing.bnm"));
    EXPECT_EQ(dialog_->StatusText(), "!! ERROR PROGRAMMING !!\r\nError opening file");
    EXPECT_EQ(StatusBox()->toPlainText(), QStringLiteral("!! ERROR PROGRAMMING !!\nError opening file"));
}

TEST_F(PelloriDlgTest, CancelledFileDialogCallsNothingAndKeepsTheStatus)
{
    OpenOnFakeServer();
    Click(CPelloriDlg::kPowerOn);
    prompts_.AnswerFile(std::nullopt);
    prompts_.AnswerFile(std::nullopt);
    Click(CPelloriDlg::kProgram);
    Click(CPelloriDlg::kVerify);
    EXPECT_EQ(prompts_.fileDialogs, 2);
    EXPECT_EQ(LaterCalls(), (Calls{"PowerOn"}));
    EXPECT_EQ(dialog_->StatusText(), "Power is ON");
}

TEST_F(PelloriDlgTest, LongServerErrorIsCutTo99CharactersInTheStatusBoxAndTheMessageBox)
{
    OpenOnFakeServer();
    FakeBoardControl::Set("VerifyFlash", "error", kLongError);
    ClickChoosing(CPelloriDlg::kVerify, QStringLiteral("/data/dsp.bnm"));
    EXPECT_EQ(dialog_->StatusText(), "!! ERROR VERIFYING !!\r\n" + kLongError.substr(0, 99));

    FakeBoardControl::Set("SetBaud", "error", kLongError);
    QTest::keyClick(BaudList(), Qt::Key_Down);
    ASSERT_EQ(prompts_.messages.size(), 1u);
    EXPECT_EQ(prompts_.messages[0].text.toStdString(), kLongError.substr(0, 99));
    EXPECT_EQ(prompts_.messages[0].icon, Icon::None);
    // The new selection stays; the status box is not touched.
    EXPECT_EQ(BaudList()->currentText(), QStringLiteral("19200"));
    EXPECT_EQ(dialog_->StatusText(), "!! ERROR VERIFYING !!\r\n" + kLongError.substr(0, 99));
}

TEST_F(PelloriDlgTest, ALongErrorWrapsInTheStatusBoxAndDetailsOpensItWhole)
{
    OpenOnFakeServer();
    const std::string remedy =
        "COM1 is not in the port map: /home/tech/.config/dosdevices has no link named com1. Link the port to its "
        "device with: ln -sfn /dev/ttyUSB0 /home/tech/.config/dosdevices/com1";
    FakeBoardControl::Set("PowerOn", "error", remedy);
    Click(CPelloriDlg::kPowerOn);
    // The status keeps its form: the error's first 99 characters.
    EXPECT_EQ(dialog_->StatusText(), remedy.substr(0, 99));
    // All of it is in sight: broken into lines at the box's width, none hidden.
    EXPECT_EQ(StatusBox()->horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(StatusBox()->verticalScrollBar()->maximum(), 0);
    QPushButton* details = Button(CPelloriDlg::kDetails);
    ASSERT_TRUE(details->isVisible());
    QTest::mouseClick(details, Qt::LeftButton);
    ASSERT_EQ(prompts_.messages.size(), 1u);
    EXPECT_EQ(prompts_.messages[0].text.toStdString(), remedy);

    FakeBoardControl::Set("ProgFlash", "error", remedy);
    ClickChoosing(CPelloriDlg::kProgram, QStringLiteral("/data/dsp.bnm"));
    EXPECT_EQ(dialog_->StatusText(), "!! ERROR PROGRAMMING !!\r\n" + remedy.substr(0, 99));
    EXPECT_EQ(StatusBox()->verticalScrollBar()->maximum(), 0);
    QTest::mouseClick(details, Qt::LeftButton);
    ASSERT_EQ(prompts_.messages.size(), 2u);
    EXPECT_EQ(prompts_.messages[1].text.toStdString(), "!! ERROR PROGRAMMING !!\n" + remedy);

    // A text shown whole, and a success, need no details.
    FakeBoardControl::Set("PowerOn", "error", "ERROR: Device Timeout");
    Click(CPelloriDlg::kPowerOn);
    EXPECT_FALSE(details->isVisible());
    FakeBoardControl::Set("PowerOn", "error", remedy);
    Click(CPelloriDlg::kPowerOn);
    EXPECT_TRUE(details->isVisible());
    FakeBoardControl::Set("PowerOn", "error", "");
    Click(CPelloriDlg::kPowerOn);
    EXPECT_EQ(dialog_->StatusText(), "Power is ON");
    EXPECT_FALSE(details->isVisible());
}

TEST_F(PelloriDlgTest, NoServerRegisteredShowsTheAutomationTextAndActionsShowErrorsWithoutCalls)
{
    StartBus();
    Open();
    ASSERT_EQ(prompts_.messages.size(), 1u);
    const std::string notRegistered = "class not registered: run varnix -Register to register the server";
    EXPECT_EQ(prompts_.messages[0].text.toStdString(), notRegistered);
    EXPECT_EQ(prompts_.messages[0].icon, Icon::None);
    EXPECT_TRUE(dialog_->isVisible());
    EXPECT_EQ(BaudList()->currentIndex(), -1);

    Click(CPelloriDlg::kPowerOn);
    EXPECT_EQ(dialog_->StatusText(), notRegistered);
    Click(CPelloriDlg::kProgram);
    EXPECT_EQ(dialog_->StatusText(), "!! ERROR PROGRAMMING !!\r\n" + notRegistered);
    Click(CPelloriDlg::kVerify);
    EXPECT_EQ(dialog_->StatusText(), "!! ERROR VERIFYING !!\r\n" + notRegistered);
    EXPECT_EQ(prompts_.fileDialogs, 0);
    QTest::keyClick(BaudList(), Qt::Key_End);
    ASSERT_EQ(prompts_.messages.size(), 2u);
    EXPECT_EQ(prompts_.messages[1].text.toStdString(), notRegistered);
    EXPECT_EQ(dialog_->StatusText(), "!! ERROR VERIFYING !!\r\n" + notRegistered);
}

TEST_F(PelloriDlgTest, ServerThatCannotStartLeavesNoObjectAndNoSuccessText)
{
    RegisterMissingServer();
    StartBus();
    Open();
    ASSERT_EQ(prompts_.messages.size(), 1u);
    EXPECT_EQ(prompts_.messages[0].text.toStdString(),
              CPelloriDlg::CutErrorText(AutomationError::Text(CO_E_SERVER_EXEC_FAILURE)));
    EXPECT_FALSE(driver_->IsCreated());
    const std::string text = CPelloriDlg::CutErrorText(AutomationError::Text(CO_E_SERVER_EXEC_FAILURE));
    EXPECT_EQ(text.rfind("server execution failed: run varnix -Register again", 0), 0u);
    Click(CPelloriDlg::kPowerOn);
    EXPECT_EQ(dialog_->StatusText(), text);
    Click(CPelloriDlg::kProgram);
    EXPECT_EQ(dialog_->StatusText(), "!! ERROR PROGRAMMING !!\r\n" + text);
}

TEST_F(PelloriDlgTest, ServerErrorAtStartUpShowsAStopBoxWithTheWholeTextAndSkipsTheRest)
{
    RegisterFakeServer();
    FakeBoardControl::Set("SetBaud", "error", kLongError);
    StartBus();
    Open();
    ASSERT_EQ(prompts_.messages.size(), 1u);
    EXPECT_EQ(prompts_.messages[0].text.toStdString(), kLongError);
    EXPECT_EQ(prompts_.messages[0].icon, Icon::Stop);
    EXPECT_EQ(BaudList()->currentIndex(), -1);
    EXPECT_EQ(FakeBoardControl::Calls(), (Calls{"put ErrorMethod 2", "SetBaud 9600"}));
}

TEST_F(PelloriDlgTest, ServerKilledDuringACallShowsAnAutomationErrorAndLaterCallsFailToo)
{
    OpenOnFakeServer();
    FakeBoardControl::Set("PowerOn", "hang", "true");
    const QString server = driver_->ServerName();
    dialog_->CallRunner().SetOnWaiting([&] {
        ASSERT_TRUE(WaitFor([] { return FakeBoardControl::Calls().size() == 3; }));
        EXPECT_TRUE(KillOwner(server));
    });
    Click(CPelloriDlg::kPowerOn);
    EXPECT_EQ(dialog_->StatusText(), HResultText(RPC_E_SERVER_DIED) + "; close pellori and start it again");
    EXPECT_TRUE(NameGone(server));

    dialog_->CallRunner().SetOnWaiting(nullptr);
    ClickChoosing(CPelloriDlg::kProgram, QStringLiteral("/data/dsp.bnm"));
    EXPECT_EQ(dialog_->StatusText(), "!! ERROR PROGRAMMING !!\r\n" + HResultText(RPC_E_DISCONNECTED) +
                                         ": the varnix server has ended; close pellori and start it again");
}

TEST_F(PelloriDlgTest, WhileACallRunsTheDialogRepaintsButDropsInput)
{
    OpenOnFakeServer();
    prompts_.AnswerFile(QStringLiteral("/data/dsp.bnm"));

    PaintCounter counter;
    bool runningDuringInput = false;
    int paintsDuringCall = 0;
    HoldNextCall("ProgFlash", [&] {
        ASSERT_TRUE(WaitFor([] { return FakeBoardControl::Calls().size() == 3; }));
        runningDuringInput = dialog_->CallRunning();
        StatusBox()->viewport()->installEventFilter(&counter);
        StatusBox()->viewport()->update();
        Click(CPelloriDlg::kAbout);
        Click(CPelloriDlg::kPowerOn);
        QTest::keyClick(BaudList(), Qt::Key_End);
        dialog_->close();
        WaitFor([&] { return counter.paints > 0; });
        paintsDuringCall = counter.paints;
    });
    Click(CPelloriDlg::kProgram);

    EXPECT_TRUE(runningDuringInput);
    EXPECT_GT(paintsDuringCall, 0);
    EXPECT_EQ(prompts_.aboutBoxes, 0);
    EXPECT_EQ(LaterCalls(), (Calls{"ProgFlash /data/dsp.bnm"}));
    EXPECT_EQ(BaudList()->currentText(), QStringLiteral("9600"));
    EXPECT_TRUE(dialog_->isVisible());
    EXPECT_EQ(dialog_->StatusText(), "Successfully Programmed!");
    StatusBox()->viewport()->removeEventFilter(&counter);

    // Input after the call is acted on again.
    Click(CPelloriDlg::kAbout);
    EXPECT_EQ(prompts_.aboutBoxes, 1);
}

}  // namespace

namespace {

// The window menu's key, Alt+Space, on the focused button: in the active
// dialog, where the key opens the window menu, and with the dialog not active
// (no window manager to activate it), where the key reaches the button itself.
TEST_F(PelloriDlgTest, AltSpaceOnTheFocusedButtonPressesNothing)
{
    OpenOnFakeServer();
    QPushButton* powerOn = Button(CPelloriDlg::kPowerOn);
    for (int i = 0; i < 8 && QApplication::focusWidget() != powerOn; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), powerOn);
    const auto altSpace = [&] {
        QTest::keyPress(powerOn, Qt::Key_Alt);
        QTest::keyClick(powerOn, Qt::Key_Space, Qt::AltModifier);
        QTest::keyRelease(powerOn, Qt::Key_Alt, Qt::AltModifier);
    };

    altSpace();
    EXPECT_TRUE(dialog_->SystemMenu()->isVisible());
    QTest::keyClick(dialog_->SystemMenu(), Qt::Key_Escape);
    EXPECT_TRUE(WaitFor([&] { return !dialog_->SystemMenu()->isVisible(); }));

    QWidget elsewhere;
    elsewhere.show();
    QApplication::setActiveWindow(&elsewhere);
    ASSERT_NE(QApplication::activeWindow(), dialog_.get());
    altSpace();
    QTest::keyClick(powerOn, Qt::Key_Space, Qt::AltModifier);
    EXPECT_EQ(LaterCalls(), Calls{});
    EXPECT_EQ(dialog_->StatusText(), "");

    // Space alone still presses it.
    QTest::keyClick(powerOn, Qt::Key_Space);
    EXPECT_EQ(LaterCalls(), Calls{"PowerOn"});
}

}  // namespace
