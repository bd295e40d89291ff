#include "simulators/ez2181/Ez2181Simulator.h"
#include "simulators/ez2181/tests/Ez2181TestFrames.h"
#include "simulators/ez2181/tests/ReadWithPatience.h"
#include "simulators/ptyline/PtyLinePort.h"

#include "platform/PortMap.h"
#include "platform/tests/ScopedConfigHome.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <unistd.h>

using namespace ez2181test;

namespace {

class Ez2181PtyLinePortTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (pc_ >= 0)
            ::close(pc_);
    }

    int OpenPc()
    {
        pc_ = ::open(PortMap::DevicePath("COM5").c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        return pc_;
    }

    std::filesystem::path LinkTarget() const
    {
        std::error_code error;
        return std::filesystem::read_symlink(PortMap::LinkPath("com5"), error);
    }

    ScopedConfigHome configHome_;
    int pc_ = -1;
};

}  // namespace

TEST_F(Ez2181PtyLinePortTest, ServesTheBoardUnderThePortName)
{
    Ez2181Simulator board;
    PtyLinePort port(board);
    ASSERT_TRUE(port.Start("com5"));
    EXPECT_EQ(LinkTarget(), port.SlavePath());
    ASSERT_GE(OpenPc(), 0);
    const Bytes reset = Request(0x04);
    ASSERT_EQ(::write(pc_, reset.data(), reset.size()), 6);
    EXPECT_EQ(ReadWithPatience(pc_, 6, 5000), Reply());
    EXPECT_EQ(board.ResetCount(), 1u);
    EXPECT_FALSE(port.Start("com5"));

    port.Stop();
    EXPECT_TRUE(LinkTarget().empty());
}

TEST_F(Ez2181PtyLinePortTest, ALiveLinkIsNotTakenOverAndStopLeavesALinkItDidNotMake)
{
    Ez2181Simulator board;
    PtyLinePort first(board);
    PtyLinePort second(board);
    ASSERT_TRUE(first.Start("com5"));
    EXPECT_FALSE(second.Start("com5"));
    EXPECT_NE(second.StartError().find("com5 is already linked to " + first.SlavePath()), std::string::npos)
        << second.StartError();
    EXPECT_EQ(LinkTarget(), first.SlavePath());

    // Relinked by hand meanwhile: the first board's end leaves the new link.
    ASSERT_TRUE(PortMap::Link("com5", second.SlavePath()));
    first.Stop();
    EXPECT_EQ(LinkTarget(), second.SlavePath());
}

TEST_F(Ez2181PtyLinePortTest, VanishedLineHangsUpOnThePc)
{
    Ez2181Simulator board;
    PtyLinePort port(board, 38400);
    ASSERT_TRUE(port.Start("com5"));
    EXPECT_EQ(port.Server().Baud(), 38400u);
    ASSERT_GE(OpenPc(), 0);
    port.VanishLine();
    pollfd p{pc_, POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 5000), 1);
    EXPECT_NE(p.revents & POLLHUP, 0);
    std::uint8_t byte = 0;
    EXPECT_LE(::read(pc_, &byte, 1), 0);
    EXPECT_FALSE(port.Start("com5"));
}
