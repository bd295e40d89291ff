// Batch mode against the fake board server: what it prints and its exit
// status for each outcome.
#include "automation/core/HResult.h"
#include "upgrade/BatchOptions.h"
#include "upgrade/BatchRun.h"
#include "upgrade/Ez2181Driver.h"
#include "upgrade/tests/FakeBoardControl.h"
#include "upgrade/tests/PelloriBus.h"

#include "platform/PortMap.h"
#include "platform/UsbLatencyTimer.h"

#include <QDir>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

using Calls = std::vector<std::string>;

class BatchRunTest : public PelloriBus {
protected:
    int Run(const std::vector<std::string>& args)
    {
        std::string error;
        const auto options = BatchOptions::Parse(args, error);
        EXPECT_TRUE(options) << error;
        if (!options) return -1;
        QDBusConnection connection = Connect();
        Ez2181Driver driver(connection);
        BatchRun run(driver, out_, err_);
        run.SetSysfsRoot(sysfsRoot_);
        return run.Run(*options);
    }

    std::ostringstream out_;
    std::ostringstream err_;
    std::string sysfsRoot_ = "/nonexistent-sysfs";
};

TEST_F(BatchRunTest, EveryStepInOrderPrintsTheStatusTextsAndSucceeds)
{
    RegisterFakeServer();
    StartBus();
    EXPECT_EQ(Run({"--batch", "--baud", "38400", "--power-on", "--program", "/data/a.bnm", "--verify", "/data/b.bnm"}),
              BatchRun::kSuccess);
    EXPECT_EQ(FakeBoardControl::Calls(),
              (Calls{"put ErrorMethod 2", "SetBaud 38400", "PowerOn", "ProgFlash /data/a.bnm", "VerifyFlash /data/b.bnm"}));
    EXPECT_EQ(out_.str(), "Baud rate 38400\n"
                          "Turn Power On NOW...\nWaiting....\nPower is ON\n"
                          "PROGRAMMING...\nPlease Wait...\nSuccessfully Programmed!\n"
                          "VERIFYING...\nPlease wait...\nVerify Successfull!\n");
    EXPECT_EQ(err_.str(), "");
}

// The adapter's node and its sysfs timer are files of the test's own.
TEST_F(BatchRunTest, ASlowAdapterTimerIsReportedWithTheFix)
{
    RegisterFakeServer();
    StartBus();
    const std::string node = TempPath("ttyUSB3");
    std::ofstream(node).put('\0');
    ASSERT_TRUE(PortMap::Link("com1", node));
    sysfsRoot_ = TempPath("sys");
    std::filesystem::create_directories(sysfsRoot_ + "/class/tty/ttyUSB3/device");
    std::ofstream(sysfsRoot_ + "/class/tty/ttyUSB3/device/latency_timer") << "16\n";

    EXPECT_EQ(Run({"--batch", "--baud", "38400"}), BatchRun::kSuccess) << err_.str();
    EXPECT_EQ(out_.str(), "Baud rate 38400\npellori: COM1: " + UsbLatencyTimer::Warning(PortMap::LinkPath("com1"), sysfsRoot_) + "\n");
    EXPECT_NE(out_.str().find("latency timer is 16 ms"), std::string::npos);

    // At 1 ms, as after the driver took low-latency mode, there is nothing to say.
    std::ofstream(sysfsRoot_ + "/class/tty/ttyUSB3/device/latency_timer") << "1\n";
    out_.str("");
    EXPECT_EQ(Run({"--batch", "--baud", "38400"}), BatchRun::kSuccess);
    EXPECT_EQ(out_.str(), "Baud rate 38400\n");
}

TEST_F(BatchRunTest, RelativeFilesAreGivenToTheServerAsFullPaths)
{
    RegisterFakeServer();
    StartBus();
    EXPECT_EQ(Run({"--batch", "--verify", "sub/../dsp.bnm"}), BatchRun::kSuccess);
    const std::string full = QDir::current().absoluteFilePath(QStringLiteral("dsp.bnm")).toStdString();
    EXPECT_EQ(FakeBoardControl::Calls(), (Calls{"put ErrorMethod 2", "SetBaud 9600", "VerifyFlash " + full}));
}

TEST_F(BatchRunTest, EachFailingStepHasItsOwnExitStatusAndStopsTheRun)
{
    RegisterFakeServer();
    StartBus();
    struct Case {
        const char* member;
        int status;
        const char* stderrText;
    };
    const Case cases[] = {
        {"SetBaud", BatchRun::kBaudFailed, "pellori: cannot set the line rate: broken\n"},
        {"PowerOn", BatchRun::kPowerOnFailed, "broken\n"},
        {"ProgFlash", BatchRun::kProgrammingFailed, "!! ERROR PROGRAMMING !!\nbroken\n"},
        {"VerifyFlash", BatchRun::kVerifyFailed, "!! ERROR VERIFYING !!\nbroken\n"},
    };
    for (const Case& c : cases) {
        FakeBoardControl::Set("SetBaud", "error", "");
        FakeBoardControl::Set("PowerOn", "error", "");
        FakeBoardControl::Set("ProgFlash", "error", "");
        FakeBoardControl::Set("VerifyFlash", "error", "");
        FakeBoardControl::Set(c.member, "error", "broken");
        out_.str("");
        err_.str("");
        EXPECT_EQ(Run({"--batch", "--power-on", "--program", "/a.bnm", "--verify", "/a.bnm"}), c.status) << c.member;
        EXPECT_EQ(err_.str(), c.stderrText) << c.member;
        EXPECT_EQ(FakeBoardControl::Calls().back().rfind(c.member, 0), 0u) << c.member;
    }
}

TEST_F(BatchRunTest, TheWholeErrorTextIsPrinted)
{
    RegisterFakeServer();
    StartBus();
    const std::string text(150, 'e');
    FakeBoardControl::Set("ProgFlash", "error", text);
    EXPECT_EQ(Run({"--batch", "--program", "/a.bnm"}), BatchRun::kProgrammingFailed);
    EXPECT_EQ(err_.str(), "!! ERROR PROGRAMMING !!\n" + text + "\n");
}

TEST_F(BatchRunTest, NoServerRegisteredIsNoServerObject)
{
    StartBus();
    EXPECT_EQ(Run({"--batch", "--power-on"}), BatchRun::kNoServerObject);
    EXPECT_EQ(err_.str(), "pellori: no server object: class not registered: run varnix -Register to register the "
                          "server\n");
    EXPECT_EQ(out_.str(), "");
}

TEST_F(BatchRunTest, ServerKilledDuringACallEndsTheRunWithTheStepsStatus)
{
    RegisterFakeServer();
    FakeBoardControl::Set("ProgFlash", "hang", "true");
    StartBus();
    std::thread killer([&] {
        // No Qt on this thread: the server said where it is.
        while (FakeBoardControl::Calls().size() < 3) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ::kill(FakeBoardControl::ServerPid(), SIGKILL);
    });
    EXPECT_EQ(Run({"--batch", "--program", "/a.bnm", "--verify", "/a.bnm"}), BatchRun::kProgrammingFailed);
    killer.join();
    EXPECT_EQ(err_.str(), "!! ERROR PROGRAMMING !!\n" + HResultText(RPC_E_SERVER_DIED) + "\n");
}

TEST(BatchOptionsTest, ParsesEveryOptionAndRefusesMistakes)
{
    std::string error;
    auto options = BatchOptions::Parse({"--batch", "--baud", "115200", "--power-on", "--verify", "v.bnm"}, error);
    ASSERT_TRUE(options);
    EXPECT_EQ(options->baud, 115200);
    EXPECT_TRUE(options->powerOn);
    EXPECT_FALSE(options->programFile);
    EXPECT_EQ(options->verifyFile, "v.bnm");

    options = BatchOptions::Parse({"--batch"}, error);
    ASSERT_TRUE(options);
    EXPECT_EQ(options->baud, 9600);
    EXPECT_FALSE(options->powerOn);

    EXPECT_FALSE(BatchOptions::Parse({"--batch", "--baud", "fast"}, error));
    EXPECT_EQ(error, "--baud needs a rate such as 9600, not \"fast\"");
    EXPECT_FALSE(BatchOptions::Parse({"--batch", "--baud", "-9600"}, error));
    EXPECT_FALSE(BatchOptions::Parse({"--batch", "--program"}, error));
    EXPECT_EQ(error, "--program needs a value");
    EXPECT_FALSE(BatchOptions::Parse({"--batch", "--erase"}, error));
    EXPECT_EQ(error, "unexpected \"--erase\"");
    EXPECT_FALSE(BatchOptions::Parse({"--power-on"}, error));
    EXPECT_EQ(error, "--batch is missing");

    EXPECT_TRUE(BatchOptions::Requested({"--batch"}));
    EXPECT_TRUE(BatchOptions::Requested({"--help"}));
    EXPECT_FALSE(BatchOptions::Requested({"-Embedding"}));
}

TEST(BatchOptionsTest, PortsAreKeptInOrderAndNoneIsGivenTwice)
{
    std::string error;
    auto options = BatchOptions::Parse({"--batch", "--port", "com2", "--port", "COM3", "--power-on"}, error);
    ASSERT_TRUE(options);
    EXPECT_EQ(options->ports, (std::vector<std::string>{"com2", "COM3"}));
    EXPECT_TRUE(BatchOptions::Parse({"--batch"}, error)->ports.empty());

    EXPECT_FALSE(BatchOptions::Parse({"--batch", "--port", "com2", "--port", "Com2"}, error));
    EXPECT_EQ(error, "--port Com2 is given twice");
    EXPECT_FALSE(BatchOptions::Parse({"--batch", "--port"}, error));
    EXPECT_EQ(error, "--port needs a value");
}

TEST(BatchRunTextTest, TerminalTextTurnsCrLfIntoNewlines)
{
    EXPECT_EQ(BatchRun::TerminalText("a\r\nb\r\n"), "a\nb\n");
    EXPECT_EQ(BatchRun::TerminalText("lone\rcr\n"), "lone\rcr\n");
}

}  // namespace
