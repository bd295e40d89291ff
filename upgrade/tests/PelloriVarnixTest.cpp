// The upgrade dialog and batch mode end to end: the varnix server started by
// a private bus, the simulated 2181 board on a pseudo-terminal linked as com1.
#include "automation/core/HResult.h"
#include "monitor/core/tests/SRecordFiles.h"
#include "simulators/ez2181/Ez2181Simulator.h"
#include "simulators/ptyline/PtyLinePort.h"
#include "upgrade/BatchOptions.h"
#include "upgrade/BatchRun.h"
#include "upgrade/CPelloriDlg.h"
#include "upgrade/Ez2181Driver.h"
#include "upgrade/tests/PelloriDialogFixture.h"
#include "platform/PortMap.h"
#include "platform/PtyPair.h"
#include "platform/tests/LoopbackPeer.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTextDocument>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>
#include <optional>
#include <sstream>

namespace {

constexpr std::uint32_t kImageAddress = 0x000200;

class PelloriVarnixTest : public PelloriDialogFixture {
protected:
    void SetUp() override
    {
        PelloriBus::SetUp();
        ASSERT_TRUE(line_.Start("com1"));
        ASSERT_EQ(QProcess::execute(QStringLiteral(VARNIX_PATH), {QStringLiteral("-Register")}), 0);
        StartBus();
        image_ = PatternBytes(700, 21);
        goodFile_ = MakeSRecordFile(files_, "dsp.bnm", {{kImageAddress, image_}});
        std::vector<std::uint8_t> other = image_;
        other[333] ^= 0x40;
        otherFile_ = MakeSRecordFile(files_, "other.bnm", {{kImageAddress, other}});
    }

    void TearDown() override
    {
        PelloriDialogFixture::TearDown();
        line_.Stop();
    }

    // Opens the dialog, whose start-up must reach the server without a message.
    void OpenQuietly()
    {
        Open();
        ASSERT_TRUE(prompts_.messages.empty()) << prompts_.messages[0].text.toStdString();
    }

    std::vector<std::uint8_t> Flash() { return board_.FlashBytes(kImageAddress, image_.size()); }

    // While the next call runs, the board is switched on and says so until it is answered.
    void SwitchOnDuringTheNextCall()
    {
        dialog_->CallRunner().SetOnWaiting([this] {
            board_.PowerUp();
            auto* repeat = new QTimer(dialog_.get());
            QObject::connect(repeat, &QTimer::timeout, repeat, [this, repeat] {
                if (board_.PowerOnAcknowledged())
                    repeat->deleteLater();
                else
                    board_.SendPowerOnFrame();
            });
            repeat->start(100);
        });
    }

    Ez2181Simulator board_;
    PtyLinePort line_{board_};
    TempFolder files_;
    std::vector<std::uint8_t> image_;
    std::string goodFile_;
    std::string otherFile_;
};

TEST_F(PelloriVarnixTest, PowerOnProgramAndVerifyThroughTheServer)
{
    OpenQuietly();
    EXPECT_EQ(BaudList()->currentText(), QStringLiteral("9600"));

    SwitchOnDuringTheNextCall();
    Click(CPelloriDlg::kPowerOn);
    EXPECT_EQ(dialog_->StatusText(), "Power is ON");
    // The acknowledgement is on its way to the board when the call returns.
    EXPECT_TRUE(WaitFor([this] { return board_.PowerOnAcknowledged(); }));
    dialog_->CallRunner().SetOnWaiting(nullptr);

    ClickChoosing(CPelloriDlg::kProgram, QString::fromStdString(goodFile_));
    EXPECT_EQ(dialog_->StatusText(), "Successfully Programmed!");
    EXPECT_EQ(Flash(), image_);

    ClickChoosing(CPelloriDlg::kVerify, QString::fromStdString(goodFile_));
    EXPECT_EQ(dialog_->StatusText(), "Verify Successfull!");

    // The server's text, and the address of the byte that differs from its error code.
    ClickChoosing(CPelloriDlg::kVerify, QString::fromStdString(otherFile_));
    EXPECT_EQ(dialog_->StatusText(), "!! ERROR VERIFYING !!\r\nVerify Error at Addr 0x034D (low 16 bits)");
    EXPECT_EQ(Flash(), image_);
}

TEST_F(PelloriVarnixTest, AMissingFileIsTheServersErrorOpeningFile)
{
    OpenQuietly();
    ClickChoosing(CPelloriDlg::kProgram, QString::fromStdString(files_.Path("missing.bnm")));
    EXPECT_EQ(dialog_->StatusText(), "!! ERROR PROGRAMMING !!\r\nError opening file");
}

TEST_F(PelloriVarnixTest, TheChosenRateReachesTheLine)
{
    // A board that hears only 115200 baud.
    line_.Server().SetBaud(115200);
    line_.Server().SetRequireMatchingRate(true);
    OpenQuietly();
    ClickChoosing(CPelloriDlg::kProgram, QString::fromStdString(goodFile_));
    EXPECT_EQ(dialog_->StatusText().rfind("!! ERROR PROGRAMMING !!\r\n", 0), 0u);

    QTest::keyClick(BaudList(), Qt::Key_End);
    EXPECT_EQ(BaudList()->currentText(), QStringLiteral("115200"));
    EXPECT_TRUE(prompts_.messages.empty());
    ClickChoosing(CPelloriDlg::kProgram, QString::fromStdString(goodFile_));
    EXPECT_EQ(dialog_->StatusText(), "Successfully Programmed!");
    EXPECT_EQ(Flash(), image_);
}

TEST_F(PelloriVarnixTest, ASilentBoardIsTheServersDeviceTimeout)
{
    OpenQuietly();
    Click(CPelloriDlg::kPowerOn);
    EXPECT_EQ(dialog_->StatusText(), "ERROR: Device Timeout");
}

TEST_F(PelloriVarnixTest, TheServerKilledDuringPowerOnSaysTheServerEndedAndWhatToDoAndNothingHangs)
{
    OpenQuietly();
    const QString server = driver_->ServerName();
    dialog_->CallRunner().SetOnWaiting([&] {
        // Let the call reach the server's power-on wait.
        QThread::msleep(300);
        EXPECT_TRUE(KillOwner(server));
    });
    Click(CPelloriDlg::kPowerOn);
    EXPECT_EQ(dialog_->StatusText(), HResultText(RPC_E_SERVER_DIED) + "; close pellori and start it again");
    EXPECT_TRUE(NameGone(server));

    // The dialog holds its one object for its whole run: every later action
    // says that the server has ended and what to do.
    dialog_->CallRunner().SetOnWaiting(nullptr);
    const std::string ended = HResultText(RPC_E_DISCONNECTED) + ": the varnix server has ended; close pellori and start it again";
    Click(CPelloriDlg::kPowerOn);
    EXPECT_EQ(dialog_->StatusText(), ended);
    ClickChoosing(CPelloriDlg::kVerify, QString::fromStdString(goodFile_));
    EXPECT_EQ(dialog_->StatusText(), "!! ERROR VERIFYING !!\r\n" + ended);
    QTest::keyClick(BaudList(), Qt::Key_End);
    ASSERT_EQ(prompts_.messages.size(), 1u);
    EXPECT_EQ(prompts_.messages[0].text.toStdString(), ended);
}

TEST_F(PelloriVarnixTest, BatchModeProgramsAndVerifiesAndReportsAMismatch)
{
    std::ostringstream out;
    std::ostringstream err;
    std::string error;
    {
        QDBusConnection connection = Connect();
        Ez2181Driver driver(connection);
        const auto options = BatchOptions::Parse({"--batch", "--program", goodFile_, "--verify", goodFile_}, error);
        ASSERT_TRUE(options);
        EXPECT_EQ(BatchRun(driver, out, err).Run(*options), BatchRun::kSuccess) << err.str();
    }
    EXPECT_EQ(Flash(), image_);
    EXPECT_EQ(out.str(), "Baud rate 9600\nPROGRAMMING...\nPlease Wait...\n"
                         "0% (0 of 768 bytes)\n33% (256 of 768 bytes)\n66% (512 of 768 bytes)\n100% (768 of 768 bytes)\n"
                         "Successfully Programmed!\n"
                         "VERIFYING...\nPlease wait...\n"
                         "0% (0 of 768 bytes)\n33% (256 of 768 bytes)\n66% (512 of 768 bytes)\n100% (768 of 768 bytes)\n"
                         "Verify Successfull!\n");

    QDBusConnection connection = Connect();
    Ez2181Driver driver(connection);
    const auto options = BatchOptions::Parse({"--batch", "--verify", otherFile_}, error);
    ASSERT_TRUE(options);
    EXPECT_EQ(BatchRun(driver, out, err).Run(*options), BatchRun::kVerifyFailed);
    EXPECT_EQ(err.str(), "!! ERROR VERIFYING !!\nVerify Error at Addr 0x034D (low 16 bits)\n");
}

// Output that stops the server process (SIGSTOP) at the first progress line
// written to it: the server then neither answers nor reports progress.
class StopServerAtProgress : public std::stringbuf {
public:
    explicit StopServerAtProgress(std::function<void()> stop) : stop_(std::move(stop)) {}

protected:
    int sync() override
    {
        if (!stopped_ && str().find("% (") != std::string::npos) {
            stopped_ = true;
            stop_();
        }
        return 0;
    }

private:
    std::function<void()> stop_;
    bool stopped_ = false;
};

TEST_F(PelloriVarnixTest, BatchModeEndsWhenTheServerStopsAnsweringDuringProgFlash)
{
    std::string error;
    const auto options = BatchOptions::Parse({"--batch", "--program", goodFile_}, error);
    ASSERT_TRUE(options);
    QDBusConnection connection = Connect();
    Ez2181Driver driver(connection);
    driver.SetCallTimeout(std::chrono::seconds(2));
    pid_t server = 0;
    StopServerAtProgress outBuffer([&] {
        server = static_cast<pid_t>(ServerPid(driver.ServerName()));
        ASSERT_NE(server, 0);
        ::kill(server, SIGSTOP);
    });
    std::ostream out(&outBuffer);
    std::ostringstream err;

    EXPECT_EQ(BatchRun(driver, out, err).Run(*options), BatchRun::kProgrammingFailed);
    ASSERT_NE(server, 0) << "no progress was reported";
    EXPECT_EQ(err.str().rfind("!! ERROR PROGRAMMING !!\nthe server stopped answering; its messages go to the "
                              "session bus's standard error",
                              0),
              0u)
        << err.str();
    // Once the server stopped answering, nothing more waits for it.
    driver.Release();
    ::kill(server, SIGKILL);
    ::kill(server, SIGCONT);
}

// The lines of a batch run's output; a progress line is kept as its percent.
std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::optional<int> PercentOf(const std::string& line)
{
    const auto sign = line.find("% (");
    if (sign == std::string::npos || line.back() != ')') return std::nullopt;
    return std::stoi(line.substr(0, sign));
}

// The progress lines between a status text and the next one: at least one
// every 5 percent, from 0 to 100, over `total` bytes.
void ExpectProgressSteps(const std::vector<std::string>& lines, std::size_t from, std::size_t to, std::uint64_t total)
{
    ASSERT_LT(from, to);
    int last = -5;
    for (std::size_t i = from; i < to; ++i) {
        const auto percent = PercentOf(lines[i]);
        ASSERT_TRUE(percent) << lines[i];
        EXPECT_GT(*percent, last) << lines[i];
        EXPECT_LE(*percent, last + 5) << lines[i];
        last = *percent;
    }
    EXPECT_EQ(lines[from], "0% (0 of " + std::to_string(total) + " bytes)");
    EXPECT_EQ(lines[to - 1], "100% (" + std::to_string(total) + " of " + std::to_string(total) + " bytes)");
}

TEST_F(PelloriVarnixTest, BatchModeShowsProgressOfAFullImageAtLeastEveryFivePercent)
{
    constexpr std::uint64_t kFullImage = 256 * 1024;
    const std::vector<std::uint8_t> full = PatternBytes(kFullImage, 47);
    const std::string file = MakeSRecordFile(files_, "full.bnm", {{0, full}});
    std::ostringstream out;
    std::ostringstream err;
    std::string error;
    int status = -1;
    {
        QDBusConnection connection = Connect();
        Ez2181Driver driver(connection);
        const auto options = BatchOptions::Parse({"--batch", "--program", file, "--verify", file}, error);
        ASSERT_TRUE(options);
        status = BatchRun(driver, out, err).Run(*options);
    }
    EXPECT_EQ(status, BatchRun::kSuccess) << err.str();
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(board_.FlashBytes(0, kFullImage), full);

    const std::vector<std::string> lines = Lines(out.str());
    ASSERT_GE(lines.size(), 9u);
    const auto at = [&lines](const char* text) {
        return static_cast<std::size_t>(std::find(lines.begin(), lines.end(), text) - lines.begin());
    };
    EXPECT_EQ(lines[0], "Baud rate 9600");
    EXPECT_EQ(at("PROGRAMMING..."), 1u);
    EXPECT_EQ(at("Please Wait..."), 2u);
    ExpectProgressSteps(lines, 3, at("Successfully Programmed!"), kFullImage);
    EXPECT_EQ(at("VERIFYING..."), at("Successfully Programmed!") + 1);
    EXPECT_EQ(at("Please wait..."), at("VERIFYING...") + 1);
    ExpectProgressSteps(lines, at("Please wait...") + 1, lines.size() - 1, kFullImage);
    EXPECT_EQ(lines.back(), "Verify Successfull!");
}

TEST_F(PelloriVarnixTest, TheDialogShowsProgressUnderTheStatusTextDuringTheCallAndTheOutcomeAfterIt)
{
    const std::vector<std::uint8_t> image = PatternBytes(32 * 1024, 9);
    const std::string file = MakeSRecordFile(files_, "progress.bnm", {{0, image}});
    OpenQuietly();
    struct Shown {
        QString text;
        bool callRunning;
    };
    std::vector<Shown> shown;
    QObject::connect(StatusBox(), &QPlainTextEdit::textChanged, StatusBox(),
                     [&] { shown.push_back({StatusBox()->toPlainText(), dialog_->CallRunning()}); });

    ClickChoosing(CPelloriDlg::kProgram, QString::fromStdString(file));
    EXPECT_EQ(dialog_->StatusText(), "Successfully Programmed!");
    EXPECT_EQ(StatusBox()->toPlainText(), QStringLiteral("Successfully Programmed!"));
    EXPECT_EQ(board_.FlashBytes(0, image.size()), image);

    const QString busy = QStringLiteral("PROGRAMMING...\nPlease Wait...\n");
    std::vector<QString> progress;
    for (const Shown& s : shown)
        if (s.text.startsWith(busy)) {
            EXPECT_TRUE(s.callRunning) << s.text.toStdString();
            progress.push_back(s.text.mid(busy.size()));
        }
    ASSERT_GE(progress.size(), 2u);
    EXPECT_EQ(progress.front(), QStringLiteral("0% (0 of 32768 bytes)"));
    EXPECT_EQ(progress.back(), QStringLiteral("100% (32768 of 32768 bytes)"));
    EXPECT_EQ(shown.back().text, QStringLiteral("Successfully Programmed!"));
    EXPECT_FALSE(shown.back().callRunning);
    // The box has room for the two lines of the status text and the progress line.
    const int threeLines = 3 * StatusBox()->fontMetrics().lineSpacing() +
                           2 * static_cast<int>(StatusBox()->document()->documentMargin());
    EXPECT_GE(StatusBox()->viewport()->height(), threeLines);
}

}  // namespace

namespace {

// Switched on: a simulated board that sends its power-on frame every 100 ms
// until the PC answers it, on its own pseudo-terminal linked as `port`.
class SwitchedOnBoard {
public:
    explicit SwitchedOnBoard(const char* port)
    {
        started_ = line_.Start(port);
        board_.PowerUp();
        greeter_ = std::thread([this] {
            while (!stop_ && !board_.PowerOnAcknowledged()) {
                board_.SendPowerOnFrame();
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        });
    }
    ~SwitchedOnBoard()
    {
        stop_ = true;
        greeter_.join();
        line_.Stop();
    }

    bool started() const { return started_; }
    std::vector<std::uint8_t> Flash(std::size_t count) const { return board_.FlashBytes(kImageAddress, count); }

private:
    Ez2181Simulator board_;
    PtyLinePort line_{board_};
    bool started_ = false;
    std::atomic<bool> stop_{false};
    std::thread greeter_;
};

}  // namespace

TEST_F(PelloriVarnixTest, BatchModeOnFourPortsProgramsThreeBoardsAndReportsTheOneSwitchedOff)
{
    SwitchedOnBoard second("com2");
    SwitchedOnBoard third("com3");
    SwitchedOnBoard fourth("com4");
    ASSERT_TRUE(second.started() && third.started() && fourth.started());
    PtyPair switchedOff;  // linked, but no board answers behind it
    ASSERT_TRUE(PortMap::Link("com5", switchedOff.slavePath()));

    QProcess pellori;
    pellori.start(QStringLiteral(PELLORI_PATH),
                  {QStringLiteral("--batch"), QStringLiteral("--port"), QStringLiteral("com2"), QStringLiteral("--port"),
                   QStringLiteral("com3"), QStringLiteral("--port"), QStringLiteral("com4"), QStringLiteral("--port"),
                   QStringLiteral("com5"), QStringLiteral("--baud"), QStringLiteral("38400"), QStringLiteral("--power-on"),
                   QStringLiteral("--program"), QString::fromStdString(goodFile_), QStringLiteral("--verify"),
                   QString::fromStdString(goodFile_)});
    ASSERT_TRUE(pellori.waitForFinished(120000));
    const std::string out = pellori.readAllStandardOutput().toStdString();
    const std::string err = pellori.readAllStandardError().toStdString();
    // The worst board's status: its power-on wait failed.
    EXPECT_EQ(pellori.exitCode(), BatchRun::kPowerOnFailed) << out << err;

    const std::vector<std::string> lines = Lines(out);
    const auto has = [&](const std::string& line) { return std::find(lines.begin(), lines.end(), line) != lines.end(); };
    for (const char* port : {"com2", "com3", "com4"}) {
        SCOPED_TRACE(port);
        EXPECT_TRUE(has(std::string(port) + ": Power is ON")) << out;
        EXPECT_TRUE(has(std::string(port) + ": Successfully Programmed!"));
        EXPECT_TRUE(has(std::string(port) + ": Verify Successfull!"));
    }
    EXPECT_TRUE(has("com5: Turn Power On NOW..."));
    EXPECT_FALSE(has("com5: Power is ON"));
    EXPECT_NE(err.find("com5: ERROR: Device Timeout\n"), std::string::npos) << err;
    EXPECT_EQ(second.Flash(image_.size()), image_);
    EXPECT_EQ(third.Flash(image_.size()), image_);
    EXPECT_EQ(fourth.Flash(image_.size()), image_);

    // The table closes the output: a line for each board, in the order given.
    const auto header = std::find_if(lines.begin(), lines.end(), [](const std::string& line) { return line.rfind("Port ", 0) == 0; });
    ASSERT_NE(header, lines.end()) << out;
    ASSERT_EQ(lines.end() - header, 5);
    EXPECT_EQ(*header, "Port  Result" + std::string(16, ' ') + "Time  Error");
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(header[1 + i].substr(0, 23), std::string("com") + char('2' + i) + "  ok" + std::string(15, ' '));
        EXPECT_EQ(header[1 + i].back(), 's');  // the time, and no error text
    }
    EXPECT_EQ(header[4].substr(0, 23), "com5  power-on failed  ");
    const std::string timeout = " s  ERROR: Device Timeout";
    EXPECT_EQ(header[4].substr(header[4].size() - timeout.size()), timeout);
}

// Batch mode on network ports that fail: a refused one fails the power-on wait at once with
// the refusal, and one that never answers is asked once for the whole run, so the run ends
// within the 3 s its text names (counted as connections, not timed).
TEST_F(PelloriVarnixTest, BatchModeOnAFailingNetworkPortSaysWhyAndAsksItOnce)
{
    LoopbackPeer refusing(LoopbackPeer::Kind::Refusing);
    LoopbackPeer silent(LoopbackPeer::Kind::Listening);
    ASSERT_TRUE(refusing.ok() && silent.ok());
    const std::string link = PortMap::LinkPath("com4");
    const struct {
        std::string address;
        QStringList steps;
        int status;
        std::string failure;
    } cases[] = {
        {refusing.Address(), {"--power-on"}, BatchRun::kPowerOnFailed, "com4: Can't write to serial port (COM4 (" + link + "): " + refusing.HostAndPort() + " refused the connection (no port server listens there))\n"},
        {silent.Address(), {"--program", QString::fromStdString(goodFile_)}, BatchRun::kProgrammingFailed, "com4: !! ERROR PROGRAMMING !!\ncom4: Can't write to serial port (COM4 (" + link + "): " + silent.HostAndPort() + " does not do RFC 2217: no answer to the com-port control option within 3 s)\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address);
        ASSERT_TRUE(PortMap::Link("com4", c.address));
        QProcess pellori;
        pellori.start(QStringLiteral(PELLORI_PATH),
                      QStringList{QStringLiteral("--batch"), QStringLiteral("--port"), QStringLiteral("com4"),
                                  QStringLiteral("--baud"), QStringLiteral("38400")} +
                          c.steps);
        ASSERT_TRUE(pellori.waitForFinished(120000));
        const std::string err = pellori.readAllStandardError().toStdString();
        EXPECT_EQ(pellori.exitCode(), c.status) << err;
        EXPECT_NE(err.find(c.failure), std::string::npos) << err;
    }
    EXPECT_EQ(silent.Connections(), 1);
}
