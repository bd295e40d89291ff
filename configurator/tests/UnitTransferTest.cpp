#include "configurator/UnitTransfer.h"

#include "configurator/ConfigStream.h"
#include "configurator/tests/FakeLineUnit.h"
#include "configurator/tests/RecordingPresenter.h"
#include "configurator/tests/SampleConfigs.h"
#include "platform/PortMap.h"
#include "platform/tests/ScopedConfigHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>

namespace {

using Message = RecordingPresenter::Message;

const Message kSentOk{"Data Received by DSP-Q47 OK", MessageIcon::None};
const Message kSendFailed{"Error in Data sent to DSP-Q47", MessageIcon::Error};
const Message kOpenFailed{"Error Opening Comm Port", MessageIcon::Error};
const Message kTimeout{"Timeout receiving Data from DSP-Q47, Check Cables", MessageIcon::Error};
const Message kReceiveFailed{"Error in Data Received from DSP-Q47", MessageIcon::Error};
const Message kReceivedOk{"Data received from DSP-Q47 OK", MessageIcon::None};

class UnitTransferTest : public ::testing::Test {
protected:
    Q47Unit& unit() { return line_.unit(); }

    // Unit fields with one word changed and the rest as the factory has them.
    void SetUnitWord(std::size_t offset, int value)
    {
        Q47Unit::Fields f = unit().StoredFields();
        f[offset] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
        f[offset + 1] = static_cast<std::uint8_t>(value & 0xFF);
        unit().SetStoredFields(f);
    }

    std::vector<Message> Messages() const { return presenter_.messages; }

    ScopedConfigHome home_{"com1", "com2"};
    FakeLineUnit line_;
    RecordingPresenter presenter_;
    UnitTransfer transfer_{presenter_, line_};
};

}  // namespace

TEST_F(UnitTransferTest, SendWritesCommandAndStreamAndReportsTheAcknowledgement)
{
    EXPECT_EQ(transfer_.SendToUnit(UnitConfig{}, 0), TransferResult::Done);
    const std::vector<std::uint8_t>& sent = line_.written();
    ASSERT_EQ(sent.size(), 941u);
    EXPECT_EQ(sent[0], 0x42);
    const ConfigStream::Bytes stream = ConfigStream::Encode(UnitConfig{});
    EXPECT_TRUE(std::equal(stream.begin(), stream.end(), sent.begin() + 1));
    EXPECT_EQ(sent[939], 0x42);
    EXPECT_EQ(sent[940], 0xD5);
    EXPECT_EQ(Messages(), std::vector<Message>{kSentOk});
    EXPECT_EQ(unit().ConfigurationsTaken(), 1u);
    EXPECT_FALSE(line_.IsOpen());
}

TEST_F(UnitTransferTest, SendOpensCom1ForSelectionZeroAndCom2Otherwise)
{
    transfer_.SendToUnit(UnitConfig{}, 0);
    EXPECT_EQ(line_.openedPath(), PortMap::DevicePath("Com1"));
    transfer_.SendToUnit(UnitConfig{}, 1);
    EXPECT_EQ(line_.openedPath(), PortMap::DevicePath("Com2"));
    transfer_.SendToUnit(UnitConfig{}, -1);
    EXPECT_EQ(line_.openedPath(), PortMap::DevicePath("Com2"));
    EXPECT_EQ(UnitTransfer::PortName(0), "Com1");
    EXPECT_EQ(UnitTransfer::PortName(7), "Com2");
}

TEST_F(UnitTransferTest, LineIsSetTo4800EightNoneOneAndFlowControlIsLeftAlone)
{
    ASSERT_TRUE(line_.Open("/dev/earlier"));
    const CommSettings earlier{
        .baudRate = 9600, .dataBits = 7, .parity = Parity::Even, .stopBits = 2, .ctsOutFlow = true, .rtsControl = 2};
    ASSERT_TRUE(line_.SetSettings(earlier));
    line_.Close();

    UnitConfig config;
    transfer_.ReceiveFromUnit(config, 0);
    const CommSettings& s = line_.settings();
    EXPECT_EQ(s.baudRate, 4800u);
    EXPECT_EQ(s.dataBits, 8);
    EXPECT_EQ(s.parity, Parity::None);
    EXPECT_EQ(s.stopBits, 1);
    EXPECT_TRUE(s.ctsOutFlow);
    EXPECT_EQ(s.rtsControl, 2);
    EXPECT_EQ(line_.readIntervalMs(), 0u);
    EXPECT_EQ(line_.readTotalMs(), 100u);
}

TEST_F(UnitTransferTest, StaleInputIsPurgedBeforeTheCommand)
{
    UnitConfig config;
    transfer_.ReceiveFromUnit(config, 0);
    const std::vector<std::string>& events = line_.events();
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events[0], "purge");
    EXPECT_EQ(events[1], "write 41");
}

TEST_F(UnitTransferTest, SendWithWrongAcknowledgementReportsTheError)
{
    unit().SetFault({Q47FaultKind::WrongAcknowledge, 0x4E});
    EXPECT_EQ(transfer_.SendToUnit(BusyConfig(), 0), TransferResult::NotAccepted);
    EXPECT_EQ(line_.written().size(), 941u);
    EXPECT_EQ(Messages(), std::vector<Message>{kSendFailed});
}

TEST_F(UnitTransferTest, SendToASilentUnitReportsTheError)
{
    unit().SetFault({Q47FaultKind::Silence, 0});
    EXPECT_EQ(transfer_.SendToUnit(BusyConfig(), 0), TransferResult::NotAccepted);
    EXPECT_EQ(Messages(), std::vector<Message>{kSendFailed});
}

TEST_F(UnitTransferTest, SendThatCannotGetItsBytesOutIsBoundedAndReported)
{
    line_.FailWritesAfter(500);
    EXPECT_EQ(transfer_.SendToUnit(BusyConfig(), 0), TransferResult::NotAccepted);
    EXPECT_EQ(Messages(), std::vector<Message>{kSendFailed});
    EXPECT_EQ(line_.written().size(), 500u);
    // The write was given a limit: it can never block for ever.
    EXPECT_GT(line_.lastWriteTimeoutMs(), 0u);
    EXPECT_EQ(line_.lastWriteTimeoutMs(), TransferTiming{}.sendLimitMs);
    EXPECT_FALSE(line_.IsOpen());
}

TEST_F(UnitTransferTest, SendToAPortThatCannotBeOpenedWritesNothing)
{
    line_.FailOpen("Device or resource busy");
    EXPECT_EQ(transfer_.SendToUnit(BusyConfig(), 0), TransferResult::PortError);
    EXPECT_EQ(Messages(), std::vector<Message>{kOpenFailed});
    EXPECT_TRUE(line_.written().empty());
}

TEST_F(UnitTransferTest, ByteValuesBeyond255AreSummedAsSentSoTheUnitTakesThem)
{
    UnitConfig config;
    config.toneTable[5].relayName = "R300";
    config.toneTable[9].ctcssTone = 321;
    EXPECT_EQ(transfer_.SendToUnit(config, 0), TransferResult::Done);
    EXPECT_EQ(Messages(), std::vector<Message>{kSentOk});
    const Q47Unit::Fields f = unit().StoredFields();
    EXPECT_EQ(f[12 + 5 * 8 + 2], 300 & 0xFF);
    EXPECT_EQ(f[12 + 9 * 8 + 6], 321 & 0xFF);
}

TEST_F(UnitTransferTest, ReceiveFromAFactoryUnitGivesTheDefaults)
{
    UnitConfig config = BusyConfig();
    EXPECT_EQ(transfer_.ReceiveFromUnit(config, 0), TransferResult::Done);
    EXPECT_EQ(config, UnitConfig{});
    EXPECT_EQ(line_.written(), std::vector<std::uint8_t>{0x41});
    EXPECT_EQ(Messages(), std::vector<Message>{kReceivedOk});
    EXPECT_FALSE(line_.IsOpen());
}

TEST_F(UnitTransferTest, SendThenReceiveGivesAnIdenticalRecord)
{
    ASSERT_EQ(transfer_.SendToUnit(BusyConfig(), 0), TransferResult::Done);
    UnitConfig back;
    ASSERT_EQ(transfer_.ReceiveFromUnit(back, 0), TransferResult::Done);
    EXPECT_EQ(back, BusyConfig());
}

TEST_F(UnitTransferTest, WideWordsFromTheUnitComeBackUnsigned)
{
    SetUnitWord(2, 60000);    // MON relay time
    SetUnitWord(834, 65000);  // Dig5 tone on time
    SetUnitWord(836, 40000);  // Dig5 tone off time
    UnitConfig config;
    ASSERT_EQ(transfer_.ReceiveFromUnit(config, 0), TransferResult::Done);
    EXPECT_EQ(config.monRelayTimeMs, 60000);
    EXPECT_EQ(config.dig5ToneOnMs, 65000);
    EXPECT_EQ(config.dig5ToneOffMs, 40000);
}

TEST_F(UnitTransferTest, MorseFrequencyFromTheUnitIsRoundedToTheNearestHertz)
{
    SetUnitWord(846, 3276);
    UnitConfig config;
    ASSERT_EQ(transfer_.ReceiveFromUnit(config, 0), TransferResult::Done);
    EXPECT_EQ(config.morseFreqHz, 400);
}

namespace {

// A receive that the unit's fault makes fail: the result, the message, and the record
// left as it was.
struct ReceiveFailure {
    const char* name;
    Q47Fault fault;
    TransferResult result;
    Message message;

    friend void PrintTo(const ReceiveFailure& row, std::ostream* out) { *out << row.name; }
};

class UnitTransferReceiveTest : public UnitTransferTest, public ::testing::WithParamInterface<ReceiveFailure> {};

TEST_P(UnitTransferReceiveTest, FailsAndKeepsTheRecord)
{
    unit().SetFault(GetParam().fault);
    UnitConfig config = BusyConfig();
    EXPECT_EQ(transfer_.ReceiveFromUnit(config, 0), GetParam().result);
    EXPECT_EQ(config, BusyConfig());
    EXPECT_EQ(Messages(), std::vector<Message>{GetParam().message});
}

INSTANTIATE_TEST_SUITE_P(
    Faults, UnitTransferReceiveTest,
    ::testing::Values(
        ReceiveFailure{"SilentUnitTimesOut", {Q47FaultKind::Silence, 0}, TransferResult::Timeout, kTimeout},
        ReceiveFailure{"UnitStoppingInTheMiddleOfARowTimesOut", {Q47FaultKind::StopInRow, 40}, TransferResult::Timeout, kTimeout},
        ReceiveFailure{"UnitStoppingInTheHeaderTimesOut", {Q47FaultKind::StopInRow, 0}, TransferResult::Timeout, kTimeout},
        ReceiveFailure{"UnitStoppingAfterTheRowsFailsTheChecksum", {Q47FaultKind::StopAfterRows, 0}, TransferResult::ChecksumError, kReceiveFailed},
        ReceiveFailure{"BadChecksumFails", {Q47FaultKind::BadChecksum, 0}, TransferResult::ChecksumError, kReceiveFailed}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace

TEST_F(UnitTransferTest, LineThatFailsWhileReadingTimesOut)
{
    line_.FailReads(true);
    UnitConfig config = BusyConfig();
    EXPECT_EQ(transfer_.ReceiveFromUnit(config, 0), TransferResult::Timeout);
    EXPECT_EQ(config, BusyConfig());
    EXPECT_EQ(Messages(), std::vector<Message>{kTimeout});
}

TEST_F(UnitTransferTest, ReceiveFromAPortThatCannotBeOpenedKeepsTheRecord)
{
    line_.FailOpen("No such file or directory");
    UnitConfig config = BusyConfig();
    EXPECT_EQ(transfer_.ReceiveFromUnit(config, 1), TransferResult::PortError);
    EXPECT_EQ(config, BusyConfig());
    EXPECT_EQ(Messages(), std::vector<Message>{kOpenFailed});
    EXPECT_TRUE(line_.written().empty());
}
