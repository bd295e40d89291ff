// The script port and both configurator transfers on real pseudo-terminals linked
// into the port map (LineReleaseTest.h); the serial boards' cases are beside their
// fault matrices.

#include "faults/tests/LineReleaseTest.h"

#include "configurator/UnitTransfer.h"
#include "configurator/tests/RecordingPresenter.h"
#include "configurator/tests/SampleConfigs.h"
#include "monitor/serial/Sport.h"
#include "platform/PortMap.h"
#include "platform/PtyPair.h"
#include "platform/TermiosCommDevice.h"
#include "platform/tests/ScopedConfigHome.h"
#include "simulators/dspq47/Q47Unit.h"
#include "simulators/ptyline/PtyLinePort.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

bool LineReleaseTest::PortFree(const std::string& path)
{
    TermiosCommDevice device;
    return device.Open(path);
}

int LineReleaseTest::DescriptorsOn(const std::string& path)
{
    int count = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
        const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
        if (!error && target.rfind(path, 0) == 0) ++count;
    }
    return count;
}

bool LineReleaseTest::WaitFor(const std::function<bool()>& condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

namespace {

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
    EXPECT_TRUE(LineReleaseTest::PortFree(runner.SlavePath()));

    unit.SetFault({});
    EXPECT_EQ(Exchange(config), TransferResult::Done);
    EXPECT_TRUE(LineReleaseTest::PortFree(runner.SlavePath()));
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
