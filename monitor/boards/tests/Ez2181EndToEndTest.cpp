// The board class against the simulated board served on a pseudo-terminal that the port
// map links in as COM1, as the server meets a real board.

#include "monitor/boards/Ez2181.h"
#include "monitor/core/tests/SRecordFiles.h"

#include "platform/PortMap.h"
#include "platform/PtyPair.h"
#include "platform/tests/ScopedConfigHome.h"
#include "simulators/ez2181/Ez2181Simulator.h"
#include "simulators/ptyline/PtyLineServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>

namespace {

std::vector<std::int32_t> I4Values(const Variant& result)
{
    std::vector<std::int32_t> values;
    if (!result.IsArray()) {
        ADD_FAILURE() << "not an array: " << result;
        return values;
    }
    for (const Variant& element : result.array().elements())
        values.push_back(element.i4());
    return values;
}

Variant I4ArrayOf(const std::vector<std::int32_t>& values)
{
    SafeArray array = SafeArray::Vector(VT_I4, values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        array.set(i, Variant::I4(values[i]));
    return Variant::Array(std::move(array));
}

std::string Hex(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%06X", value);
    return text;
}

class Ez2181EndToEndTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pty.ok());
        ASSERT_TRUE(PortMap::Link("COM1", pty.slavePath()));
        ASSERT_TRUE(runner.Start());
    }
    void TearDown() override { runner.Stop(); }

    ScopedConfigHome home;
    PtyPair pty;
    Ez2181Simulator board;
    PtyLineServer runner{board, pty.masterFd()};
    TempFolder folder;
};

TEST_F(Ez2181EndToEndTest, LoadProgRunAndMemoryRoundTrips)
{
    std::string image = "\x1b\x1bi\n@PA\n0000\n";
    for (std::uint32_t i = 0; i < 250; ++i)
        image += Hex(0x100000 + i) + "\n";
    image += "#\n@DA\n0010\n0BEE\n0CAB\n#\n\x1b\x1bo\n";
    Ez2181 ez;
    ASSERT_EQ(ez.LoadProg(folder.Write("prog.exe", image)), Variant::I4(0)) << ez.GetErrorString();
    EXPECT_EQ(board.ProgramWord(0), 0u);
    EXPECT_EQ(board.ProgramWord(249), 0x100000u + 249);
    EXPECT_EQ(board.DataWord(0x10), 0x0BEE);
    EXPECT_EQ(board.DataWord(0x11), 0x0CAB);
    EXPECT_EQ(ez.Run(2), Variant::I4(0));
    EXPECT_EQ(board.LastRunOperand(), 0x100000u);

    std::vector<std::int32_t> program(90);
    for (std::size_t i = 0; i < program.size(); ++i)
        program[i] = static_cast<std::int32_t>(0xFF0000 - 3 * i);
    Variant programData = I4ArrayOf(program);
    EXPECT_EQ(ez.WritePM(0x1000, programData, 0, 0), Variant::I4(0));
    EXPECT_EQ(I4Values(ez.ReadPM(0x1000, 90, 0, 0)), program);

    const std::vector<std::int32_t> data{0x7FFF, 0x0001, 0x8000, 0x1234};
    Variant dataWords = I4ArrayOf(data);
    EXPECT_EQ(ez.WriteDM(0x3FFC, dataWords, 0, 0), Variant::I4(0));
    EXPECT_EQ(I4Values(ez.ReadDM(0x3FFC, 4, 0, 0)), data);
    EXPECT_EQ(board.DataWord(0x3FFF), 0x1234);

    std::vector<std::int32_t> io(41);
    for (std::size_t i = 0; i < io.size(); ++i)
        io[i] = static_cast<std::int32_t>(i * 11);
    Variant ioWords = I4ArrayOf(io);
    EXPECT_EQ(ez.WriteIO(0x100, ioWords), Variant::I4(0));
    EXPECT_EQ(I4Values(ez.ReadIO(0x100, 41)), io);
    EXPECT_EQ(board.FramesRejected(), 0u);
}

TEST_F(Ez2181EndToEndTest, ProgFlashVerifyFlashAndAChangedByte)
{
    const std::vector<std::uint8_t> first = PatternBytes(300, 1);
    const std::vector<std::uint8_t> second = PatternBytes(100, 2);
    const std::string file = MakeSRecordFile(folder, "image.bnm", {{0x0000, first}, {0x1010, second}});
    const std::string expected = SrecCatBinary(file, 0x1100);
    ASSERT_EQ(expected.size(), 0x1100u);

    Ez2181 ez;
    ASSERT_EQ(ez.ProgFlash(file), Variant::I4(0)) << ez.GetErrorString();
    const std::vector<std::uint8_t> flash = board.FlashBytes(0, 0x1100);
    EXPECT_EQ(std::string(flash.begin(), flash.end()), expected);
    EXPECT_EQ(board.FlashByte(0x1100), 0xFF);
    EXPECT_EQ(ez.VerifyFlash(file), Variant::I4(0)) << ez.GetErrorString();

    board.FlipFlashByte(0x1015);
    EXPECT_EQ(ez.VerifyFlash(file), Variant::Null());
    EXPECT_EQ(ez.GetErrorCode(), 0x1015);
    EXPECT_EQ(ez.GetErrorString(), "Verify Error at Addr");
}

TEST_F(Ez2181EndToEndTest, PowerOnSeesTheBoardComeUp)
{
    Ez2181 ez;
    std::thread powerUp([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        board.PowerUp();
    });
    const Variant result = ez.PowerOn();
    powerUp.join();
    EXPECT_EQ(result, Variant::I4(0)) << ez.GetErrorString();
    for (int i = 0; i < 2000 && !board.PowerOnAcknowledged(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(board.PowerOnAcknowledged());
}

TEST_F(Ez2181EndToEndTest, BoardThatStopsAnsweringGivesTheSerialTimeOut)
{
    Ez2181 ez;
    board.InjectFault({Ez2181FaultKind::DroppedByte, 2});
    EXPECT_EQ(ez.ReadPM(0, 100, 0, 0), Variant::Null());
    EXPECT_EQ(ez.GetErrorCode(), 0);
    EXPECT_EQ(ez.GetErrorString(), "SerialPort Timeout Error");
    EXPECT_EQ(ez.Reset(0), Variant::I4(0));
}

TEST_F(Ez2181EndToEndTest, PortIsHeldExclusivelyFromTheFirstCallUntilTheObjectIsDestroyed)
{
    auto holder = std::make_unique<Ez2181>();
    EXPECT_EQ(holder->Reset(0), Variant::I4(0));
    {
        Ez2181 second;
        EXPECT_FALSE(second.Link().IsOpen());
        EXPECT_EQ(second.Reset(0), Variant::Null());
        EXPECT_EQ(second.GetErrorString(), "Can't write to serial port (COM1 (" + PortMap::LinkPath("com1") + "): Device or resource busy)");
    }
    EXPECT_EQ(holder->Reset(0), Variant::I4(0));
    holder.reset();
    Ez2181 third;
    EXPECT_EQ(third.Reset(0), Variant::I4(0));
}

TEST(Ez2181WithoutPort, CreationSucceedsAndTheFirstTransferFails)
{
    ScopedConfigHome home;
    ASSERT_TRUE(PortMap::Link("COM1", home.path() + "/no-such-tty"));
    Ez2181 ez;
    EXPECT_FALSE(ez.Link().IsOpen());
    EXPECT_EQ(ez.SetBaud(9600), Variant::I4(0));
    EXPECT_EQ(ez.ReadDM(0, 1, 0, 0), Variant::Null());
    EXPECT_EQ(ez.GetErrorString(), "Can't write to serial port (COM1 (" + PortMap::LinkPath("com1") + "): No such file or directory)");
}

}  // namespace
