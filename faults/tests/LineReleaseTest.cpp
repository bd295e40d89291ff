// The serial boards, the script port and both configurator transfers on real
// pseudo-terminals linked into the port map: after a fault the port is free again
// once the object is gone (an exclusive open proves it), and a line that vanishes in
// the middle of a transfer gives the documented error, is let go at once, and the
// same object works on the new line that takes its place.

#include "configurator/UnitTransfer.h"
#include "configurator/tests/RecordingPresenter.h"
#include "configurator/tests/SampleConfigs.h"
#include "monitor/boards/Ez2181.h"
#include "monitor/boards/Ezkit21k.h"
#include "monitor/boards/Faderbox.h"
#include "monitor/core/tests/SRecordFiles.h"
#include "monitor/serial/Sport.h"
#include "platform/PortMap.h"
#include "platform/PtyPair.h"
#include "platform/TermiosCommDevice.h"
#include "platform/tests/ScopedConfigHome.h"
#include "simulators/dspq47/Q47Unit.h"
#include "simulators/ez2181/Ez2181Simulator.h"
#include "simulators/ezkit21k/Ezkit21kSimulator.h"
#include "simulators/faderbox/FaderboxSimulator.h"
#include "simulators/ptyline/PtyLinePort.h"
#include "simulators/ptyline/PtyLineServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

// True when the device can be opened exclusively: nobody holds it.
bool PortFree(const std::string& path)
{
    TermiosCommDevice device;
    return device.Open(path);
}

// Descriptors of this process that refer to the device (its node may be gone). A
// PtyPair holds one of its own, so tests compare with the count before the object.
int DescriptorsOn(const std::string& path)
{
    int count = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
        const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
        if (!error && target.rfind(path, 0) == 0) ++count;
    }
    return count;
}

// Polls `condition` until it holds or a generous limit runs out.
bool WaitFor(const std::function<bool()>& condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// A simulated device served on its own pseudo-terminal, linked as COM1.
class ServedLine {
public:
    explicit ServedLine(ByteDevice& device) : server_(device, pty_.masterFd())
    {
        ok_ = pty_.ok() && PortMap::Link("com1", pty_.slavePath()) && server_.Start();
    }
    // A line reached through a lasting name instead, as udev's /dev/serial/by-path/ names
    // lead to whichever /dev/ttyUSBn an adapter got: `lastingName` is made to point here.
    ServedLine(ByteDevice& device, const std::filesystem::path& lastingName) : server_(device, pty_.masterFd())
    {
        std::error_code error;
        std::filesystem::remove(lastingName, error);
        std::filesystem::create_symlink(pty_.slavePath(), lastingName, error);
        ok_ = pty_.ok() && !error && server_.Start();
    }
    ~ServedLine() { server_.Stop(); }

    bool ok() const { return ok_; }
    std::string SlavePath() const { return pty_.slavePath(); }
    // The line vanishes as if unplugged.
    void Vanish()
    {
        server_.Stop();
        pty_.CloseMaster();
    }

private:
    PtyPair pty_;
    PtyLineServer server_;
    bool ok_ = false;
};

class LineReleaseTest : public ::testing::Test {
protected:
    ScopedConfigHome home;
    TempFolder folder;
};

TEST_F(LineReleaseTest, Ez2181SilentBoardThenTheObjectGoneLeavesThePortFree)
{
    Ez2181Simulator board;
    PtyLinePort line(board);
    ASSERT_TRUE(line.Start("com1"));
    {
        Ez2181 ez;
        board.InjectFault({Ez2181FaultKind::Silence});
        EXPECT_EQ(ez.Reset(0), Variant::Null());
        EXPECT_EQ(ez.GetErrorString(), "SerialPort Timeout Error");
        EXPECT_FALSE(PortFree(line.SlavePath()));
    }
    EXPECT_TRUE(PortFree(line.SlavePath()));
}

TEST_F(LineReleaseTest, Ez2181LineVanishingMidTransferThenANewLine)
{
    const std::vector<std::uint8_t> page = PatternBytes(256, 11);
    const std::string image = MakeSRecordFile(folder, "page.bnm", {{0x100, page}});
    Ez2181Simulator firstBoard;
    auto first = std::make_unique<PtyLinePort>(firstBoard);
    ASSERT_TRUE(first->Start("com1"));
    const std::string firstPath = first->SlavePath();
    const int held = DescriptorsOn(firstPath);
    Ez2181 ez;

    // The second frame of the page (its second buffer load) is never answered, and the
    // line goes while the PC waits for the answer.
    firstBoard.InjectFault({Ez2181FaultKind::Silence, 2});
    std::thread unplug([&] {
        WaitFor([&] { return firstBoard.Silent(); });
        first->VanishLine();
    });
    const Variant failed = ez.ProgFlash(image);
    unplug.join();
    EXPECT_EQ(failed, Variant::Null());
    EXPECT_EQ(ez.GetErrorCode(), 0);
    EXPECT_EQ(ez.GetErrorString(), "SerialPort Timeout Error");
    EXPECT_EQ(DescriptorsOn(firstPath), held);

    Ez2181Simulator secondBoard;
    PtyLinePort second(secondBoard);
    ASSERT_TRUE(second.Start("com1"));
    EXPECT_EQ(ez.ProgFlash(image), Variant::I4(0)) << ez.GetErrorString();
    EXPECT_EQ(secondBoard.FlashBytes(0x100, page.size()), page);
    EXPECT_FALSE(PortFree(second.SlavePath()));
}

TEST_F(LineReleaseTest, Ez2181BehindAByPathNameFollowsTheAdapterToItsNewNode)
{
    const std::vector<std::uint8_t> page = PatternBytes(256, 12);
    const std::string image = MakeSRecordFile(folder, "page.bnm", {{0x100, page}});
    const std::filesystem::path byPath = folder.Path("serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0");
    std::filesystem::create_directories(byPath.parent_path());
    ASSERT_TRUE(PortMap::Link("com1", byPath.string()));

    Ez2181Simulator firstBoard;
    auto first = std::make_unique<ServedLine>(firstBoard, byPath);
    ASSERT_TRUE(first->ok());
    Ez2181 ez;
    EXPECT_EQ(ez.ProgFlash(image), Variant::I4(0)) << ez.GetErrorString();
    EXPECT_EQ(firstBoard.FlashBytes(0x100, page.size()), page);

    // Unplugged, and plugged in again as another node, which the by-path name now names.
    first->Vanish();
    Ez2181Simulator secondBoard;
    ServedLine second(secondBoard, byPath);
    ASSERT_TRUE(second.ok());
    ASSERT_NE(second.SlavePath(), first->SlavePath());

    // The call that finds the old line gone fails and lets it go; the next one opens
    // the port again through the port map's link and the by-path name.
    EXPECT_EQ(ez.ProgFlash(image), Variant::Null());
    EXPECT_EQ(ez.GetErrorString(), "Can't write to serial port");
    EXPECT_EQ(ez.ProgFlash(image), Variant::I4(0)) << ez.GetErrorString();
    EXPECT_EQ(secondBoard.FlashBytes(0x100, page.size()), page);
    EXPECT_FALSE(PortFree(second.SlavePath()));
    EXPECT_EQ(std::filesystem::read_symlink(PortMap::LinkPath("com1")), byPath);
}

TEST_F(LineReleaseTest, Ezkit21kLineVanishingMidReadThenANewLine)
{
    Ezkit21kSimulator firstMonitor;
    auto first = std::make_unique<ServedLine>(firstMonitor);
    ASSERT_TRUE(first->ok());
    const std::string firstPath = first->SlavePath();
    const int held = DescriptorsOn(firstPath);
    auto board = std::make_unique<Ezkit21k>();

    firstMonitor.InjectFault({Ezkit21kFaultKind::Silence, 1, std::nullopt});
    std::thread unplug([&] {
        WaitFor([&] { return !firstMonitor.ReceivedPackets().empty(); });
        first->Vanish();
    });
    EXPECT_EQ(board->ReadDM(0x100, 16, 0, 0), Variant::Null());
    unplug.join();
    // The read is tried again, and the later attempts find no line to write to; the text
    // says why the line could not be opened again.
    EXPECT_EQ(board->GetErrorString(), "Can't write to serial port (COM1 (" + PortMap::LinkPath("com1") + "): No such file or directory)");
    EXPECT_EQ(DescriptorsOn(firstPath), held);

    Ezkit21kSimulator secondMonitor;
    secondMonitor.SetDataWord(0x100, 0x12345678);
    ServedLine second(secondMonitor);
    ASSERT_TRUE(second.ok());
    // A failed open is tried once a call: the client's next call, through the
    // object's dispatch, opens the new line.
    std::int32_t readDm = 0;
    ASSERT_EQ(board->GetIDsOfNames("ReadDM", readDm), S_OK);
    const Variant words =
        board->Invoke(readDm, InvokeKind::Method, {Variant::I4(0x100), Variant::I4(16), Variant::I4(0), Variant::I4(0)})
            .result;
    ASSERT_TRUE(words.IsArray()) << words << " " << board->GetErrorString();
    EXPECT_EQ(words.array().at(0), Variant::I4(0x12345678));
    EXPECT_FALSE(PortFree(second.SlavePath()));
    board.reset();
    EXPECT_TRUE(PortFree(second.SlavePath()));
}

TEST_F(LineReleaseTest, FaderboxWrongReplyThenTheObjectGoneLeavesThePortFree)
{
    FaderboxSimulator console;
    ServedLine line(console);
    ASSERT_TRUE(line.ok());
    {
        Faderbox faderbox;
        console.InjectFault({FaderboxFaultKind::WrongFirstByte, 1, std::nullopt});
        EXPECT_EQ(faderbox.Ping(), Variant::Null());
        EXPECT_EQ(faderbox.GetErrorString(), "Ping reply does not start with 0xA5");
        EXPECT_FALSE(PortFree(line.SlavePath()));
    }
    EXPECT_TRUE(PortFree(line.SlavePath()));
}

TEST_F(LineReleaseTest, FaderboxLineVanishingDuringAPingThenANewLine)
{
    FaderboxSimulator firstConsole;
    auto first = std::make_unique<ServedLine>(firstConsole);
    ASSERT_TRUE(first->ok());
    const std::string firstPath = first->SlavePath();
    const int held = DescriptorsOn(firstPath);
    Faderbox faderbox;

    firstConsole.InjectFault({FaderboxFaultKind::Silence, 1, std::nullopt});
    std::thread unplug([&] {
        WaitFor([&] { return firstConsole.PingsReceived() > 0; });
        first->Vanish();
    });
    EXPECT_EQ(faderbox.Ping(), Variant::Null());
    unplug.join();
    EXPECT_EQ(faderbox.GetErrorString(), "SerialPort Timeout Error");
    EXPECT_EQ(DescriptorsOn(firstPath), held);

    FaderboxSimulator secondConsole;
    secondConsole.SetPingValues(7, 8);
    ServedLine second(secondConsole);
    ASSERT_TRUE(second.ok());
    const Variant values = faderbox.Ping();
    ASSERT_TRUE(values.IsArray()) << values << " " << faderbox.GetErrorString();
    EXPECT_EQ(values.array().at(0), Variant::I4(7));
    EXPECT_EQ(values.array().at(1), Variant::I4(8));
}

TEST_F(LineReleaseTest, SportLineVanishingDuringGetBytesThenANewLine)
{
    auto first = std::make_unique<PtyPair>();
    ASSERT_TRUE(PortMap::Link("com1", first->slavePath()));
    const std::string firstPath = first->slavePath();
    const int held = DescriptorsOn(firstPath);
    Sport sport;
    sport.SetPortOpen(true);
    ASSERT_TRUE(sport.GetPortOpen());

    std::thread device([&] {
        first->Send({1, 2, 3});
        first->CloseMaster();
    });
    EXPECT_EQ(sport.GetBytes(10), Variant::Null());
    device.join();
    EXPECT_EQ(sport.GetErrorString(), "SerialPort Timeout Error");
    EXPECT_EQ(DescriptorsOn(firstPath), held);
    EXPECT_FALSE(sport.GetPortOpen());

    PtyPair second;
    ASSERT_TRUE(PortMap::Link("com1", second.slavePath()));
    SafeArray bytes = SafeArray::Vector(VT_UI1, 2);
    bytes.set(0, Variant::UI1('a'));
    bytes.set(1, Variant::UI1('b'));
    EXPECT_EQ(sport.SendBytes(Variant::Array(std::move(bytes))), Variant::I4(0));
    EXPECT_EQ(second.Receive(2, 5000), (std::vector<std::uint8_t>{'a', 'b'}));
    EXPECT_TRUE(sport.GetPortOpen());
    sport.SetPortOpen(false);
    EXPECT_TRUE(PortFree(second.slavePath()));
}

// Each configurator transfer against each fault of the simulated unit.
struct TransferRow {
    const char* name;
    Q47Fault fault;
    bool send;
    TransferResult result;
    const char* message;
};

std::vector<TransferRow> TransferRows()
{
    using K = Q47FaultKind;
    const TransferResult done = TransferResult::Done;
    return {
        {"SendSilence", {K::Silence, 0}, true, TransferResult::NotAccepted, UnitTransfer::kSendFailed},
        {"ReceiveSilence", {K::Silence, 0}, false, TransferResult::Timeout, UnitTransfer::kReceiveTimeout},
        {"SendWrongAck", {K::WrongAcknowledge, 0x15}, true, TransferResult::NotAccepted, UnitTransfer::kSendFailed},
        {"ReceiveWrongAck", {K::WrongAcknowledge, 0x15}, false, done, UnitTransfer::kReceivedOk},
        {"SendStopInRow", {K::StopInRow, 40}, true, done, UnitTransfer::kSentOk},
        {"ReceiveStopInRow", {K::StopInRow, 40}, false, TransferResult::Timeout, UnitTransfer::kReceiveTimeout},
        {"ReceiveStopAfterRows", {K::StopAfterRows, 0}, false, TransferResult::ChecksumError, UnitTransfer::kReceiveFailed},
        {"ReceiveBadChecksum", {K::BadChecksum, 0}, false, TransferResult::ChecksumError, UnitTransfer::kReceiveFailed},
    };
}

class TransferFaultTest : public ::testing::TestWithParam<TransferRow> {
protected:
    TransferResult Exchange(UnitConfig& config)
    {
        return GetParam().send ? transfer.SendToUnit(config, 0) : transfer.ReceiveFromUnit(config, 0);
    }

    ScopedConfigHome home;
    Q47Unit unit;
    PtyLinePort runner{unit};
    RecordingPresenter presenter;
    UnitTransfer transfer{presenter};
};

TEST_P(TransferFaultTest, DocumentedMessagePortFreeAndTheNextExchangeWorks)
{
    ASSERT_TRUE(runner.Start("com1"));
    const TransferRow& row = GetParam();
    unit.SetStoredFields(Q47Unit::FactoryFields());
    unit.SetFault(row.fault);
    UnitConfig config = BusyConfig();
    EXPECT_EQ(Exchange(config), row.result);
    ASSERT_FALSE(presenter.messages.empty());
    EXPECT_EQ(presenter.messages.back().text, row.message);
    if (!row.send && row.result != TransferResult::Done) {
        EXPECT_EQ(config, BusyConfig());
    }
    EXPECT_TRUE(PortFree(runner.SlavePath()));

    unit.SetFault({});
    EXPECT_EQ(Exchange(config), TransferResult::Done);
    EXPECT_TRUE(PortFree(runner.SlavePath()));
}

std::string TransferRowName(const ::testing::TestParamInfo<TransferRow>& row)
{
    return row.param.name;
}

INSTANTIATE_TEST_SUITE_P(BothTransfersEveryFault, TransferFaultTest, ::testing::ValuesIn(TransferRows()),
                         TransferRowName);

TEST_F(LineReleaseTest, ReceiveWhileTheLineVanishesThenANewLine)
{
    RecordingPresenter presenter;
    UnitTransfer transfer(presenter);
    auto first = std::make_unique<PtyPair>();
    ASSERT_TRUE(PortMap::Link("com1", first->slavePath()));
    const std::string firstPath = first->slavePath();
    const int held = DescriptorsOn(firstPath);
    std::thread unit([&] {
        if (first->Receive(1, 30000) == std::vector<std::uint8_t>{UnitTransfer::kReceiveCommand})
            first->Send(std::vector<std::uint8_t>(200, 0x11));
        first->CloseMaster();
    });
    UnitConfig config = BusyConfig();
    EXPECT_EQ(transfer.ReceiveFromUnit(config, 0), TransferResult::Timeout);
    unit.join();
    EXPECT_EQ(presenter.messages.back().text, UnitTransfer::kReceiveTimeout);
    EXPECT_EQ(config, BusyConfig());
    EXPECT_EQ(DescriptorsOn(firstPath), held);

    Q47Unit second;
    PtyLinePort runner(second);
    ASSERT_TRUE(runner.Start("com1"));
    EXPECT_EQ(transfer.ReceiveFromUnit(config, 0), TransferResult::Done);
    EXPECT_EQ(presenter.messages.back().text, UnitTransfer::kReceivedOk);
}

TEST_F(LineReleaseTest, SendWhileTheLineVanishesThenANewLine)
{
    RecordingPresenter presenter;
    UnitTransfer transfer(presenter);
    auto first = std::make_unique<PtyPair>();
    ASSERT_TRUE(PortMap::Link("com1", first->slavePath()));
    const std::string firstPath = first->slavePath();
    const int held = DescriptorsOn(firstPath);
    std::thread unit([&] {
        first->Receive(100, 30000);
        first->CloseMaster();
    });
    EXPECT_EQ(transfer.SendToUnit(BusyConfig(), 0), TransferResult::NotAccepted);
    unit.join();
    EXPECT_EQ(presenter.messages.back().text, UnitTransfer::kSendFailed);
    EXPECT_EQ(DescriptorsOn(firstPath), held);

    Q47Unit second;
    PtyLinePort runner(second);
    ASSERT_TRUE(runner.Start("com1"));
    EXPECT_EQ(transfer.SendToUnit(BusyConfig(), 0), TransferResult::Done);
    EXPECT_EQ(second.ConfigurationsTaken(), 1u);
}

}  // namespace
