#include "simulators/ptyline/tests/SimProcess.h"

#include "platform/PortMap.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kReadRequest{0, 0, 0, 0, 0x04, 0, 0x05, 0x01, 0x00, 0x01, 0, 0, 0x02, 0, 0, 0};
const Bytes kReadReply{0, 0, 0, 0, 0x06, 0, 0x05, 0x81, 0x00, 0x01, 0, 0, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
constexpr std::chrono::milliseconds kQuiet{10000};

TEST(Ezkit21kSimProgramTest, ServesTheBoardOnTheLinkedPortWithFaults)
{
    SimProcess sim;
    ASSERT_TRUE(sim.Spawn(EZKIT21K_SIM_PATH, {"--port", "com3", "--fault", "count@2=7"}));
    const std::string banner = sim.ReadLine();
    EXPECT_EQ(banner.rfind("EZ-KIT 21k board on /dev/pts/", 0), 0u) << banner;
    EXPECT_NE(banner.find(", linked as com3"), std::string::npos) << banner;
    ASSERT_TRUE(sim.OpenPort("com3"));

    ASSERT_TRUE(sim.Send(kReadRequest));
    EXPECT_EQ(sim.Receive(kReadReply.size(), kQuiet), kReadReply);
    ASSERT_TRUE(sim.Send(kReadRequest));
    Bytes faulty = kReadReply;
    faulty[12] = 7;
    EXPECT_EQ(sim.Receive(kReadReply.size(), kQuiet), faulty);

    EXPECT_EQ(sim.Stop(SIGTERM), 0);
    EXPECT_FALSE(std::filesystem::is_symlink(PortMap::LinkPath("com3")));
}

TEST(Ezkit21kSimProgramTest, LateReplyHoldsBackWhatFollows)
{
    // Ten minutes late: nothing the test waits for can come before then.
    SimProcess sim;
    ASSERT_TRUE(sim.Spawn(EZKIT21K_SIM_PATH, {"--fault", "late", "--late-ms", "600000"}));
    sim.ReadLine();
    ASSERT_TRUE(sim.OpenPort("com1"));
    ASSERT_TRUE(sim.Send(kReadRequest));
    ASSERT_TRUE(sim.Send(kReadRequest));
    EXPECT_TRUE(sim.Receive(1, std::chrono::milliseconds(300)).empty());
    EXPECT_EQ(sim.Stop(SIGINT), 0);
}

TEST(Ezkit21kSimProgramTest, BadOptionsAreRefused)
{
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--fault", "wobble"}, {"--lockout", "4"}, {"--speed", "1"}}) {
        SimProcess sim;
        ASSERT_TRUE(sim.Spawn(EZKIT21K_SIM_PATH, args));
        EXPECT_EQ(sim.ReadLine().rfind("ezkit21k-sim: ", 0), 0u);
        EXPECT_EQ(sim.Stop(0), 2);
    }
}

}  // namespace
