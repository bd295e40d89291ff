#include "monitor/boards/Ezkit21k.h"
#include "monitor/boards/Faderbox.h"
#include "monitor/core/tests/IntelHexFiles.h"
#include "platform/PortMap.h"
#include "platform/PtyPair.h"
#include "platform/tests/ScopedConfigHome.h"
#include "simulators/ezkit21k/Ezkit21kSimulator.h"
#include "simulators/faderbox/FaderboxSimulator.h"
#include "simulators/ptyline/PtyLineServer.h"

#include <gtest/gtest.h>

namespace {

// The boards as the server creates them, on COM1 of the port map, with the
// simulated device on a pseudo-terminal at the other end.
class Board21kPtyTest : public ::testing::Test {
protected:
    void Serve(ByteDevice& device)
    {
        ASSERT_TRUE(pty.ok());
        ASSERT_TRUE(PortMap::Link("com1", pty.slavePath()));
        server = std::make_unique<PtyLineServer>(device, pty.masterFd());
        ASSERT_TRUE(server->Start());
    }
    void TearDown() override
    {
        if (server)
            server->Stop();
    }

    ScopedConfigHome home;
    Ezkit21kSimulator sim;
    FaderboxSimulator console;
    PtyPair pty;
    std::unique_ptr<PtyLineServer> server;
};

TEST_F(Board21kPtyTest, Ezkit21kProgramsAndVerifiesAHexFileOverTheLine)
{
    Serve(sim);
    Ezkit21k board;
    TempFolder folder;
    const std::vector<std::uint8_t> bytes = PatternBytes(600, 9);
    const std::string hex = MakeIntelHexFile(folder, "p.hex", {{0x20100, bytes}});
    EXPECT_EQ(board.ProgFlash(hex, 0), Variant::I4(0));
    EXPECT_EQ(sim.FlashBytes(0x20100, bytes.size()), bytes);
    EXPECT_EQ(board.VerifyFlash(hex, 0), Variant::I4(0));
    sim.SetLockoutBits(2);
    EXPECT_EQ(board.GetLockout(), Variant::I4(2));
    EXPECT_EQ(board.ResyncComm(), Variant::I4(0));
}

TEST_F(Board21kPtyTest, FaderboxPingsAndTimesOutOnASilentConsole)
{
    console.SetPingValues(0xFFFF, 3);
    Serve(console);
    Faderbox box;
    Variant values = box.Ping();
    ASSERT_TRUE(values.IsArray());
    EXPECT_EQ(values.array().at(0), Variant::I4(65535));
    EXPECT_EQ(values.array().at(1), Variant::I4(3));
    console.InjectFault({FaderboxFaultKind::Silence, 1, std::nullopt});
    EXPECT_EQ(box.Ping(), Variant::Null());
    EXPECT_EQ(box.GetErrorString(), "SerialPort Timeout Error");
}

}  // namespace
