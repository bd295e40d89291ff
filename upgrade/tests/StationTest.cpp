// The programming station end to end: pellori processes (and the station window)
// with the varnix server started by a private bus and simulated 2181 boards paced
// at 38400 baud, switched on again and again as an operator would.
#include "monitor/core/tests/SRecordFiles.h"
#include "platform/PortMap.h"
#include "upgrade/BatchRun.h"
#include "upgrade/BoardRecord.h"
#include "upgrade/CStationWindow.h"
#include "upgrade/StationRun.h"
#include "upgrade/tests/PelloriBus.h"
#include "upgrade/tests/ScriptedPrompts.h"
#include "upgrade/tests/StationBoard.h"

#include <QDateTime>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>

namespace {

class StationTest : public PelloriBus {
protected:
    void SetUp() override
    {
        PelloriBus::SetUp();
        ASSERT_EQ(QProcess::execute(QStringLiteral(VARNIX_PATH), {QStringLiteral("-Register")}), 0);
        StartBus();
        image_ = PatternBytes(1024, 5);
        file_ = MakeSRecordFile(files_, "station.bnm", {{0, image_}});
        log_ = files_.Path("boards.jsonl");
    }

    void TearDown() override
    {
        for (auto& process : processes_) {
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished();
            }
        }
        PelloriBus::TearDown();
    }

    QProcess& StartProcess(const QString& program, const QStringList& args)
    {
        processes_.push_back(std::make_unique<QProcess>());
        processes_.back()->start(program, args);
        EXPECT_TRUE(processes_.back()->waitForStarted());
        return *processes_.back();
    }

    QProcess& StartStation(const std::vector<std::string>& ports, const std::string& log)
    {
        QStringList args{QStringLiteral("--batch"), QStringLiteral("--station")};
        for (const std::string& port : ports) args << QStringLiteral("--port") << QString::fromStdString(port);
        args << QStringLiteral("--baud") << QStringLiteral("38400") << QStringLiteral("--program")
             << QString::fromStdString(file_) << QStringLiteral("--log") << QString::fromStdString(log);
        return StartProcess(QStringLiteral(PELLORI_PATH), args);
    }

    // A simulator program on `port`: on each SIGUSR1 it sends its power-on frame, and
    // with `repeat` again every second until answered (see StationBoard).
    QProcess& StartSimulator(const char* port, bool repeat)
    {
        QStringList args{QStringLiteral("--baud"), QStringLiteral("38400"), QString::fromLatin1(port)};
        if (repeat) args << QStringLiteral("--power-up-every") << QStringLiteral("1000");
        QProcess& sim = StartProcess(QStringLiteral(EZ2181_SIM_PATH), args);
        EXPECT_TRUE(sim.waitForReadyRead(10000)) << sim.readAllStandardError().toStdString();  // linked and served
        return sim;
    }

    std::vector<QJsonObject> Records() const
    {
        std::vector<QJsonObject> records;
        std::ifstream in(log_);
        for (std::string line; std::getline(in, line);) {
            QJsonParseError error;
            const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
            EXPECT_EQ(error.error, QJsonParseError::NoError) << line;
            records.push_back(document.object());
        }
        return records;
    }

    std::vector<QJsonObject> RecordsOf(const char* port) const
    {
        std::vector<QJsonObject> found;
        for (const QJsonObject& record : Records())
            if (record[QStringLiteral("port")].toString() == QLatin1String(port)) found.push_back(record);
        return found;
    }

    // True when a process other than `owner` has `device` open.
    static bool OpenedByOthers(const std::string& device, qint64 owner)
    {
        std::error_code error;
        for (const auto& process : std::filesystem::directory_iterator("/proc", error)) {
            const std::string pid = process.path().filename().string();
            if (pid.find_first_not_of("0123456789") != std::string::npos || pid == std::to_string(owner)) continue;
            for (const auto& fd : std::filesystem::directory_iterator(process.path() / "fd", error))
                if (std::filesystem::read_symlink(fd.path(), error) == device) return true;
        }
        return false;
    }

    static std::string Sha256Sum(const std::string& path)
    {
        QProcess sum;
        sum.start(QStringLiteral("sha256sum"), {QString::fromStdString(path)});
        EXPECT_TRUE(sum.waitForFinished());
        return sum.readAllStandardOutput().left(64).toStdString();
    }

    static std::string Output(QProcess& process, std::string& kept)
    {
        kept += process.readAllStandardOutput().toStdString();
        return kept;
    }

    static int Count(const std::string& text, const std::string& part)
    {
        int count = 0;
        for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
        return count;
    }

    // The fields every record of this test's image carries.
    void ExpectImageAndTimes(const QJsonObject& record)
    {
        EXPECT_EQ(record[QStringLiteral("format")].toInt(), 1);
        EXPECT_EQ(record[QStringLiteral("image")].toString().toStdString(), file_);
        EXPECT_EQ(record[QStringLiteral("image_size")].toInteger(), static_cast<qint64>(std::filesystem::file_size(file_)));
        EXPECT_EQ(record[QStringLiteral("image_sha256")].toString().toStdString(), Sha256Sum(file_));
        const QDateTime started = QDateTime::fromString(record[QStringLiteral("started")].toString(), Qt::ISODateWithMs);
        const QDateTime ended = QDateTime::fromString(record[QStringLiteral("ended")].toString(), Qt::ISODateWithMs);
        EXPECT_TRUE(started.isValid() && ended.isValid());
        EXPECT_EQ(started.timeSpec(), Qt::UTC);
        EXPECT_LE(started, ended);
    }

    static std::vector<std::string> StepsOf(const QJsonObject& record)
    {
        std::vector<std::string> steps;
        for (const QJsonValue step : record[QStringLiteral("steps")].toArray())
            steps.push_back(step[QStringLiteral("step")].toString().toStdString() + " " +
                            step[QStringLiteral("result")].toString().toStdString());
        return steps;
    }

    TempFolder files_;
    std::vector<std::uint8_t> image_;
    std::string file_;
    std::string log_;
    std::vector<std::unique_ptr<QProcess>> processes_;
};

// A station's record begins when the board has announced itself.
const std::vector<std::string> kPassedSteps{"program ok", "verify ok"};

TEST_F(StationTest, ProgramsEachBoardAsItIsSwitchedOnAndRecordsItOnce)
{
    StationBoard com1("com1"), com2("com2"), com3("com3");
    ASSERT_TRUE(com1.started() && com2.started() && com3.started());
    QProcess* com4 = &StartSimulator("com4", true);
    QProcess& station = StartStation({"com1", "com2", "com3", "com4"}, log_);
    std::string out;
    const auto switchOnAll = [&] {
        com1.SwitchOn();
        com2.SwitchOn();
        com3.SwitchOn();
        ::kill(static_cast<pid_t>(com4->processId()), SIGUSR1);
    };

    switchOnAll();
    ASSERT_TRUE(WaitFor([&] { return Records().size() == 4; })) << Output(station, out);

    // Round two: com2 answers one frame of its programming with a wrong status,
    // and com4's cable is pulled (its simulator killed) while it is programmed.
    com2.Board().InjectFault({Ez2181FaultKind::WrongStatus, 3});
    switchOnAll();
    ASSERT_TRUE(WaitFor([&] { return Count(Output(station, out), "com4: PROGRAMMING...") == 2; })) << out;
    com4->kill();
    com4->waitForFinished();
    ASSERT_TRUE(WaitFor([&] { return Records().size() == 8; })) << Output(station, out);

    // The cable is plugged in again; the board is switched on once the server has its
    // line again, and says so once, as a real board does.
    // The killed simulator's link stays behind, and the server may still hold its dead
    // line; the new one gets a link of its own.
    PortMap::Unlink("com4");
    com4 = &StartSimulator("com4", false);
    ASSERT_TRUE(WaitFor([&] { return OpenedByOthers(BoardRecord::ResolvePort("com4").device, com4->processId()); }));
    switchOnAll();
    ASSERT_TRUE(WaitFor([&] { return Records().size() == 12; })) << Output(station, out);

    ::kill(static_cast<pid_t>(station.processId()), SIGINT);
    ASSERT_TRUE(station.waitForFinished(30000));
    Output(station, out);
    EXPECT_EQ(station.exitCode(), StationRun::kBoardFailed) << out << station.readAllStandardError().toStdString();

    const std::vector<QJsonObject> records = Records();
    ASSERT_EQ(records.size(), 12u) << ReadWholeFile(log_) << out;
    for (const QJsonObject& record : records) ExpectImageAndTimes(record);
    const std::map<std::string, std::string> slaves{
        {"com1", com1.SlavePath()}, {"com2", com2.SlavePath()}, {"com3", com3.SlavePath()}};
    for (const char* port : {"com1", "com2", "com3", "com4"}) {
        SCOPED_TRACE(port);
        const std::vector<QJsonObject> mine = RecordsOf(port);
        ASSERT_EQ(mine.size(), 3u);
        const bool faulty = std::string(port) == "com2" || std::string(port) == "com4";
        for (std::size_t round = 0; round < 3; ++round) {
            const QJsonObject& record = mine[round];
            const bool fails = faulty && round == 1;
            EXPECT_EQ(record[QStringLiteral("result")].toString(), fails ? "failed" : "passed");
            if (slaves.count(port)) {
                EXPECT_EQ(record[QStringLiteral("link")].toString().toStdString(), slaves.at(port));
                EXPECT_EQ(record[QStringLiteral("device")].toString().toStdString(), slaves.at(port));
            }
            if (!fails) {
                EXPECT_EQ(StepsOf(record), kPassedSteps);
                EXPECT_EQ(record[QStringLiteral("error")].toString(), QString());
                continue;
            }
            EXPECT_EQ(StepsOf(record), (std::vector<std::string>{"program failed"}));
            const QJsonObject program = record[QStringLiteral("steps")].toArray()[0].toObject();
            EXPECT_FALSE(program[QStringLiteral("error")].toString().isEmpty());
            EXPECT_EQ(record[QStringLiteral("error")], program[QStringLiteral("error")]);
            EXPECT_EQ(record[QStringLiteral("code")], program[QStringLiteral("code")]);
            EXPECT_EQ(record[QStringLiteral("error")].toString().toStdString(),
                      std::string(port) == "com2" ? "No Response from Device" : "SerialPort Timeout Error");
        }
    }
    EXPECT_EQ(com1.Flash(image_.size()), image_);
    EXPECT_EQ(com2.Flash(image_.size()), image_);
    EXPECT_EQ(com3.Flash(image_.size()), image_);
    // com4's flash went with its killed simulator; its third board verified against the image.

    EXPECT_NE(out.find("com2: board 2 failed (passed 1, failed 1)\n"), std::string::npos) << out;
    EXPECT_NE(out.find("com1: board 3 passed (passed 3, failed 0)\n"), std::string::npos) << out;
    EXPECT_NE(out.find("\nPort  Passed  Failed  Interrupted  Last error\n"
                       "com1       3       0            0\n"),
              std::string::npos)
        << out;
}

// A board big enough to be stopped in the middle: 8 KiB take about 2 s each way.
class StationSignalTest : public StationTest {
protected:
    void SetUp() override
    {
        StationTest::SetUp();
        image_ = PatternBytes(8 * 1024, 6);
        file_ = MakeSRecordFile(files_, "big.bnm", {{0, image_}});
    }

    // Switches the board on, waits until the station programs it and sends SIGINT `count` times.
    QProcess& InterruptDuringProgramming(StationBoard& board, int count, std::string& out)
    {
        QProcess& station = StartStation({"com1"}, log_);
        board.SwitchOn();
        EXPECT_TRUE(WaitFor([&] { return Output(station, out).find("com1: 0% (0 of ") != std::string::npos; })) << out;
        for (int i = 0; i < count; ++i) {
            ::kill(static_cast<pid_t>(station.processId()), SIGINT);
            // The first one must be seen before the second comes.
            if (i == 0 && count > 1) {
                EXPECT_TRUE(WaitFor([&] { return station.readAllStandardError().contains("stopping"); }));
            }
        }
        EXPECT_TRUE(station.waitForFinished(30000));
        Output(station, out);
        return station;
    }
};

TEST_F(StationSignalTest, TheFirstSigintLetsTheBoardInProgressFinishAndBeRecorded)
{
    StationBoard com1("com1");
    ASSERT_TRUE(com1.started());
    std::string out;
    QProcess& station = InterruptDuringProgramming(com1, 1, out);
    EXPECT_EQ(station.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(station.exitCode(), StationRun::kAllPassed) << out;
    const std::vector<QJsonObject> records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0][QStringLiteral("result")].toString(), "passed");
    EXPECT_EQ(StepsOf(records[0]), kPassedSteps);
    EXPECT_EQ(com1.Flash(image_.size()), image_);
    EXPECT_NE(out.find("com1: Verify Successfull!\ncom1: board 1 passed (passed 1, failed 0)\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Last error\ncom1       1       0            0\n"), std::string::npos) << out;
}

TEST_F(StationSignalTest, ASecondSigintEndsAtOnceAndRecordsTheBoardAsInterrupted)
{
    StationBoard com1("com1");
    ASSERT_TRUE(com1.started());
    std::string out;
    QProcess& station = InterruptDuringProgramming(com1, 2, out);
    EXPECT_EQ(station.exitCode(), StationRun::kBoardFailed) << out;
    const std::vector<QJsonObject> records = Records();
    ASSERT_EQ(records.size(), 1u);
    const QJsonObject& record = records[0];
    ExpectImageAndTimes(record);
    EXPECT_EQ(record[QStringLiteral("result")].toString(), "interrupted");
    EXPECT_EQ(record[QStringLiteral("error")].toString(), "the station was stopped during the board");
    EXPECT_EQ(StepsOf(record), (std::vector<std::string>{"program failed"}));
    EXPECT_EQ(record[QStringLiteral("steps")].toArray()[0][QStringLiteral("error")].toString(), "interrupted");
    EXPECT_NE(out.find("Last error\ncom1       0       0            1  the station was stopped during the board\n"),
              std::string::npos)
        << out;
}

TEST_F(StationTest, ALogThatCannotBeWrittenStopsTheStationAndTheRecordGoesToStandardError)
{
    StationBoard com1("com1"), com2("com2");
    ASSERT_TRUE(com1.started() && com2.started());
    QProcess& station = StartStation({"com1", "com2"}, "/dev/full");
    com1.SwitchOn();
    ASSERT_TRUE(station.waitForFinished(30000));
    EXPECT_EQ(station.exitCode(), StationRun::kLogFailed);
    const std::string err = station.readAllStandardError().toStdString();
    EXPECT_EQ(err.rfind("pellori: cannot write the log /dev/full: No space left on device; the station stops\n"
                        "pellori: this record is not in the log: {",
                        0),
              0u)
        << err;
    EXPECT_NE(err.find("\"port\":\"com1\",\"result\":\"passed\""), std::string::npos) << err;
    EXPECT_EQ(Count(err, "this record is not in the log"), 1) << err;
}

TEST_F(StationTest, ALogThatCannotBeOpenedStopsTheStationBeforeItStarts)
{
    QProcess& station = StartStation({"com1"}, files_.Path("no-such-folder/boards.jsonl"));
    ASSERT_TRUE(station.waitForFinished(30000));
    EXPECT_EQ(station.exitCode(), StationRun::kLogFailed);
    EXPECT_EQ(station.readAllStandardError().toStdString(),
              "pellori: cannot open the log " + files_.Path("no-such-folder/boards.jsonl") + ": No such file or directory\n");
}

TEST_F(StationTest, BatchModeWritesTheSameRecord)
{
    StationBoard com1("com1");
    ASSERT_TRUE(com1.started());
    com1.SwitchOn();
    QProcess& pellori = StartProcess(QStringLiteral(PELLORI_PATH),
                                     {QStringLiteral("--batch"), QStringLiteral("--baud"), QStringLiteral("38400"),
                                      QStringLiteral("--power-on"), QStringLiteral("--program"), QString::fromStdString(file_),
                                      QStringLiteral("--verify"), QString::fromStdString(file_), QStringLiteral("--log"),
                                      QString::fromStdString(log_)});
    ASSERT_TRUE(pellori.waitForFinished(30000));
    EXPECT_EQ(pellori.exitCode(), BatchRun::kSuccess) << pellori.readAllStandardError().toStdString();
    const std::vector<QJsonObject> records = Records();
    ASSERT_EQ(records.size(), 1u);
    ExpectImageAndTimes(records[0]);
    EXPECT_EQ(records[0][QStringLiteral("port")].toString(), "com1");
    EXPECT_EQ(records[0][QStringLiteral("link")].toString().toStdString(), com1.SlavePath());
    EXPECT_EQ(records[0][QStringLiteral("result")].toString(), "passed");
    EXPECT_EQ(StepsOf(records[0]), (std::vector<std::string>{"power-on ok", "program ok", "verify ok"}));
}

// The station window on the test's own bus, its file dialog answered by a script.
TEST_F(StationTest, TheWindowsButtonsStartAndStopTheSlotsAndItsTilesShowThem)
{
    StationBoard com1("com1"), com2("com2");
    ASSERT_TRUE(com1.started() && com2.started());
    std::string error;
    auto options = BatchOptions::Parse({"--station", "--port", "com1", "--port", "com2", "--baud", "38400", "--log", log_}, error);
    ASSERT_TRUE(options) << error;
    ScriptedPrompts prompts;
    CStationWindow window(*options, prompts);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const auto child = [&](const char* name) { return window.findChild<QLabel*>(QString::fromLatin1(name)); };
    const auto button = [&](const char* name) { return window.findChild<QPushButton*>(QString::fromLatin1(name)); };
    const auto tile = [&](int slot, const char* name) {
        return window.findChildren<QLabel*>(QString::fromLatin1(name)).at(slot)->text().toStdString();
    };

    prompts.AnswerFile(QString::fromStdString(file_));
    QTest::mouseClick(button("chooseImage"), Qt::LeftButton);
    EXPECT_EQ(child("imageName")->text(), QStringLiteral("station.bnm"));
    EXPECT_EQ(child("imageSha256")->text().toStdString(), "SHA-256 " + Sha256Sum(file_));
    EXPECT_EQ(tile(0, "port"), "COM1");
    EXPECT_EQ(tile(1, "port"), "COM2");

    QTest::mouseClick(button("start"), Qt::LeftButton);
    EXPECT_TRUE(window.Running());
    EXPECT_FALSE(button("start")->isEnabled());
    EXPECT_EQ(tile(0, "state"), "WAITING FOR A BOARD");
    com1.SwitchOn();
    com2.Board().InjectFault({Ez2181FaultKind::WrongStatus, 3});
    com2.SwitchOn();
    ASSERT_TRUE(WaitFor([&] { return tile(0, "state") == "PASSED" && tile(1, "state") == "FAILED"; }));
    EXPECT_EQ(tile(0, "counts"), "passed 1   failed 0   interrupted 0");
    EXPECT_EQ(tile(0, "result"), "last board: passed");
    EXPECT_EQ(tile(1, "counts"), "passed 0   failed 1   interrupted 0");
    EXPECT_EQ(tile(1, "result"), "last board: failed");
    EXPECT_FALSE(tile(1, "error").empty());
    EXPECT_EQ(window.findChildren<QProgressBar*>(QStringLiteral("progress")).at(0)->value(), 100);

    // Stop while com1's second board is programmed: it finishes, and the slots end.
    com1.SwitchOn();
    ASSERT_TRUE(WaitFor([&] { return tile(0, "state") == "PROGRAMMING"; }));
    QTest::mouseClick(button("stop"), Qt::LeftButton);
    EXPECT_FALSE(button("stop")->isEnabled());
    EXPECT_TRUE(WaitFor([&] { return tile(1, "state") == "STOPPING" || tile(1, "state") == "STOPPED"; }));
    ASSERT_TRUE(WaitFor([&] { return !window.Running(); }));
    EXPECT_TRUE(button("start")->isEnabled());
    EXPECT_EQ(tile(0, "counts"), "passed 2   failed 0   interrupted 0");
    EXPECT_EQ(tile(0, "state"), "STOPPED");
    EXPECT_EQ(tile(1, "state"), "STOPPED");
    EXPECT_EQ(Records().size(), 3u);
    EXPECT_EQ(com1.Flash(image_.size()), image_);
}

}  // namespace
