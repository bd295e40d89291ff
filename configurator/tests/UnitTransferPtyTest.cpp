// The transfer over real pseudo-terminals, linked into the port map, against the
// simulated unit. Each fault that waits for a time-out waits once.

#include "configurator/UnitTransfer.h"

#include "configurator/tests/RecordingPresenter.h"
#include "configurator/tests/SampleConfigs.h"
#include "platform/PortMap.h"
#include "platform/TermiosCommDevice.h"
#include "platform/tests/ScopedConfigHome.h"
#include "simulators/dspq47/Q47Unit.h"
#include "simulators/ptyline/PtyLinePort.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

using Message = RecordingPresenter::Message;

class UnitTransferPtyTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(runner_.Start("com1")); }

    std::vector<Message> Messages() const { return presenter_.messages; }

    ScopedConfigHome home_;
    Q47Unit unit_;
    PtyLinePort runner_{unit_};
    RecordingPresenter presenter_;
    UnitTransfer transfer_{presenter_};
};

}  // namespace

TEST_F(UnitTransferPtyTest, RoundTripThroughTheUnitGivesAnIdenticalRecord)
{
    ASSERT_EQ(transfer_.SendToUnit(BusyConfig(), 0), TransferResult::Done);
    EXPECT_EQ(unit_.ConfigurationsTaken(), 1u);
    UnitConfig back;
    ASSERT_EQ(transfer_.ReceiveFromUnit(back, 0), TransferResult::Done);
    EXPECT_EQ(back, BusyConfig());
    EXPECT_EQ(Messages(), (std::vector<Message>{{UnitTransfer::kSentOk, MessageIcon::None},
                                                {UnitTransfer::kReceivedOk, MessageIcon::None}}));
}

TEST_F(UnitTransferPtyTest, SelectionOneReachesTheUnitOnCom2)
{
    Q47Unit second;
    PtyLinePort secondRunner(second);
    ASSERT_TRUE(secondRunner.Start("com2"));
    ASSERT_EQ(transfer_.SendToUnit(BusyConfig(), 1), TransferResult::Done);
    EXPECT_EQ(second.ConfigurationsTaken(), 1u);
    EXPECT_EQ(unit_.ConfigurationsTaken(), 0u);
}

TEST_F(UnitTransferPtyTest, PortHeldByAnotherProgramCannotBeOpened)
{
    TermiosCommDevice other;
    ASSERT_TRUE(other.Open(PortMap::DevicePath("com1")));
    UnitConfig config = BusyConfig();
    EXPECT_EQ(transfer_.ReceiveFromUnit(config, 0), TransferResult::PortError);
    EXPECT_EQ(transfer_.SendToUnit(config, 0), TransferResult::PortError);
    EXPECT_EQ(config, BusyConfig());
    EXPECT_EQ(Messages(), (std::vector<Message>{{UnitTransfer::kOpenFailed, MessageIcon::Error},
                                                {UnitTransfer::kOpenFailed, MessageIcon::Error}}));
    EXPECT_EQ(unit_.ReadRequests(), 0u);
}

TEST_F(UnitTransferPtyTest, PortLinkedToNothingCannotBeOpened)
{
    ASSERT_TRUE(PortMap::Link("com2", home_.path() + "/no-such-device"));
    UnitConfig config = BusyConfig();
    EXPECT_EQ(transfer_.ReceiveFromUnit(config, 1), TransferResult::PortError);
    EXPECT_EQ(config, BusyConfig());
    EXPECT_EQ(Messages(), (std::vector<Message>{{UnitTransfer::kOpenFailed, MessageIcon::Error}}));
}

TEST_F(UnitTransferPtyTest, WrongAcknowledgementIsReported)
{
    unit_.SetFault({Q47FaultKind::WrongAcknowledge, 0x15});
    EXPECT_EQ(transfer_.SendToUnit(BusyConfig(), 0), TransferResult::NotAccepted);
    EXPECT_EQ(Messages(), (std::vector<Message>{{UnitTransfer::kSendFailed, MessageIcon::Error}}));
}

TEST_F(UnitTransferPtyTest, SendToASilentUnitIsReported)
{
    unit_.SetFault({Q47FaultKind::Silence, 0});
    EXPECT_EQ(transfer_.SendToUnit(BusyConfig(), 0), TransferResult::NotAccepted);
    EXPECT_EQ(Messages(), (std::vector<Message>{{UnitTransfer::kSendFailed, MessageIcon::Error}}));
}

namespace {

// A receive that the unit's fault makes fail: the result, the message, and the record
// left as it was.
struct ReceiveFailure {
    const char* name;
    Q47Fault fault;
    TransferResult result;
    const char* message;

    friend void PrintTo(const ReceiveFailure& row, std::ostream* out) { *out << row.name; }
};

class UnitTransferPtyReceiveTest : public UnitTransferPtyTest, public ::testing::WithParamInterface<ReceiveFailure> {};

TEST_P(UnitTransferPtyReceiveTest, FailsAndKeepsTheRecord)
{
    unit_.SetFault(GetParam().fault);
    UnitConfig config = BusyConfig();
    EXPECT_EQ(transfer_.ReceiveFromUnit(config, 0), GetParam().result);
    EXPECT_EQ(config, BusyConfig());
    EXPECT_EQ(Messages(), (std::vector<Message>{{GetParam().message, MessageIcon::Error}}));
}

INSTANTIATE_TEST_SUITE_P(
    Faults, UnitTransferPtyReceiveTest,
    ::testing::Values(
        ReceiveFailure{"SilentUnitTimesOut", {Q47FaultKind::Silence, 0}, TransferResult::Timeout, UnitTransfer::kReceiveTimeout},
        ReceiveFailure{"StopInRowFortyTimesOut", {Q47FaultKind::StopInRow, 40}, TransferResult::Timeout, UnitTransfer::kReceiveTimeout},
        ReceiveFailure{"StopAfterRowsFails", {Q47FaultKind::StopAfterRows, 0}, TransferResult::ChecksumError, UnitTransfer::kReceiveFailed},
        ReceiveFailure{"BadChecksumFails", {Q47FaultKind::BadChecksum, 0}, TransferResult::ChecksumError, UnitTransfer::kReceiveFailed}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace

TEST_F(UnitTransferPtyTest, ExchangeAfterAFailedOneStartsClean)
{
    unit_.SetFault({Q47FaultKind::BadChecksum, 0});
    UnitConfig config;
    transfer_.ReceiveFromUnit(config, 0);
    unit_.SetFault({});
    ASSERT_EQ(transfer_.SendToUnit(BusyConfig(), 0), TransferResult::Done);
    ASSERT_EQ(transfer_.ReceiveFromUnit(config, 0), TransferResult::Done);
    EXPECT_EQ(config, BusyConfig());
}
