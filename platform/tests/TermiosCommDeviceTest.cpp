#include "platform/PortMap.h"
#include "platform/PtyPair.h"
#include "platform/SerialAccess.h"
#include "platform/TermiosCommDevice.h"
#include "platform/tests/ScopedConfigHome.h"

#include <gtest/gtest.h>

#include <termios.h>
#include <unistd.h>

#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

class TermiosCommDeviceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pty.ok());
        ASSERT_TRUE(device.Open(pty.slavePath())) << device.LastError();
    }

    long Write(const Bytes& bytes) { return device.Write(bytes.data(), bytes.size()); }

    PtyPair pty;
    TermiosCommDevice device;
};

}  // namespace

TEST(TermiosCommDeviceOpenTest, MissingDeviceFailsWithTheReason)
{
    TermiosCommDevice device;
    EXPECT_FALSE(device.Open("/dev/no-such-serial-line"));
    EXPECT_FALSE(device.IsOpen());
    EXPECT_EQ(device.LastError(), "No such file or directory");
}

TEST(TermiosCommDeviceOpenTest, SecondOpenOfTheSameLineIsBusyEvenForRoot)
{
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    TermiosCommDevice first;
    TermiosCommDevice second;
    ASSERT_TRUE(first.Open(pty.slavePath()));
    EXPECT_FALSE(second.Open(pty.slavePath()));
    EXPECT_FALSE(second.IsOpen());
    EXPECT_EQ(second.LastError(), "Device or resource busy");

    first.Close();
    EXPECT_FALSE(first.IsOpen());
    EXPECT_TRUE(second.Open(pty.slavePath())) << second.LastError();
}

TEST(TermiosCommDeviceOpenTest, TheLinkAndTheDeviceAreOneLine)
{
    ScopedConfigHome home;
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    ASSERT_TRUE(PortMap::Link("com1", pty.slavePath()));
    TermiosCommDevice viaLink;
    TermiosCommDevice direct;
    ASSERT_TRUE(viaLink.Open(PortMap::DevicePath("COM1"))) << viaLink.LastError();
    EXPECT_FALSE(direct.Open(pty.slavePath()));
    EXPECT_EQ(direct.LastError(), "Device or resource busy");

    const Bytes hello = {'h', 'i'};
    EXPECT_EQ(viaLink.Write(hello.data(), hello.size()), 2);
    EXPECT_EQ(pty.Receive(2, 1000), hello);
}

TEST(TermiosCommDeviceOpenTest, PermissionDeniedIsExplained)
{
    if (::geteuid() == 0) GTEST_SKIP() << "root may open any file";
    ScopedConfigHome home;
    const std::string path = home.path() + "/locked";
    std::FILE* file = std::fopen(path.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    TermiosCommDevice device;
    EXPECT_FALSE(device.Open(path));
    EXPECT_EQ(device.LastError(), "Permission denied (" + SerialAccess::DeniedHint(path) + ")");
}

TEST(TermiosCommDeviceOpenTest, ClosedDeviceRefusesEverything)
{
    TermiosCommDevice device;
    std::uint8_t byte = 0;
    CommSettings settings;
    std::uint32_t status = 0;
    EXPECT_EQ(device.Read(&byte, 1), -1);
    EXPECT_EQ(device.LastError(), "Bad file descriptor");
    EXPECT_EQ(device.Write(&byte, 1), -1);
    EXPECT_FALSE(device.GetSettings(settings));
    EXPECT_FALSE(device.SetSettings(settings));
    EXPECT_FALSE(device.Escape(EscapeFunction::SetRts));
    EXPECT_FALSE(device.GetModemStatus(status));
    EXPECT_FALSE(device.PurgeInput());
    EXPECT_FALSE(device.WaitTransmitterEmpty(10));
}

TEST_F(TermiosCommDeviceTest, EveryByteValueTravelsUnchangedBothWays)
{
    Bytes all;
    for (int value = 0; value < 256; ++value) all.push_back(static_cast<std::uint8_t>(value));

    EXPECT_EQ(Write(all), 256);
    EXPECT_EQ(pty.Receive(256, 1000), all);

    ASSERT_TRUE(pty.Send(all));
    device.SetReadTimeouts(500, 1000);
    Bytes received(256);
    EXPECT_EQ(device.Read(received.data(), received.size()), 256);
    EXPECT_EQ(received, all);
}

TEST_F(TermiosCommDeviceTest, OpenMakesACookedLineRaw)
{
    device.Close();
    termios cooked{};
    ASSERT_EQ(::tcgetattr(pty.masterFd(), &cooked), 0);
    cooked.c_iflag |= ICRNL | IXON | IXOFF;
    cooked.c_oflag |= OPOST | ONLCR;
    cooked.c_lflag |= ICANON | ECHO | ISIG;
    ASSERT_EQ(::tcsetattr(pty.masterFd(), TCSANOW, &cooked), 0);

    ASSERT_TRUE(device.Open(pty.slavePath()));
    const Bytes controlBytes = {'a', '\r', '\n', 0x13, 0x11, 0x03, 'b'};
    ASSERT_TRUE(pty.Send(controlBytes));
    device.SetReadTimeouts(500, 1000);
    Bytes received(controlBytes.size());
    EXPECT_EQ(device.Read(received.data(), received.size()), 7);
    EXPECT_EQ(received, controlBytes);
    // No echo came back, and a line feed goes out without a carriage return.
    EXPECT_EQ(Write({'\n'}), 1);
    EXPECT_EQ(pty.Receive(2, 200), Bytes{'\n'});
}

TEST_F(TermiosCommDeviceTest, ReadWithNothingArrivingEndsEmpty)
{
    device.SetReadTimeouts(0, 100);
    std::uint8_t byte = 0;
    EXPECT_EQ(device.Read(&byte, 1), 0);
}

TEST_F(TermiosCommDeviceTest, ReadStopsAtTheIntervalAfterTheLastByte)
{
    ASSERT_TRUE(pty.Send({1, 2}));
    device.SetReadTimeouts(50, 0);
    Bytes received(5, 0xEE);
    EXPECT_EQ(device.Read(received.data(), received.size()), 2);
    EXPECT_EQ(received, (Bytes{1, 2, 0xEE, 0xEE, 0xEE}));
}

TEST_F(TermiosCommDeviceTest, ReadArrivedTakesWhatIsThereWithoutWaitingForTheRest)
{
    device.SetReadTimeouts(0, 0);  // the read time-outs play no part
    Bytes received(5, 0xEE);
    EXPECT_EQ(device.ReadArrived(received.data(), received.size(), 50), 0);  // nothing came
    ASSERT_TRUE(pty.Send({1, 2, 3}));
    EXPECT_EQ(device.ReadArrived(received.data(), received.size(), 1000), 3);
    EXPECT_EQ(received, (Bytes{1, 2, 3, 0xEE, 0xEE}));
    ASSERT_TRUE(pty.Send({4, 5, 6}));
    EXPECT_EQ(device.ReadArrived(received.data(), 2, 1000), 2);
    EXPECT_EQ(device.ReadArrived(received.data() + 2, 3, 1000), 1);
    EXPECT_EQ(received, (Bytes{4, 5, 6, 0xEE, 0xEE}));

    pty.CloseMaster();
    EXPECT_EQ(device.ReadArrived(received.data(), 1, 0), -1);  // no wait: the hang-up ends it
    EXPECT_FALSE(device.LastError().empty());
}

TEST_F(TermiosCommDeviceTest, AVanishedLineFailsTheReadInsteadOfWaiting)
{
    pty.CloseMaster();
    device.SetReadTimeouts(0, 0);  // no time limit: only the hang-up can end the read
    std::uint8_t byte = 0;
    EXPECT_EQ(device.Read(&byte, 1), -1);
    EXPECT_FALSE(device.LastError().empty());
    EXPECT_EQ(device.Read(&byte, 1), -1);
}

TEST_F(TermiosCommDeviceTest, WriteToAVanishedLineFails)
{
    pty.CloseMaster();
    EXPECT_EQ(Write({1, 2, 3}), -1);
    EXPECT_FALSE(device.LastError().empty());
}

TEST_F(TermiosCommDeviceTest, PurgeDiscardsWhatWaits)
{
    ASSERT_TRUE(pty.Send({1, 2, 3}));
    device.SetReadTimeouts(0, 1000);
    std::uint8_t byte = 0;
    ASSERT_EQ(device.Read(&byte, 1), 1);  // the rest has reached the driver with it
    EXPECT_TRUE(device.PurgeInput());
    device.SetReadTimeouts(0, 100);
    EXPECT_EQ(device.Read(&byte, 1), 0);
}

// A pseudo-terminal always keeps 8 data bits without parity, so those two are not
// looked at here.
TEST_F(TermiosCommDeviceTest, SettingsReadBackAsWritten)
{
    CommSettings wanted{.baudRate = 38400, .stopBits = 2, .dsrOutFlow = true, .rtsControl = 0, .dtrControl = 0};
    ASSERT_TRUE(device.SetSettings(wanted)) << device.LastError();

    CommSettings read;
    ASSERT_TRUE(device.GetSettings(read));
    EXPECT_EQ(read.baudRate, 38400u);
    EXPECT_EQ(read.stopBits, 2);
    EXPECT_FALSE(read.ctsOutFlow);
    EXPECT_TRUE(read.dsrOutFlow);
    EXPECT_EQ(read.rtsControl, 0);
    EXPECT_EQ(read.dtrControl, 0);
    termios t{};
    ASSERT_EQ(::tcgetattr(pty.masterFd(), &t), 0);
    EXPECT_EQ(::cfgetospeed(&t), static_cast<speed_t>(B38400));
    EXPECT_EQ(t.c_cflag & CRTSCTS, 0u);

    wanted.stopBits = 1;
    wanted.ctsOutFlow = true;
    wanted.rtsControl = 2;
    ASSERT_TRUE(device.SetSettings(wanted));
    ASSERT_TRUE(device.GetSettings(read));
    EXPECT_EQ(read.stopBits, 1);
    EXPECT_TRUE(read.ctsOutFlow);
    EXPECT_EQ(read.rtsControl, 2);
    ASSERT_EQ(::tcgetattr(pty.masterFd(), &t), 0);
    EXPECT_NE(t.c_cflag & CRTSCTS, 0u);
}

TEST_F(TermiosCommDeviceTest, RatesWithoutATermiosSpeedAreRefused)
{
    CommSettings settings;
    ASSERT_TRUE(device.GetSettings(settings));
    settings.baudRate = 57600;
    ASSERT_TRUE(device.SetSettings(settings));

    settings.baudRate = 12345;
    EXPECT_FALSE(device.SetSettings(settings));
    EXPECT_EQ(device.LastError(), "Invalid argument");
    settings.baudRate = 9600;
    settings.dataBits = 9;
    EXPECT_FALSE(device.SetSettings(settings));

    ASSERT_TRUE(device.GetSettings(settings));
    EXPECT_EQ(settings.baudRate, 57600u);
    EXPECT_EQ(settings.dataBits, 8);
}

TEST(TermiosCommDeviceRateTest, StandardRatesOnly)
{
    EXPECT_EQ(TermiosCommDevice::SpeedFor(9600), static_cast<speed_t>(B9600));
    EXPECT_EQ(TermiosCommDevice::SpeedFor(115200), static_cast<speed_t>(B115200));
    EXPECT_EQ(TermiosCommDevice::SpeedFor(4800), static_cast<speed_t>(B4800));
    EXPECT_EQ(TermiosCommDevice::SpeedFor(9601), static_cast<speed_t>(B0));
    EXPECT_EQ(TermiosCommDevice::SpeedFor(0), static_cast<speed_t>(B0));
    EXPECT_EQ(TermiosCommDevice::RateOf(B38400), 38400u);
    EXPECT_EQ(TermiosCommDevice::RateOf(B0), 0u);
}

TEST_F(TermiosCommDeviceTest, APseudoTerminalHasNoModemLines)
{
    std::uint32_t status = 0;
    EXPECT_FALSE(device.Escape(EscapeFunction::SetRts));
    EXPECT_EQ(device.LastError(), "Inappropriate ioctl for device");
    EXPECT_FALSE(device.Escape(EscapeFunction::ClrDtr));
    EXPECT_FALSE(device.GetModemStatus(status));
}

TEST_F(TermiosCommDeviceTest, TransmitterEmptiesOnAPseudoTerminal)
{
    EXPECT_EQ(Write({1, 2, 3}), 3);
    EXPECT_TRUE(device.WaitTransmitterEmpty(100)) << device.LastError();
    EXPECT_TRUE(device.WaitTransmitterEmpty(0));
    EXPECT_EQ(pty.Receive(3, 1000), (Bytes{1, 2, 3}));
}

TEST_F(TermiosCommDeviceTest, WriteWithATimeOutStopsWhenTheLineIsFull)
{
    // Nobody reads the master: the queue fills and the write returns what went out.
    const Bytes block(1 << 20, 0x5A);
    const long written = device.Write(block.data(), block.size(), 50);
    EXPECT_GE(written, 0);
    EXPECT_LT(written, static_cast<long>(block.size()));
}
