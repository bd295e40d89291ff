#include "simulators/faderbox/FaderboxSimulator.h"

#include "platform/PortMap.h"
#include "simulators/ptyline/tests/SimProcess.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kPing{0xA5, 0x00, 0x80, 0x00};

class FaderboxSimulatorTest : public ::testing::Test {
protected:
    std::vector<ByteDevice::Output> Exchange(const Bytes& bytes)
    {
        console.Receive(bytes);
        return console.TakeOutput();
    }
    Bytes Reply(const Bytes& bytes)
    {
        std::vector<ByteDevice::Output> output = Exchange(bytes);
        if (output.size() != 1) {
            ADD_FAILURE() << output.size() << " replies";
            return {};
        }
        return output[0].bytes;
    }

    FaderboxSimulator console;
};

TEST_F(FaderboxSimulatorTest, PingReplyCarriesTheTwoValuesLeastSignificantByteFirst)
{
    console.SetPingValues(0x1234, 0x5678);
    EXPECT_EQ(Reply(kPing), (Bytes{0xA5, 0x00, 0x7F, 0x34, 0x12, 0x78, 0x56}));
    EXPECT_EQ(console.PingsReceived(), 1u);
    EXPECT_EQ(console.ReceivedBytes(), kPing);
}

TEST_F(FaderboxSimulatorTest, BytesBeforeTheStartAreSkippedAndSplitRequestsAssembled)
{
    console.Receive(Bytes{0x00, 0x13, 0xA5, 0x00});
    EXPECT_TRUE(console.TakeOutput().empty());
    EXPECT_EQ(Reply(Bytes{0x80, 0x00}).size(), 7u);
}

TEST_F(FaderboxSimulatorTest, OtherAddressesAndCommandsAreNotAnswered)
{
    EXPECT_TRUE(Exchange({0xA5, 0x01, 0x80, 0x00}).empty());
    EXPECT_TRUE(Exchange({0xA5, 0x00, 0x81, 0x00}).empty());
    EXPECT_TRUE(Exchange({0xA5, 0x00, 0x80, 0x01}).empty());
    EXPECT_EQ(console.PingsReceived(), 0u);
    FaderboxSimulator second(0x07);
    second.Receive(Bytes{0xA5, 0x07, 0x80, 0x00});
    std::vector<ByteDevice::Output> output = second.TakeOutput();
    ASSERT_EQ(output.size(), 1u);
    EXPECT_EQ(output[0].bytes[1], 0x07);
}

TEST_F(FaderboxSimulatorTest, FaultsSpoilTheReplyTheyAreMeantFor)
{
    console.InjectFault({FaderboxFaultKind::WrongFirstByte, 1, std::nullopt});
    console.InjectFault({FaderboxFaultKind::WrongThirdByte, 2, 0x11});
    console.InjectFault({FaderboxFaultKind::ShortReply, 3, 2});
    console.InjectFault({FaderboxFaultKind::Garbage, 4, std::nullopt});
    console.InjectFault({FaderboxFaultKind::Late, 5, std::nullopt});
    EXPECT_EQ(Reply(kPing)[0], 0x5A);
    EXPECT_EQ(Reply(kPing)[2], 0x11);
    EXPECT_EQ(Reply(kPing), (Bytes{0xA5, 0x00}));
    EXPECT_EQ(Reply(kPing), (Bytes{0xA5, 0x00, 0x7F, 0x02, 0x01, 0x04, 0x03, 0x33, 0x33, 0x33}));
    std::vector<ByteDevice::Output> late = Exchange(kPing);
    ASSERT_EQ(late.size(), 1u);
    EXPECT_TRUE(late[0].late);
    EXPECT_EQ(Reply(kPing), (Bytes{0xA5, 0x00, 0x7F, 0x02, 0x01, 0x04, 0x03}));
}

TEST_F(FaderboxSimulatorTest, SilenceForSomePingsOrForGood)
{
    console.InjectFault({FaderboxFaultKind::Silence, 1, 2});
    EXPECT_TRUE(Exchange(kPing).empty());
    EXPECT_TRUE(Exchange(kPing).empty());
    EXPECT_EQ(Reply(kPing).size(), 7u);
    console.InjectFault({FaderboxFaultKind::Silence, 1, std::nullopt});
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(Exchange(kPing).empty());
    console.ClearFaults();
    EXPECT_EQ(Reply(kPing).size(), 7u);
}

// The program, run as a shell runs it.

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
