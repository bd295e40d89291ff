#include "simulators/ez2181/Ez2181Simulator.h"
#include "simulators/ez2181/tests/Ez2181TestFrames.h"
#include "simulators/ez2181/tests/ReadWithPatience.h"
#include "simulators/ptyline/PtyLineServer.h"

#include "platform/PtyPair.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace ez2181test;

namespace {

// Long enough for a loaded, sanitized build; only reached when a reply is missing.
constexpr int kPatienceMs = 5000;

// Waits for the serving thread to get somewhere; bounded so that a fault cannot hang the test.
template <typename Condition>
void WaitUntil(Condition done)
{
    for (int i = 0; i < kPatienceMs && !done(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// The PC's end of the line: the slave side of the pseudo-terminal.
class PcEnd {
public:
    explicit PcEnd(const std::string& path) : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC)) {}
    ~PcEnd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool ok() const { return fd_ >= 0; }

    void SetRate(speed_t speed)
    {
        termios t{};
        ASSERT_EQ(::tcgetattr(fd_, &t), 0);
        ::cfsetspeed(&t, speed);
        ASSERT_EQ(::tcsetattr(fd_, TCSANOW, &t), 0);
    }

    void Write(const Bytes& bytes)
    {
        ASSERT_EQ(::write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    Bytes Read(std::size_t count, int patienceMs = kPatienceMs) { return ReadWithPatience(fd_, count, patienceMs); }

    Bytes Exchange(const Bytes& request, std::size_t replySize, int patienceMs = kPatienceMs)
    {
        Write(request);
        return Read(replySize, patienceMs);
    }

private:
    int fd_;
};

class Ez2181OnPtyLineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pty.ok());
        ASSERT_TRUE(pc.ok());
    }

    PtyPair pty;
    PcEnd pc{pty.slavePath()};
    Ez2181Simulator board;
};

}  // namespace

TEST_F(Ez2181OnPtyLineTest, ServesResetThroughThePseudoTerminal)
{
    PtyLineServer server(board, pty.masterFd());
    ASSERT_TRUE(server.Start());
    EXPECT_EQ(pc.Exchange({0xFA, 0xFF, 0x03, 0x04, 0x08, 0xF5}, 6), (Bytes{0xFA, 0x00, 0x03, 0xFE, 0x12, 0xF0}));
    server.Stop();
    EXPECT_EQ(board.ResetCount(), 1u);
    EXPECT_EQ(server.BytesReceived(), 6u);
    EXPECT_EQ(server.BytesSent(), 6u);
}

TEST_F(Ez2181OnPtyLineTest, ReadsDataMemoryByteForByte)
{
    board.SetDataWord(0x10, 0xCAFE);
    PtyLineServer server(board, pty.masterFd());
    ASSERT_TRUE(server.Start());
    // The request dribbles in one byte at a time, as the PC's driver sends it.
    for (std::uint8_t b : Bytes{0xFA, 0xFF, 0x08, 0x02, 0x00, 0x00, 0x40, 0x10, 0x04, 0xAA, 0xFB})
        pc.Write({b});
    EXPECT_EQ(pc.Read(22), Reply({0, 0, 0xCA, 0xFE, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(Ez2181OnPtyLineTest, PowerUpFromAnotherThreadReachesTheLine)
{
    PtyLineServer server(board, pty.masterFd());
    ASSERT_TRUE(server.Start());
    board.PowerUp();
    EXPECT_EQ(pc.Read(6), (Bytes{0xFA, 0x00, 0x03, 0x07, 0x02, 0xF8}));
    pc.Write(Request(0xFE));
    // The acknowledgement gets no answer; the reset after it does, and comes next.
    EXPECT_EQ(pc.Exchange(Request(0x04), 6), Reply());
    EXPECT_TRUE(board.PowerOnAcknowledged());
}

TEST_F(Ez2181OnPtyLineTest, PacedLineCarriesAFlashPageIntact)
{
    Bytes page(256);
    for (std::size_t i = 0; i < page.size(); ++i)
        page[i] = static_cast<std::uint8_t>(255 - i);
    PtyLineServer server(board, pty.masterFd(), 38400);
    ASSERT_TRUE(server.Start());
    Bytes load1 = AddressCount(0, 185);
    load1.insert(load1.end(), page.begin(), page.begin() + 185);
    Bytes load2 = AddressCount(185, 71);
    load2.insert(load2.end(), page.begin() + 185, page.end());
    EXPECT_EQ(pc.Exchange(Request(0x09, load1), 6), Reply());
    EXPECT_EQ(pc.Exchange(Request(0x09, load2), 6), Reply());
    EXPECT_EQ(pc.Exchange(Request(0x0A, {0x00, 0x01, 0x00, 0x00}), 6), Reply());
    EXPECT_EQ(board.FlashBytes(0x10000, 256), page);

    const Bytes first = pc.Exchange(Request(0x08, AddressCount(0x10000, 190)), 190 + 6);
    EXPECT_EQ(first, Reply(Bytes(page.begin(), page.begin() + 190)));
    EXPECT_EQ(server.Baud(), 38400u);
}

TEST_F(Ez2181OnPtyLineTest, BoardHearsNothingFromAPcAtAnotherRate)
{
    PtyLineServer server(board, pty.masterFd(), 38400);
    server.SetRequireMatchingRate(true);
    ASSERT_TRUE(server.Start());
    pc.SetRate(B115200);
    pc.Write(Request(0x04));
    WaitUntil([&] { return server.BytesGarbled() >= 6; });
    EXPECT_EQ(server.BytesGarbled(), 6u);
    EXPECT_EQ(board.FramesReceived(), 0u);

    // What the board sends at its rate is lost as well.
    board.SendPowerOnFrame();
    WaitUntil([&] { return server.BytesGarbled() >= 12; });
    EXPECT_EQ(server.BytesGarbled(), 12u);
    EXPECT_TRUE(pc.Read(6, 0).empty());

    pc.SetRate(B38400);
    EXPECT_EQ(pc.Exchange(Request(0x04), 6), Reply());
    EXPECT_EQ(server.BytesGarbled(), 12u);
}

TEST_F(Ez2181OnPtyLineTest, RateIsNotCheckedUnlessAsked)
{
    PtyLineServer server(board, pty.masterFd(), 38400);
    ASSERT_TRUE(server.Start());
    pc.SetRate(B9600);
    EXPECT_EQ(pc.Exchange(Request(0x04), 6), Reply());
    EXPECT_EQ(server.BytesGarbled(), 0u);
}

TEST_F(Ez2181OnPtyLineTest, HalfAFrameIsGivenUpWhenTheLineGoesQuiet)
{
    PtyLineServer server(board, pty.masterFd());
    board.SetFrameTimeout(std::chrono::milliseconds(20));
    ASSERT_TRUE(server.Start());
    pc.Write({0xFA, 0xFF, 0x03, 0x04});
    WaitUntil([&] { return board.FramesRejected() != 0; });
    EXPECT_EQ(board.FramesRejected(), 1u);
    EXPECT_FALSE(board.InFrame());
    EXPECT_EQ(pc.Exchange(Request(0x04), 6), Reply());
}

TEST_F(Ez2181OnPtyLineTest, FaultsShowOnTheLine)
{
    PtyLineServer server(board, pty.masterFd());
    ASSERT_TRUE(server.Start());
    board.InjectFault({Ez2181FaultKind::DroppedByte});
    EXPECT_EQ(pc.Exchange(Request(0x04), 5), (Bytes{0xFA, 0x00, 0x03, 0xFE, 0x12}));
    board.InjectFault({Ez2181FaultKind::Silence});
    EXPECT_TRUE(pc.Exchange(Request(0x04), 6, 200).empty());
    board.ClearFaults();
    EXPECT_EQ(pc.Exchange(Request(0x04), 6), Reply());
}

TEST_F(Ez2181OnPtyLineTest, StopsAndStartsAgainAndLeavesTheDescriptorAsItWas)
{
    const int flags = ::fcntl(pty.masterFd(), F_GETFL);
    PtyLineServer server(board, pty.masterFd());
    ASSERT_TRUE(server.Start());
    EXPECT_TRUE(server.Running());
    EXPECT_FALSE(server.Start());
    server.Stop();
    EXPECT_FALSE(server.Running());
    EXPECT_EQ(::fcntl(pty.masterFd(), F_GETFL), flags);

    // Stopped, the board hears nothing; what the PC sends waits on the line.
    pc.Write(Request(0x04));
    EXPECT_EQ(board.FramesReceived(), 0u);

    // Started again, it takes up what waited on the line.
    ASSERT_TRUE(server.Start());
    EXPECT_EQ(pc.Read(6), Reply());
}

TEST(Ez2181OnPtyLineWithoutPeer, WaitsForThePcToOpenTheLine)
{
    // A pseudo-terminal whose slave side nobody holds: once the PC has closed it,
    // the master reports a hang-up until the PC opens it again, which must not end
    // the service.
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const std::string slavePath = ::ptsname(master);
    termios t{};
    ASSERT_EQ(::tcgetattr(master, &t), 0);
    ::cfmakeraw(&t);
    ASSERT_EQ(::tcsetattr(master, TCSANOW, &t), 0);
    Ez2181Simulator board;
    PtyLineServer server(board, master);
    ASSERT_TRUE(server.Start());
    for (int round = 0; round < 2; ++round) {
        {
            PcEnd pc(slavePath);
            ASSERT_TRUE(pc.ok());
            EXPECT_EQ(pc.Exchange(Request(0x04), 6), Reply()) << round;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the server meets the hang-up
    }
    EXPECT_FALSE(server.LineLost());
    server.Stop();
    ::close(master);
}

TEST_F(Ez2181OnPtyLineTest, RefusesALineThatIsNotThere)
{
    PtyLineServer server(board, -1);
    EXPECT_FALSE(server.Start());
    EXPECT_FALSE(server.Running());
}
