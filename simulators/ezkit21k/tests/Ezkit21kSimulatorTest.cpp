#include "simulators/ezkit21k/Ezkit21kSimulator.h"

#include "platform/PortMap.h"
#include "simulators/ptyline/tests/SimProcess.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

namespace {

using Words = std::vector<std::uint32_t>;
using Bytes = std::vector<std::uint8_t>;

Bytes ToBytes(const Words& words)
{
    Bytes bytes;
    for (std::uint32_t w : words) {
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<std::uint8_t>(w >> shift));
    }
    return bytes;
}

Words ToWords(const Bytes& bytes)
{
    Words words;
    for (std::size_t i = 0; i + 3 < bytes.size(); i += 4)
        words.push_back(bytes[i] | bytes[i + 1] << 8 | bytes[i + 2] << 16 | static_cast<std::uint32_t>(bytes[i + 3]) << 24);
    return words;
}

class Ezkit21kSimulatorTest : public ::testing::Test {
protected:
    // Sends the words and returns every output piece as words.
    std::vector<ByteDevice::Output> Exchange(const Words& words)
    {
        board.Receive(ToBytes(words));
        return board.TakeOutput();
    }
    Words Reply(const Words& words)
    {
        std::vector<ByteDevice::Output> output = Exchange(words);
        if (output.size() != 1) {
            ADD_FAILURE() << output.size() << " replies";
            return {};
        }
        return ToWords(output[0].bytes);
    }
    Words Read(std::uint32_t address, std::uint32_t count) { return Reply({0, 0x01050004, address, count}); }
    Words Write(std::uint32_t address, const Words& data)
    {
        Words packet{0, 0x00050004 + static_cast<std::uint32_t>(data.size()), address,
                     static_cast<std::uint32_t>(data.size())};
        packet.insert(packet.end(), data.begin(), data.end());
        return Reply(packet);
    }
    void Mailbox(std::uint32_t parameter, std::uint32_t command)
    {
        EXPECT_EQ(Write(0xD14A, {parameter}), (Words{0, 0x80050002}));
        EXPECT_EQ(Write(0xD043, {command}), (Words{0, 0x80050002}));
    }

    Ezkit21kSimulator board;
};

TEST_F(Ezkit21kSimulatorTest, ReadReplyCarriesTheAddressCountAndWords)
{
    board.SetDataWord(0x100, 0x11111111);
    board.SetDataWord(0x102, 0xFFFFFFFF);
    EXPECT_EQ(Read(0x100, 3), (Words{0, 0x81050007, 0x100, 3, 0x11111111, 0, 0xFFFFFFFF}));
    EXPECT_EQ(board.ReceivedPackets(), (std::vector<Words>{{0, 0x01050004, 0x100, 3}}));
}

TEST_F(Ezkit21kSimulatorTest, WriteStoresTheWordsAndAnswersWithTwoWords)
{
    EXPECT_EQ(Write(0x8000, {5, 6, 7, 8, 9}), (Words{0, 0x80050002}));
    EXPECT_EQ(board.DataWord(0x8000), 5u);
    EXPECT_EQ(board.DataWord(0x8004), 9u);
    EXPECT_EQ(board.DataWord(0x8005), 0u);
}

TEST_F(Ezkit21kSimulatorTest, PacketsSplitAcrossReceiveCallsAreAssembled)
{
    const Bytes bytes = ToBytes({0, 0x01050004, 0x10, 1});
    for (std::uint8_t b : bytes) {
        EXPECT_TRUE(board.TakeOutput().empty());
        board.Receive(Bytes{b});
    }
    ASSERT_EQ(board.TakeOutput().size(), 1u);
}

TEST_F(Ezkit21kSimulatorTest, ResyncAfterAHalfPacket)
{
    // A write that promises more words than come, then the resynchronisation.
    board.Receive(ToBytes({0, 0x00050008, 0x200, 4, 1}));
    EXPECT_EQ(Reply({0xBADC0DB4, 0, 0x02080002}), (Words{0, 0x82080002}));
    EXPECT_TRUE(Exchange({0xBADC0DB4}).empty());
    EXPECT_EQ(board.SyncMarksSeen(), 2u);
    EXPECT_EQ(board.DataWord(0x200), 0u);
    EXPECT_EQ(Read(0x200, 1), (Words{0, 0x81050005, 0x200, 1, 0}));
}

TEST_F(Ezkit21kSimulatorTest, SyncMarkRealignsBytes)
{
    board.Receive(Bytes{0x77, 0x66, 0x55});
    EXPECT_EQ(Reply({0xBADC0DB4, 0, 0x02080002}), (Words{0, 0x82080002}));
}

TEST_F(Ezkit21kSimulatorTest, PacketsItCannotCarryOutAreNotAnswered)
{
    EXPECT_TRUE(Exchange({0, 0x01050005, 0x100, 1, 0}).empty());     // read with a wrong length
    EXPECT_TRUE(Exchange({0, 0x00050006, 0x100, 1, 7, 8}).empty());  // count does not fit
    EXPECT_TRUE(Exchange({0, 0x07770003, 1}).empty());               // unknown type
    EXPECT_EQ(board.DataWord(0x100), 0u);
    EXPECT_EQ(Read(0x100, 0), (Words{0, 0x81050004, 0x100, 0}));
}

TEST_F(Ezkit21kSimulatorTest, HugeReadCountIsAnsweredWithCountZero)
{
    EXPECT_EQ(Read(0, 0x10000000), (Words{0, 0x81050004, 0, 0}));
}

TEST_F(Ezkit21kSimulatorTest, MailboxReadsFlashIntoTheBuffer)
{
    board.SetFlashByte(0x1234, 0xAB);
    Mailbox(0x1234, 1);
    const Words reply = Read(0xD049, 2);
    EXPECT_EQ(reply, (Words{0, 0x81050006, 0xD049, 2, 0xAB, 0xFF}));
    EXPECT_EQ(board.DataWord(0xD043), 0u);
    EXPECT_EQ(board.MailboxLog(), (std::vector<Ezkit21kSimulator::MailboxCommand>{{1, 0x1234}}));
}

TEST_F(Ezkit21kSimulatorTest, MailboxProgramsTheWordsWrittenSinceTheLastCommand)
{
    Write(0xD049, {1, 2, 3});
    Mailbox(0x300, 3);
    EXPECT_EQ(board.FlashBytes(0x2FF, 5), (Bytes{0xFF, 1, 2, 3, 0xFF}));
    // A second program command without new buffer words programs nothing.
    Mailbox(0x400, 3);
    EXPECT_EQ(board.FlashByte(0x400), 0xFF);
    // The parameter stays until it is written again.
    Write(0xD049, {9});
    Write(0xD043, {3});
    EXPECT_EQ(board.FlashBytes(0x400, 2), (Bytes{9, 0xFF}));
}

TEST_F(Ezkit21kSimulatorTest, LockoutBitsAndStatusBytes)
{
    Mailbox(1, 4);
    EXPECT_EQ(board.LockoutBits(), 1u);
    Mailbox(1, 5);
    EXPECT_TRUE(board.ReadingLockoutStatus());
    Mailbox(2, 1);
    EXPECT_EQ(Read(0xD049, 1).back(), 0xFFu);
    Mailbox(0xFFFFF2, 1);
    EXPECT_EQ(Read(0xD049, 1).back(), 0xFEu);
    board.SetLockoutStatusByte(1, 0x00);
    Mailbox(0xFFFFF2, 1);
    EXPECT_EQ(Read(0xD049, 1).back(), 0x00u);
    Mailbox(0, 5);
    EXPECT_FALSE(board.ReadingLockoutStatus());
    board.SetFlashByte(2, 0x42);
    Mailbox(2, 1);
    EXPECT_EQ(Read(0xD049, 1).back(), 0x42u);
    // Lockout bits are only ever set.
    Mailbox(2, 4);
    EXPECT_EQ(board.LockoutBits(), 3u);
}

TEST_F(Ezkit21kSimulatorTest, SilenceForSomeRequestsOrForGood)
{
    board.InjectFault({Ezkit21kFaultKind::Silence, 1, 2});
    EXPECT_TRUE(Exchange({0, 0x01050004, 0, 1}).empty());
    EXPECT_TRUE(Exchange({0, 0x00050005, 0x10, 1, 4}).empty());
    EXPECT_EQ(board.DataWord(0x10), 0u);  // a silent monitor carries out nothing
    EXPECT_EQ(Read(0x10, 1).size(), 5u);
    board.InjectFault({Ezkit21kFaultKind::Silence, 2, std::nullopt});
    EXPECT_EQ(Read(0x10, 1).size(), 5u);
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(Exchange({0, 0x01050004, 0, 1}).empty());
    board.ClearFaults();
    EXPECT_EQ(Read(0x10, 1).size(), 5u);
}

TEST_F(Ezkit21kSimulatorTest, WrongDescriptorAndWrongCount)
{
    board.InjectFault({Ezkit21kFaultKind::WrongDescriptor, 1, std::nullopt});
    EXPECT_EQ(Read(0x10, 1), (Words{0, 0x01050005, 0x10, 1, 0}));
    board.InjectFault({Ezkit21kFaultKind::WrongDescriptor, 1, 0x12345678});
    EXPECT_EQ(Write(0x10, {1}), (Words{0, 0x12345678}));
    board.InjectFault({Ezkit21kFaultKind::WrongCount, 1, std::nullopt});
    EXPECT_EQ(Read(0x10, 2), (Words{0, 0x81050006, 0x10, 3, 1, 0}));
    board.InjectFault({Ezkit21kFaultKind::WrongCount, 1, std::nullopt});
    EXPECT_EQ(Write(0x10, {1}), (Words{0, 0x80050003}));
}

TEST_F(Ezkit21kSimulatorTest, GarbageAndLateReplies)
{
    board.InjectFault({Ezkit21kFaultKind::Garbage, 1, 2});
    board.InjectFault({Ezkit21kFaultKind::Late, 2, std::nullopt});
    std::vector<ByteDevice::Output> first = Exchange({0, 0x02080002});
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].bytes, (Bytes{0, 0, 0, 0, 2, 0, 8, 0x82, 0x5A, 0x5A}));
    EXPECT_FALSE(first[0].late);
    std::vector<ByteDevice::Output> second = Exchange({0, 0x02080002});
    ASSERT_EQ(second.size(), 1u);
    EXPECT_TRUE(second[0].late);
    EXPECT_EQ(ToWords(second[0].bytes), (Words{0, 0x82080002}));
}

TEST_F(Ezkit21kSimulatorTest, RecordingCanBeTurnedOff)
{
    board.SetRecording(false);
    Read(0, 1);
    Mailbox(0, 1);
    EXPECT_TRUE(board.ReceivedPackets().empty());
    EXPECT_TRUE(board.ReceivedBytes().empty());
    EXPECT_TRUE(board.MailboxLog().empty());
}

// The program, run as a shell runs it.

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
