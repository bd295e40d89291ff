#include "simulators/ptyline/tests/SimProcess.h"

#include "platform/PortMap.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kPing{0xA5, 0x00, 0x80, 0x00};
constexpr std::chrono::milliseconds kQuiet{10000};

TEST(FaderboxSimProgramTest, AnswersPingsWithItsValuesAndFaults)
{
    SimProcess sim;
    ASSERT_TRUE(sim.Spawn(FADERBOX_SIM_PATH, {"--values", "0xFFFF,7", "--fault", "first@2=0x00"}));
    const std::string banner = sim.ReadLine();
    EXPECT_EQ(banner.rfind("Mixing console on /dev/pts/", 0), 0u) << banner;
    ASSERT_TRUE(sim.OpenPort("com1"));
    ASSERT_TRUE(sim.Send(kPing));
    EXPECT_EQ(sim.Receive(7, kQuiet), (Bytes{0xA5, 0x00, 0x7F, 0xFF, 0xFF, 0x07, 0x00}));
    ASSERT_TRUE(sim.Send(kPing));
    EXPECT_EQ(sim.Receive(7, kQuiet), (Bytes{0x00, 0x00, 0x7F, 0xFF, 0xFF, 0x07, 0x00}));
    EXPECT_EQ(sim.Stop(SIGTERM), 0);
    EXPECT_FALSE(std::filesystem::is_symlink(PortMap::LinkPath("com1")));
}

TEST(FaderboxSimProgramTest, BadOptionsAreRefused)
{
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--values", "1"}, {"--values", "1,70000"}, {"--fault", "loud"}}) {
        SimProcess sim;
        ASSERT_TRUE(sim.Spawn(FADERBOX_SIM_PATH, args));
        EXPECT_EQ(sim.ReadLine().rfind("faderbox-sim: ", 0), 0u);
        EXPECT_EQ(sim.Stop(0), 2);
    }
}

}  // namespace
