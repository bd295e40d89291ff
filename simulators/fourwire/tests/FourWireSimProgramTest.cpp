#include "simulators/ptyline/tests/SimProcess.h"

#include "platform/ParallelPort.h"
#include "platform/PortMap.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>

namespace {

std::string ReadUntilEnd(SimProcess& sim)
{
    std::string text;
    for (std::string line = sim.ReadLine(); !line.empty() || text.find("Socket conversation") == std::string::npos;
         line = sim.ReadLine()) {
        text += line + "\n";
        if (text.size() > 20000)
            break;
    }
    return text;
}

}  // namespace

TEST(FourWireSimProgramTest, ServesTheTargetAsLpt1UntilSigtermAndThenRemovesTheLink)
{
    SimProcess sim;
    const std::string socketPath = sim.configHome() + "/sim.sock";
    ASSERT_TRUE(sim.Spawn(FOURWIRE_SIM_PATH, {"--socket", socketPath, "--target-version", "0x0304"}));
    EXPECT_EQ(sim.ReadLine(), "Four-wire target on " + socketPath + ", linked as lpt1");
    EXPECT_EQ(std::filesystem::read_symlink(PortMap::LinkPath("lpt1")), socketPath);

    std::string error;
    std::unique_ptr<ParallelPort> port = ParallelPort::Open("LPT1", error);
    ASSERT_NE(port, nullptr) << error;
    std::uint8_t status = 0;
    ASSERT_TRUE(port->ReadStatus(status));
    EXPECT_EQ(status, 0x40);
    port.reset();

    EXPECT_EQ(sim.Stop(SIGTERM), 0);
    EXPECT_FALSE(std::filesystem::is_symlink(PortMap::LinkPath("lpt1")));
    EXPECT_FALSE(std::filesystem::exists(socketPath));
}

TEST(FourWireSimProgramTest, SigintEndsItToo)
{
    SimProcess sim;
    ASSERT_TRUE(sim.Spawn(FOURWIRE_SIM_PATH, {"--socket", sim.configHome() + "/int.sock", "--port", "LPT2"}));
    EXPECT_NE(sim.ReadLine().find("linked as LPT2"), std::string::npos);
    EXPECT_EQ(sim.Stop(SIGINT), 0);
    EXPECT_FALSE(std::filesystem::is_symlink(PortMap::LinkPath("lpt2")));
}

TEST(FourWireSimProgramTest, HelpExplainsHowTheServerReachesTheSimulator)
{
    SimProcess sim;
    ASSERT_TRUE(sim.Spawn(FOURWIRE_SIM_PATH, {"--help"}));
    const std::string text = ReadUntilEnd(sim);
    EXPECT_NE(text.find("$XDG_CONFIG_HOME/dosdevices/lpt1 -> the socket"), std::string::npos) << text;
    EXPECT_NE(text.find("Varnix.FourWire21xx"), std::string::npos);
    EXPECT_NE(text.find("SIGINT or\nSIGTERM"), std::string::npos);
    EXPECT_NE(text.find("varnix-call varnix.fourwire21xx PowerOn"), std::string::npos);
    EXPECT_NE(text.find("--answer-delay MS"), std::string::npos);
    EXPECT_NE(text.find("--hold-drop LINE:MS"), std::string::npos);
    EXPECT_EQ(sim.Stop(0), 0);
}

TEST(FourWireSimProgramTest, TheAnswerDelayReachesTheTarget)
{
    SimProcess sim;
    ASSERT_TRUE(sim.Spawn(FOURWIRE_SIM_PATH, {"--socket", sim.configHome() + "/slow.sock", "--answer-delay", "60000",
                                              "--hold-drop", "data:10"}));
    EXPECT_NE(sim.ReadLine().find("linked as lpt1"), std::string::npos);
    std::string error;
    std::unique_ptr<ParallelPort> port = ParallelPort::Open("LPT1", error);
    ASSERT_NE(port, nullptr) << error;

    // The attention is answered a minute late: the lines stay low meanwhile.
    std::uint8_t status = 0;
    ASSERT_TRUE(port->WriteData(0x03));
    ASSERT_TRUE(port->ReadStatus(status));
    EXPECT_EQ(status, 0x40);
    EXPECT_EQ(sim.Stop(SIGTERM), 0);
}

TEST(FourWireSimProgramTest, ABadOptionEndsWithStatus2AndLinksNothing)
{
    SimProcess sim;
    ASSERT_TRUE(sim.Spawn(FOURWIRE_SIM_PATH, {"--fault", "slow"}));
    EXPECT_EQ(sim.ReadLine(), "fourwire-sim: not a fault: slow");
    EXPECT_EQ(sim.Stop(0), 2);
    EXPECT_FALSE(std::filesystem::is_symlink(PortMap::LinkPath("lpt1")));
}
