#include "monitor/serial/SerialPort.h"
#include "platform/PortMap.h"
#include "platform/tests/FakeCommDevice.h"
#include "platform/tests/ScopedConfigHome.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using Events = std::vector<std::string>;

// The port drives a recording fake: modem lines and the order of what reaches the line.
class SerialPortModemLineTest : public ::testing::Test {
protected:
    SerialPortModemLineTest()
        : device(new FakeCommDevice), port(0, std::unique_ptr<CommDevice>(device))
    {
        PortMap::Link("com1", "/dev/pts/97");  // the fake device stands behind it
    }

    void OpenInToggleMode()
    {
        ASSERT_TRUE(port.Open());
        ASSERT_TRUE(port.SetRtsControl(3));
        device->ClearEvents();
    }

    ScopedConfigHome home;
    FakeCommDevice* device;  // owned by the port
    SerialPort port;
};

}  // namespace

TEST_F(SerialPortModemLineTest, OpenAppliesTheLineAndTheTimeOuts)
{
    const CommSettings driver{.baudRate = 57600,
                              .dataBits = 7,
                              .parity = Parity::Even,
                              .stopBits = 2,
                              .ctsOutFlow = true,
                              .dsrOutFlow = true,
                              .rtsControl = 2,
                              .dtrControl = 0};
    ASSERT_TRUE(device->Open("x"));
    ASSERT_TRUE(device->SetSettings(driver));
    device->Close();

    ASSERT_TRUE(port.Open());
    const CommSettings& s = device->settings();
    EXPECT_EQ(s.baudRate, 9600u);
    EXPECT_EQ(s.dataBits, 8);
    EXPECT_EQ(s.parity, Parity::None);
    EXPECT_EQ(s.stopBits, 1);
    EXPECT_FALSE(s.ctsOutFlow);
    EXPECT_FALSE(s.dsrOutFlow);
    EXPECT_EQ(s.rtsControl, 2);  // left as the driver had it
    EXPECT_EQ(s.dtrControl, 0);
    EXPECT_EQ(device->readIntervalMs(), 500u);
    EXPECT_EQ(device->readTotalMs(), 1000u);
}

TEST_F(SerialPortModemLineTest, TheSelectedPortIsOpenedThroughThePortMap)
{
    ASSERT_TRUE(PortMap::Link("com2", "/dev/pts/98"));
    port.SetPort(2);
    ASSERT_TRUE(port.Open());
    EXPECT_EQ(device->openedPath(), PortMap::LinkPath("com2"));
}

TEST_F(SerialPortModemLineTest, UnreadableSettingsLeaveThePortOpenButFailTheOpen)
{
    device->FailGetSettings(true);
    EXPECT_FALSE(port.Open());
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(device->readTotalMs(), 0u);
    EXPECT_FALSE(port.SetBaudRate(38400));
    EXPECT_FALSE(port.SetRtsControl(3));
    EXPECT_EQ(port.GetRtsControl(), 0);
}

TEST_F(SerialPortModemLineTest, TheToggleLowersRtsForTheBlockAndRaisesItAfterTheTransmitter)
{
    OpenInToggleMode();
    const std::uint8_t block[] = {0x41, 0x42};
    port.WriteBytes(2, block);
    EXPECT_EQ(device->events(), (Events{"CLRRTS", "write 41", "write 42", "txempty", "SETRTS"}));
    EXPECT_TRUE(device->rts());
}

TEST_F(SerialPortModemLineTest, TheTransmitterWaitIsBoundedByTheBlockTime)
{
    OpenInToggleMode();
    ASSERT_TRUE(port.SetBaudRate(4800));
    device->ClearEvents();
    std::vector<std::uint8_t> block(48, 0x55);
    port.WriteBytes(48, block.data());
    EXPECT_EQ(device->lastTransmitterTimeoutMs(), SerialPort::TransmitTimeLimitMs(48, 4800));
    EXPECT_EQ(device->lastTransmitterTimeoutMs(), 200u);
}

TEST_F(SerialPortModemLineTest, RtsIsRaisedWhenTheTransmitterNeverEmpties)
{
    OpenInToggleMode();
    device->TransmitterNeverEmpties(true);
    const std::uint8_t block[] = {0x01};
    port.WriteBytes(1, block);
    EXPECT_EQ(device->events(), (Events{"CLRRTS", "write 01", "txempty", "SETRTS"}));
    EXPECT_TRUE(device->rts());
    EXPECT_GT(device->lastTransmitterTimeoutMs(), 0u);
}

TEST_F(SerialPortModemLineTest, RtsIsRaisedAfterAFailedWriteAndTheFailureStillReachesTheCaller)
{
    OpenInToggleMode();
    device->FailWritesAfter(1);
    const std::uint8_t block[] = {0x0A, 0x0B, 0x0C};
    std::int32_t code = -1;
    try {
        port.WriteBytes(3, block);
    } catch (const SerialPortException& e) {
        code = e.code();
    }
    EXPECT_EQ(code, 2);
    EXPECT_EQ(device->events(),
              (Events{"CLRRTS", "write 0A", "write failed", "txempty", "SETRTS"}));
    EXPECT_TRUE(device->rts());
}

TEST_F(SerialPortModemLineTest, AFailedWriteInAToggledBlockLetsTheLineGoOnceRtsIsUp)
{
    OpenInToggleMode();
    device->FailWritesAfter(0);
    const std::uint8_t block[] = {0x0A};
    EXPECT_THROW(port.WriteBytes(1, block), SerialPortException);
    EXPECT_TRUE(device->rts());
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(SerialPortModemLineTest, RtsIsRaisedWhenAnOverriddenWriteThrowsSomethingElse)
{
    class ThrowingPort : public SerialPort {
    public:
        using SerialPort::SerialPort;
        void WriteByte(std::uint8_t) override { throw 42; }
    };
    auto* fake = new FakeCommDevice;
    ThrowingPort throwing(0, std::unique_ptr<CommDevice>(fake));
    ASSERT_TRUE(throwing.Open());
    ASSERT_TRUE(throwing.SetRtsControl(3));
    fake->ClearEvents();
    const std::uint8_t block[] = {0x01};
    EXPECT_THROW(throwing.WriteBytes(1, block), int);
    EXPECT_EQ(fake->events(), (Events{"CLRRTS", "txempty", "SETRTS"}));
}

TEST_F(SerialPortModemLineTest, AnEmptyBlockStillTogglesRts)
{
    OpenInToggleMode();
    port.WriteBytes(0, nullptr);
    EXPECT_EQ(device->events(), (Events{"CLRRTS", "txempty", "SETRTS"}));
}

TEST_F(SerialPortModemLineTest, WithoutTheToggleOnlyTheBytesReachTheLine)
{
    ASSERT_TRUE(port.Open());
    device->ClearEvents();
    const std::uint8_t block[] = {0x10, 0x20};
    port.WriteBytes(2, block);
    port.WriteBytes(0, block);
    EXPECT_EQ(device->events(), (Events{"write 10", "write 20"}));
}

TEST_F(SerialPortModemLineTest, ABlockIsOneWriteAndAFailedOneLetsTheLineGo)
{
    class BlockPort : public SerialPort {
    public:
        using SerialPort::SendBlock;
        using SerialPort::SerialPort;
    };
    auto* fake = new FakeCommDevice;
    BlockPort blocks(0, std::unique_ptr<CommDevice>(fake));
    ASSERT_TRUE(blocks.Open());
    fake->ClearEvents();
    const std::uint8_t frame[] = {0x01, 0x02, 0x03};
    blocks.SendBlock(frame);
    blocks.SendBlock({});
    EXPECT_EQ(fake->events(), (Events{"write 01 02 03"}));

    fake->FailWritesAfter(1);
    std::int32_t code = -1;
    try {
        blocks.SendBlock(frame);
    } catch (const SerialPortException& e) {
        code = e.code();
    }
    EXPECT_EQ(code, 2);
    EXPECT_EQ(fake->events(), (Events{"write 01 02 03", "write 01", "write failed"}));
    EXPECT_FALSE(blocks.IsOpen());
}

TEST_F(SerialPortModemLineTest, SingleBytesAndWordsNeverTouchRtsEvenInToggleMode)
{
    OpenInToggleMode();
    port.WriteByte(0x7E);
    port.WriteWord16(0x0102);
    EXPECT_EQ(device->events(), (Events{"write 7E", "write 02", "write 01"}));
}

TEST_F(SerialPortModemLineTest, ToggleModeReadsThreeWhileTheDriverHasRtsDisabled)
{
    ASSERT_TRUE(port.Open());
    ASSERT_TRUE(port.SetRtsControl(3));
    EXPECT_EQ(port.GetRtsControl(), 3);
    EXPECT_EQ(device->settings().rtsControl, 0);

    ASSERT_TRUE(port.SetRtsControl(1));
    EXPECT_EQ(port.GetRtsControl(), 1);
    EXPECT_EQ(device->settings().rtsControl, 1);
    ASSERT_TRUE(port.SetRtsControl(2));
    EXPECT_EQ(port.GetRtsControl(), 2);
    ASSERT_TRUE(port.SetRtsControl(4));  // the low two bits: disabled
    EXPECT_EQ(port.GetRtsControl(), 0);
}

TEST_F(SerialPortModemLineTest, OpeningAgainClearsTheToggle)
{
    OpenInToggleMode();
    ASSERT_TRUE(port.Open());
    EXPECT_NE(port.GetRtsControl(), 3);
    device->ClearEvents();
    const std::uint8_t block[] = {0x33};
    port.WriteBytes(1, block);
    EXPECT_EQ(device->events(), (Events{"write 33"}));
}

TEST_F(SerialPortModemLineTest, CtsAndDsrAreBitsFourAndFive)
{
    ASSERT_TRUE(port.Open());
    device->SetModemStatus(0x10);
    EXPECT_EQ(port.GetCTS(), 1);
    EXPECT_EQ(port.GetDSR(), 0);
    device->SetModemStatus(0x20 | 0x80);
    EXPECT_EQ(port.GetCTS(), 0);
    EXPECT_EQ(port.GetDSR(), 1);
    device->SetModemStatus(0x30);
    port.Close();
    EXPECT_EQ(port.GetCTS(), 0);
    EXPECT_EQ(port.GetDSR(), 0);
}

TEST_F(SerialPortModemLineTest, DtrAndRtsAreDrivenOnRequest)
{
    ASSERT_TRUE(port.Open());
    device->ClearEvents();
    EXPECT_TRUE(port.SetDtr(true));
    EXPECT_TRUE(port.SetRts(false));
    EXPECT_TRUE(port.SetDtr(false));
    EXPECT_EQ(device->events(), (Events{"SETDTR", "CLRRTS", "CLRDTR"}));
    device->FailEscapes(true);
    EXPECT_FALSE(port.SetRts(true));
}

TEST_F(SerialPortModemLineTest, PurgeTouchesOnlyTheInput)
{
    ASSERT_TRUE(port.Open());
    device->QueueInput({1, 2, 3});
    device->ClearEvents();
    EXPECT_TRUE(port.PurgeInput());
    EXPECT_EQ(device->pendingInput(), 0u);
    EXPECT_EQ(device->events(), (Events{"purge"}));
}

TEST_F(SerialPortModemLineTest, AFailedReadThrowsCodeOneAndTryReadByteSaysFalse)
{
    ASSERT_TRUE(port.Open());
    device->QueueInput({0x99});
    device->FailReads(true);
    std::uint8_t byte = 0;
    EXPECT_FALSE(port.TryReadByte(&byte));
    try {
        port.ReadByte();
        FAIL() << "no exception";
    } catch (const SerialPortException& e) {
        EXPECT_EQ(e.code(), SerialPortException::Timeout);
    }
    device->FailReads(false);
    EXPECT_EQ(port.ReadByte(), 0x99);
}

TEST_F(SerialPortModemLineTest, TheCtsFlowReadsBackAsSet)
{
    ASSERT_TRUE(port.Open());
    EXPECT_TRUE(port.SetCtsFlow(true));
    EXPECT_EQ(port.GetCtsFlow(), 1);
    EXPECT_TRUE(device->settings().ctsOutFlow);
    EXPECT_TRUE(port.SetCtsFlow(false));
    EXPECT_EQ(port.GetCtsFlow(), 0);
}
