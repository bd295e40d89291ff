#include "monitor/serial/SerialPort.h"
#include "platform/PortMap.h"
#include "platform/PtyPair.h"
#include "platform/TermiosCommDevice.h"
#include "platform/tests/FakeCommDevice.h"
#include "platform/tests/ScopedConfigHome.h"

#include <gtest/gtest.h>

#include <termios.h>

#include <cstdio>

#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// COM1 of these tests is a pseudo-terminal; the test plays the device on its master.
class SerialPortTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(line.ok());
        ASSERT_TRUE(PortMap::Link("com1", line.slavePath()));
    }

    Bytes Sent(std::size_t count) { return line.Receive(count, 1000); }

    // The rate the line itself runs at.
    std::uint32_t LineRate()
    {
        termios t{};
        if (::tcgetattr(line.masterFd(), &t) != 0) return 0;
        return TermiosCommDevice::RateOf(::cfgetospeed(&t));
    }

    template <class Transfer>
    std::int32_t CodeThrownBy(Transfer transfer)
    {
        try {
            transfer();
        } catch (const SerialPortException& e) {
            return e.code();
        }
        return -1;
    }

    ScopedConfigHome home;
    PtyPair line;
};

// Counts the bytes that pass the two virtual transfers.
class CountingPort : public SerialPort {
public:
    using SerialPort::SerialPort;
    void WriteByte(std::uint8_t b) override
    {
        written.push_back(b);
        SerialPort::WriteByte(b);
    }
    std::uint8_t ReadByte() override
    {
        const std::uint8_t b = SerialPort::ReadByte();
        read.push_back(b);
        return b;
    }
    Bytes written;
    Bytes read;
};

// The block transfers the links use, open to the tests.
class BlockPort : public SerialPort {
public:
    using SerialPort::AppendWord32;
    using SerialPort::ReceiveBlock;
    using SerialPort::SendBlock;
    using SerialPort::SerialPort;
    using SerialPort::Word16At;
    using SerialPort::Word32At;
};

}  // namespace

TEST_F(SerialPortTest, ANewPortIsCom1AndClosed)
{
    SerialPort port(0);
    EXPECT_EQ(port.GetPort(), 1);
    EXPECT_EQ(port.GetPortName(), "COM1");
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.GetEndianMode(), 0);
}

TEST_F(SerialPortTest, SetPortClosesAndSelectsOneToNine)
{
    SerialPort port(0);
    ASSERT_TRUE(port.Open());
    port.SetPort(3);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.GetPort(), 3);
    EXPECT_EQ(port.GetPortName(), "COM3");

    port.SetPort(9);
    EXPECT_EQ(port.GetPortName(), "COM9");
    port.SetPort(3);

    port.SetPort(1);
    ASSERT_TRUE(port.Open());
    port.SetPort(0);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.GetPort(), 1);
    EXPECT_EQ(port.GetPortName(), "COM1");
    port.SetPort(-1);
    EXPECT_EQ(port.GetPortName(), "COM1");
    port.SetPort(10);  // no "COM" and one digit names it
    EXPECT_EQ(port.GetPort(), 1);
    EXPECT_EQ(port.GetPortName(), "COM1");
}

TEST_F(SerialPortTest, OpenOnAMissingPortFailsAndTransfersThrow)
{
    ASSERT_TRUE(PortMap::Link("com4", "/dev/no-such-serial-line"));
    SerialPort port(0);
    port.SetPort(4);
    EXPECT_FALSE(port.Open());
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.LastError(), "No such file or directory");
    EXPECT_EQ(port.OpenFailure(), "COM4 (" + PortMap::LinkPath("com4") + "): No such file or directory");
    EXPECT_EQ(CodeThrownBy([&] { port.ReadByte(); }), 1);
    EXPECT_EQ(CodeThrownBy([&] { port.WriteByte(0x41); }), 2);
    std::uint8_t byte = 0x77;
    EXPECT_FALSE(port.TryReadByte(&byte));
    EXPECT_EQ(byte, 0x77);
    EXPECT_EQ(port.GetBaudRate(), 0u);
    EXPECT_FALSE(port.SetBaudRate(38400));
}

// The folder of links exists (COM1 is linked): COM3, which has no link, must not fall
// back to the machine's own /dev/ttyS2.
TEST_F(SerialPortTest, ANameWithoutALinkIsNotOpenedAtAll)
{
    auto device = std::make_unique<FakeCommDevice>();
    const FakeCommDevice& seen = *device;
    SerialPort port(0, std::move(device));
    port.SetPort(3);
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(seen.openedPath(), "");
    EXPECT_EQ(port.OpenFailure(), PortMap::NotMappedText("COM3"));
    EXPECT_EQ(CodeThrownBy([&] { port.WriteByte(0x41); }), 2);
    EXPECT_TRUE(seen.written().empty());

    ASSERT_TRUE(PortMap::Link("com3", line.slavePath()));
    EXPECT_TRUE(port.Open());
    EXPECT_EQ(seen.openedPath(), PortMap::LinkPath("com3"));
    EXPECT_EQ(port.OpenFailure(), "");
}

TEST_F(SerialPortTest, ADeviceWithoutLineSettingsStaysOpenButOpenFails)
{
    const std::string file = home.path() + "/not-a-tty";
    std::FILE* created = std::fopen(file.c_str(), "w");
    ASSERT_NE(created, nullptr);
    std::fclose(created);
    ASSERT_TRUE(PortMap::Link("com2", file));
    SerialPort port(0);
    port.SetPort(2);
    EXPECT_FALSE(port.Open());
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(port.GetBaudRate(), 0u);
    port.Close();
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(SerialPortTest, APortIsOpenedByOneOwnerOnly)
{
    SerialPort first(0);
    SerialPort second(0);
    ASSERT_TRUE(first.Open());
    EXPECT_FALSE(second.Open());
    EXPECT_EQ(second.LastError(), "Device or resource busy");
    first.Close();
    EXPECT_FALSE(first.IsOpen());
    EXPECT_TRUE(second.Open());
}

TEST_F(SerialPortTest, OpenReturnsTheLineTo9600)
{
    SerialPort port(0);
    ASSERT_TRUE(port.Open());
    EXPECT_EQ(port.GetBaudRate(), 9600u);
    EXPECT_EQ(LineRate(), 9600u);

    EXPECT_TRUE(port.SetBaudRate(38400));
    EXPECT_EQ(port.GetBaudRate(), 38400u);
    EXPECT_EQ(LineRate(), 38400u);
    EXPECT_TRUE(port.SetCtsFlow(true));
    EXPECT_EQ(port.GetCtsFlow(), 1);

    ASSERT_TRUE(port.Open());
    EXPECT_EQ(port.GetBaudRate(), 9600u);
    EXPECT_EQ(LineRate(), 9600u);
    EXPECT_EQ(port.GetCtsFlow(), 0);
}

TEST_F(SerialPortTest, ARateWithoutATermiosSpeedIsRefusedAndChangesNothing)
{
    SerialPort port(0);
    ASSERT_TRUE(port.Open());
    ASSERT_TRUE(port.SetBaudRate(115200));
    EXPECT_FALSE(port.SetBaudRate(12345));
    EXPECT_EQ(port.GetBaudRate(), 115200u);
}

TEST_F(SerialPortTest, MostSignificantFirstInEndianModeOne)
{
    SerialPort port(1);
    ASSERT_TRUE(port.Open());
    port.WriteWord32(0x0A0B0C0D);
    port.WriteWord16(0x1234);
    EXPECT_EQ(Sent(6), (Bytes{0x0A, 0x0B, 0x0C, 0x0D, 0x12, 0x34}));

    ASSERT_TRUE(line.Send({0x12, 0x34, 0x0A, 0x0B, 0x0C, 0x0D}));
    EXPECT_EQ(port.ReadWord16(), 0x1234);
    EXPECT_EQ(port.ReadWord32(), 0x0A0B0C0Du);
}

TEST_F(SerialPortTest, LeastSignificantFirstInEveryOtherMode)
{
    for (const std::int32_t mode : {0, 2, -1}) {
        SerialPort port(mode);
        ASSERT_TRUE(port.Open());
        port.WriteWord32(0x0A0B0C0D);
        port.WriteWord16(0x1234);
        EXPECT_EQ(Sent(6), (Bytes{0x0D, 0x0C, 0x0B, 0x0A, 0x34, 0x12})) << "mode " << mode;

        ASSERT_TRUE(line.Send({0x12, 0x34, 0x0A, 0x0B, 0x0C, 0x0D}));
        EXPECT_EQ(port.ReadWord16(), 0x3412) << "mode " << mode;
        EXPECT_EQ(port.ReadWord32(), 0x0D0C0B0Au) << "mode " << mode;
    }
}

TEST_F(SerialPortTest, BlocksOfBytesAndWordsTravelInOrder)
{
    SerialPort port(1);
    ASSERT_TRUE(port.Open());
    const std::uint8_t bytes[] = {0x00, 0xFF, 0x11, 0x13, 0x0D, 0x0A};
    port.WriteBytes(6, bytes);
    EXPECT_EQ(Sent(6), Bytes(bytes, bytes + 6));
    const std::uint32_t words[] = {0x01020304, 0xA1B2C3D4};
    port.WriteWords32(2, words);
    EXPECT_EQ(Sent(8), (Bytes{1, 2, 3, 4, 0xA1, 0xB2, 0xC3, 0xD4}));
    port.WriteBytes(0, bytes);
    port.WriteBytes(-3, bytes);
    EXPECT_TRUE(line.Receive(1, 100).empty());

    ASSERT_TRUE(line.Send({9, 8, 0xBE, 0xEF, 0xCA, 0xFE, 0xDE, 0xAD, 0xBE, 0xEF, 0x00, 0x01}));
    std::uint8_t readBytes[2] = {};
    std::uint16_t words16[2] = {};
    std::uint32_t words32[1] = {};
    port.ReadBytes(2, readBytes);
    port.ReadWords16(2, words16);
    port.ReadWords32(1, words32);
    EXPECT_EQ(readBytes[0], 9);
    EXPECT_EQ(readBytes[1], 8);
    EXPECT_EQ(words16[0], 0xBEEF);
    EXPECT_EQ(words16[1], 0xCAFE);
    EXPECT_EQ(words32[0], 0xDEADBEEFu);
    EXPECT_EQ(port.ReadWord16(), 0x0001);
}

TEST_F(SerialPortTest, EveryByteGoesThroughTheVirtualTransfers)
{
    CountingPort port(0);
    ASSERT_TRUE(port.Open());
    port.WriteWord32(0x44332211);
    const std::uint8_t block[] = {0x55, 0x66};
    port.WriteBytes(2, block);
    EXPECT_EQ(port.written, (Bytes{0x11, 0x22, 0x33, 0x44, 0x55, 0x66}));
    EXPECT_EQ(Sent(6), port.written);

    ASSERT_TRUE(line.Send({1, 2, 3, 4, 5}));
    port.ReadWord32();
    std::uint8_t scratch = 0;
    EXPECT_TRUE(port.TryReadByte(&scratch));  // not through ReadByte
    EXPECT_EQ(scratch, 5);
    EXPECT_EQ(port.read, (Bytes{1, 2, 3, 4}));
}

TEST_F(SerialPortTest, BlocksTravelWholeAndAMissingByteEndsTheReadWithCodeOne)
{
    BlockPort port(0);
    EXPECT_EQ(CodeThrownBy([&] { port.SendBlock(Bytes{1}); }), 2);  // not open
    ASSERT_TRUE(port.Open());
    const Bytes request{0xFA, 0x00, 0x11, 0x13, 0xFF};
    port.SendBlock(request);
    EXPECT_EQ(Sent(5), request);

    ASSERT_TRUE(line.Send({9, 8, 7, 6, 5}));
    Bytes reply(3);
    port.ReceiveBlock(reply);
    EXPECT_EQ(reply, (Bytes{9, 8, 7}));
    Bytes rest(4, 0xEE);
    EXPECT_EQ(CodeThrownBy([&] { port.ReceiveBlock(rest); }), 1);
    EXPECT_EQ(rest, (Bytes{6, 5, 0xEE, 0xEE}));
    EXPECT_TRUE(port.IsOpen());  // a time-out is no lost line
}

TEST_F(SerialPortTest, BlockTransfersOnAVanishedLineFailAndLetItGo)
{
    BlockPort port(0);
    ASSERT_TRUE(port.Open());
    line.CloseMaster();
    Bytes reply(2);
    EXPECT_EQ(CodeThrownBy([&] { port.ReceiveBlock(reply); }), 1);
    EXPECT_FALSE(port.IsOpen());
}

TEST(SerialPortByteOrderTest, WordsOfBlocksFollowTheEndianMode)
{
    struct Case {
        std::int32_t mode;
        Bytes word32;
        std::uint16_t first16;
    };
    for (const Case& c : {Case{1, {0x0A, 0x0B, 0x0C, 0x0D}, 0x0A0B}, Case{0, {0x0D, 0x0C, 0x0B, 0x0A}, 0x0C0D},
                          Case{2, {0x0D, 0x0C, 0x0B, 0x0A}, 0x0C0D}}) {
        BlockPort port(c.mode, std::make_unique<FakeCommDevice>());
        Bytes out{0x55};
        port.AppendWord32(out, 0x0A0B0C0D);
        EXPECT_EQ(out, (Bytes{0x55, c.word32[0], c.word32[1], c.word32[2], c.word32[3]})) << c.mode;
        EXPECT_EQ(port.Word32At(c.word32.data()), 0x0A0B0C0Du) << c.mode;
        EXPECT_EQ(port.Word16At(c.word32.data()), c.first16) << c.mode;
    }
}

TEST_F(SerialPortTest, ASilentLineEndsTheReadWithCodeOne)
{
    SerialPort port(0);
    ASSERT_TRUE(port.Open());
    EXPECT_EQ(CodeThrownBy([&] { port.ReadByte(); }), 1);
}

TEST_F(SerialPortTest, AMultiByteReadStopsAtTheFirstMissingByteAndKeepsWhatCame)
{
    SerialPort port(0);
    ASSERT_TRUE(port.Open());
    ASSERT_TRUE(line.Send({0xAA, 0xBB}));
    std::uint8_t buffer[4] = {0, 0, 0, 0};
    EXPECT_EQ(CodeThrownBy([&] { port.ReadBytes(4, buffer); }), 1);
    EXPECT_EQ(buffer[0], 0xAA);
    EXPECT_EQ(buffer[1], 0xBB);
    EXPECT_EQ(buffer[2], 0);
}

TEST_F(SerialPortTest, AVanishedLineFailsTransfersAtOnce)
{
    SerialPort port(0);
    ASSERT_TRUE(port.Open());
    line.CloseMaster();
    EXPECT_EQ(CodeThrownBy([&] { port.ReadByte(); }), 1);
    EXPECT_FALSE(port.TryReadByte(nullptr));
    EXPECT_EQ(CodeThrownBy([&] { port.WriteByte(1); }), 2);
}

TEST_F(SerialPortTest, AVanishedLineIsLetGoAndANewLineTakesItsPlaceAtTheSameRate)
{
    SerialPort port(0);
    ASSERT_TRUE(port.Open());
    ASSERT_TRUE(port.SetBaudRate(38400));
    line.CloseMaster();
    EXPECT_EQ(CodeThrownBy([&] { port.ReadByte(); }), 1);
    EXPECT_FALSE(port.IsOpen());

    PtyPair replugged;
    ASSERT_TRUE(PortMap::Link("com1", replugged.slavePath()));
    port.WriteByte(0x5A);
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(port.GetBaudRate(), 38400u);
    EXPECT_EQ(replugged.Receive(1, 1000), Bytes{0x5A});
    ASSERT_TRUE(replugged.Send({0x33}));
    EXPECT_EQ(port.ReadByte(), 0x33);
}

TEST_F(SerialPortTest, AClosedPortIsNotOpenedAgainByATransfer)
{
    SerialPort port(0);
    ASSERT_TRUE(port.Open());
    port.Close();
    EXPECT_EQ(CodeThrownBy([&] { port.WriteByte(1); }), 2);
    EXPECT_EQ(CodeThrownBy([&] { port.ReadByte(); }), 1);
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(SerialPortTest, ALineThatDoesNotComeBackKeepsFailingWithoutHoldingAnything)
{
    SerialPort port(0);
    ASSERT_TRUE(port.Open());
    line.CloseMaster();
    EXPECT_EQ(CodeThrownBy([&] { port.WriteByte(1); }), 2);
    EXPECT_FALSE(port.IsOpen());
    ASSERT_TRUE(PortMap::Link("com1", home.path() + "/unplugged"));
    EXPECT_EQ(CodeThrownBy([&] { port.WriteByte(1); }), 2);
    EXPECT_EQ(CodeThrownBy([&] { port.ReadByte(); }), 1);
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(SerialPortTest, TryReadByteTakesOneByteIntoScratchOrCaller)
{
    SerialPort port(0);
    ASSERT_TRUE(port.Open());
    ASSERT_TRUE(line.Send({0x31, 0x32}));
    EXPECT_TRUE(port.TryReadByte(nullptr));
    std::uint8_t byte = 0;
    EXPECT_TRUE(port.TryReadByte(&byte));
    EXPECT_EQ(byte, 0x32);
}

TEST_F(SerialPortTest, PurgeInputDropsWhatWaits)
{
    SerialPort port(0);
    ASSERT_TRUE(port.Open());
    ASSERT_TRUE(line.Send({1, 2, 3}));
    EXPECT_EQ(port.ReadByte(), 1);  // the others have arrived with it
    EXPECT_TRUE(port.PurgeInput());
    ASSERT_TRUE(line.Send({4}));
    EXPECT_EQ(port.ReadByte(), 4);
}

TEST_F(SerialPortTest, RtsToggleOnALineWithoutModemLinesStillSendsTheBlock)
{
    SerialPort port(0);
    ASSERT_TRUE(port.Open());
    ASSERT_TRUE(port.SetRtsControl(3));
    EXPECT_EQ(port.GetRtsControl(), 3);
    const std::uint8_t block[] = {0x41, 0x42, 0x43};
    port.WriteBytes(3, block);
    EXPECT_EQ(Sent(3), (Bytes{0x41, 0x42, 0x43}));
    EXPECT_TRUE(port.TransmitterEmpty());
    EXPECT_EQ(port.GetCTS(), 0);
    EXPECT_EQ(port.GetDSR(), 0);
}

TEST_F(SerialPortTest, LineControlOnAClosedPortChangesNothing)
{
    SerialPort port(0);
    EXPECT_FALSE(port.SetRtsControl(3));
    EXPECT_EQ(port.GetRtsControl(), 0);
    EXPECT_FALSE(port.SetCtsFlow(true));
    EXPECT_EQ(port.GetCtsFlow(), 0);
    EXPECT_EQ(port.GetCTS(), 0);
    EXPECT_EQ(port.GetDSR(), 0);
    EXPECT_FALSE(port.PurgeInput());
    EXPECT_FALSE(port.SetRts(true));
    EXPECT_FALSE(port.SetDtr(false));
}

TEST(SerialPortTimeLimitTest, TheBlockTimeAtTheRatePlusAMargin)
{
    // 10 bits a byte: 96 bytes at 9600 baud take 100 ms.
    EXPECT_EQ(SerialPort::TransmitTimeLimitMs(96, 9600), 200u);
    EXPECT_EQ(SerialPort::TransmitTimeLimitMs(1, 9600), 102u);  // 1.04 ms, rounded up
    EXPECT_EQ(SerialPort::TransmitTimeLimitMs(0, 9600), 100u);
    EXPECT_EQ(SerialPort::TransmitTimeLimitMs(-5, 9600), 100u);
    EXPECT_EQ(SerialPort::TransmitTimeLimitMs(30, 0), 1100u);  // rate unknown: 300 baud
}
