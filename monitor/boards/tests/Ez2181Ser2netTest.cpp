// The board class on a network port: COM1 is linked to rfc2217://127.0.0.1:PORT, where
// Debian's ser2net serves a pseudo-terminal whose other end is the simulated 2181 board.

#include "monitor/boards/Ez2181.h"
#include "monitor/core/tests/SRecordFiles.h"

#include "platform/PortMap.h"
#include "platform/PtyPair.h"
#include "platform/Rfc2217CommDevice.h"
#include "platform/TermiosCommDevice.h"
#include "platform/tests/ScopedConfigHome.h"
#include "platform/Ser2netServer.h"
#include "simulators/ez2181/Ez2181Simulator.h"
#include "simulators/ptyline/PtyLineServer.h"

#include <gtest/gtest.h>

#include <termios.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

class Ez2181Ser2netTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (Ser2netServer::Program().empty()) GTEST_SKIP() << "ser2net is not installed";
        ASSERT_TRUE(pty.ok());
        ASSERT_TRUE(runner.Start());
        ASSERT_TRUE(ser2net.Start()) << "ser2net did not start; see " << folder.Path("ser2net.log");
        ASSERT_TRUE(PortMap::Link("COM1", ser2net.Address()));
    }
    void TearDown() override
    {
        ser2net.Kill();
        runner.Stop();
    }

    // The rate the pseudo-terminal itself is set to, read on the board's side.
    std::uint32_t LineRate()
    {
        termios t{};
        if (::tcgetattr(pty.masterFd(), &t) != 0) return 0;
        return TermiosCommDevice::RateOf(::cfgetospeed(&t));
    }

    ScopedConfigHome home;
    TempFolder folder;
    PtyPair pty;
    Ez2181Simulator board;
    PtyLineServer runner{board, pty.masterFd()};
    Ser2netServer ser2net{pty.slavePath(), folder.Path("")};
};

// Flash data full of 0xFF, the telnet escape, which must be doubled on the way out and
// singled on the way back.
std::vector<std::uint8_t> ImageWithFfRuns(std::size_t size)
{
    std::vector<std::uint8_t> image = PatternBytes(size, 2217);
    for (std::size_t i = 0; i < size; i += 7) image[i] = 0xFF;
    for (std::size_t i = 100; i < 140; ++i) image[i] = 0xFF;
    return image;
}

}  // namespace

TEST_F(Ez2181Ser2netTest, FlashIsProgrammedAndVerifiedThroughTheNetworkPort)
{
    const std::vector<std::uint8_t> image = ImageWithFfRuns(3000);
    const std::string file = MakeSRecordFile(folder, "image.bnm", {{0x0000, image}});
    Ez2181 ez;
    ASSERT_EQ(ez.ProgFlash(file), Variant::I4(0)) << ez.GetErrorString();
    EXPECT_EQ(board.FlashBytes(0, image.size()), image);
    EXPECT_EQ(ez.VerifyFlash(file), Variant::I4(0)) << ez.GetErrorString();
    EXPECT_EQ(board.FramesRejected(), 0u);
    const std::vector<std::uint8_t> received = board.ReceivedBytes();
    EXPECT_GT(std::count(received.begin(), received.end(), 0xFF), 500);

    // The board reads back a changed byte as changed: 0xFF bytes really came back.
    board.FlipFlashByte(105);
    EXPECT_EQ(ez.VerifyFlash(file), Variant::Null());
    EXPECT_EQ(ez.GetErrorCode(), 105);
}

TEST_F(Ez2181Ser2netTest, ABaudChangeReachesThePseudoTerminal)
{
    Ez2181 ez;
    EXPECT_EQ(ez.Reset(0), Variant::I4(0)) << ez.GetErrorString();
    EXPECT_EQ(LineRate(), 38400u);
    EXPECT_EQ(ez.SetBaud(9600), Variant::I4(0));
    EXPECT_EQ(LineRate(), 9600u);
    EXPECT_EQ(ez.Reset(0), Variant::I4(0)) << ez.GetErrorString();
}

TEST_F(Ez2181Ser2netTest, ASecondOpenerOfTheNetworkPortIsBusy)
{
    auto holder = std::make_unique<Ez2181>();
    ASSERT_EQ(holder->Reset(0), Variant::I4(0)) << holder->GetErrorString();
    Rfc2217CommDevice second;
    EXPECT_FALSE(second.Open(ser2net.Address()));
    EXPECT_EQ(second.LastError(), "Device or resource busy");
    EXPECT_EQ(holder->Reset(0), Variant::I4(0)) << holder->GetErrorString();
}

TEST_F(Ez2181Ser2netTest, ServerGoneMidTransferIsALostLineAndTheNextCallWorks)
{
    const std::vector<std::uint8_t> image = ImageWithFfRuns(1000);
    const std::string file = MakeSRecordFile(folder, "image.bnm", {{0x0000, image}});
    Ez2181 ez;
    // The second frame is never answered, and the server goes while the PC waits.
    board.InjectFault({Ez2181FaultKind::Silence, 2});
    std::thread crash([&] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!board.Silent() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ser2net.Kill();
    });
    EXPECT_EQ(ez.ProgFlash(file), Variant::Null());
    crash.join();
    EXPECT_EQ(ez.GetErrorCode(), 0);
    EXPECT_EQ(ez.GetErrorString(), "SerialPort Timeout Error");
    EXPECT_FALSE(ez.Link().IsOpen());

    board.ClearFaults();
    ASSERT_TRUE(ser2net.Start());
    EXPECT_EQ(ez.ProgFlash(file), Variant::I4(0)) << ez.GetErrorString();
    EXPECT_EQ(board.FlashBytes(0, image.size()), image);
}
