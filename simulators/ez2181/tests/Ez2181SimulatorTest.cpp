#include "simulators/ez2181/Ez2181Simulator.h"
#include "simulators/ez2181/tests/Ez2181TestFrames.h"

#include <gtest/gtest.h>

using namespace ez2181test;

namespace {

// Everything the board has put out so far, as the line carries it.
Bytes TakeBytes(Ez2181Simulator& board)
{
    Bytes bytes;
    for (const ByteDevice::Output& piece : board.TakeOutput()) {
        EXPECT_FALSE(piece.late);
        bytes.insert(bytes.end(), piece.bytes.begin(), piece.bytes.end());
    }
    return bytes;
}

class Ez2181SimulatorTest : public ::testing::Test {
protected:
    Bytes Send(const Bytes& bytes)
    {
        board.Receive(bytes);
        return TakeBytes(board);
    }

    Ez2181Simulator board;
};

Bytes Words(std::initializer_list<std::uint32_t> words)
{
    Bytes b;
    for (std::uint32_t w : words)
        Put32(b, w);
    return b;
}

const Bytes kRefused = Reply({}, 0x15);

}  // namespace

// ---------------------------------------------------------------- the frames of the tables

TEST_F(Ez2181SimulatorTest, ResetFrameIsAcceptedAndAnsweredWithStatusFE)
{
    EXPECT_EQ(Send({0xFA, 0xFF, 0x03, 0x04, 0x08, 0xF5}), (Bytes{0xFA, 0x00, 0x03, 0xFE, 0x12, 0xF0}));
    EXPECT_EQ(board.ResetCount(), 1u);
    ASSERT_EQ(board.ReceivedFrames().size(), 1u);
    EXPECT_EQ(board.ReceivedFrames()[0], (Ez2181Frame{0xFF, 0x04, {}}));
    EXPECT_EQ(board.FramesReceived(), 1u);
    EXPECT_EQ(board.FramesSent(), 1u);
}

TEST_F(Ez2181SimulatorTest, ReadDataMemoryOfFourWordsAt0x10)
{
    board.SetDataWord(0x10, 0x1234);
    board.SetDataWord(0x11, 0xABCD);
    board.SetDataWord(0x12, 0x0001);
    board.SetDataWord(0x13, 0xFFFF);
    board.SetProgramWord(0x10, 0x777777);  // same word address in the other space

    const Bytes reply = Send({0xFA, 0xFF, 0x08, 0x02, 0x00, 0x00, 0x40, 0x10, 0x04, 0xAA, 0xFB});

    const Bytes expected{0xFA, 0x00, 0x13, 0xFE, 0x00, 0x00, 0x12, 0x34, 0x00, 0x00, 0xAB, 0xCD,
                         0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0xFF, 0xFF};
    ASSERT_EQ(reply.size(), expected.size() + 2);
    EXPECT_EQ(Bytes(reply.begin(), reply.end() - 2), expected);
    EXPECT_TRUE(Checks(reply));
    EXPECT_EQ(reply, Reply(Bytes(expected.begin() + 4, expected.end())));
}

TEST_F(Ez2181SimulatorTest, RunTakesItsOperandAndAnswers)
{
    EXPECT_EQ(Send({0xFA, 0xFF, 0x07, 0x03, 0x00, 0x00, 0x00, 0x00, 0xE9, 0x11}), Reply());
    EXPECT_EQ(board.RunCount(), 1u);
    EXPECT_EQ(board.LastRunOperand(), 0u);

    EXPECT_EQ(Send(Request(0x03, {0xFF, 0xFF, 0xFF, 0xFF})), Reply());
    EXPECT_EQ(board.LastRunOperand(), 0xFFFFFFFFu);
}

TEST_F(Ez2181SimulatorTest, PowerUpSendsThePowerOnFrameAndTheAcknowledgementGetsNoReply)
{
    EXPECT_FALSE(board.HasOutput());
    board.PowerUp();
    EXPECT_EQ(TakeBytes(board), (Bytes{0xFA, 0x00, 0x03, 0x07, 0x02, 0xF8}));
    EXPECT_FALSE(board.PowerOnAcknowledged());

    const Bytes ack = Request(0xFE);
    EXPECT_EQ(ack, (Bytes{0xFA, 0xFF, 0x03, 0xFE, 0x12, 0xF0}));
    EXPECT_TRUE(Send(ack).empty());
    EXPECT_TRUE(board.PowerOnAcknowledged());
    EXPECT_EQ(board.FramesReceived(), 1u);

    // The next request is answered as usual.
    EXPECT_EQ(Send(Request(0x04)), Reply());
}

TEST_F(Ez2181SimulatorTest, PowerUpLosesTheMemoriesAndKeepsFlash)
{
    board.SetProgramWord(1, 0x123456);
    board.SetDataWord(2, 0x1234);
    board.SetIoWord(3, 0x4321);
    board.SetFlashByte(4, 0x5A);
    Send(Request(0x09, Concat(AddressCount(0, 1), {0x11})));

    board.PowerUp();

    EXPECT_EQ(board.ProgramWord(1), 0u);
    EXPECT_EQ(board.DataWord(2), 0u);
    EXPECT_EQ(board.IoWord(3), 0u);
    EXPECT_EQ(board.FlashByte(4), 0x5A);
    EXPECT_EQ(board.LoadedLength(), 0u);
    EXPECT_EQ(board.LoadBufferByte(0), 0xFF);
}

TEST_F(Ez2181SimulatorTest, PowerUpDropsAHalfReceivedFrameAndUnsentOutput)
{
    board.SendRaw(Bytes{0x01, 0x02});
    board.Receive(Bytes{0xFA, 0xFF, 0x03});
    board.PowerUp();
    EXPECT_FALSE(board.InFrame());
    EXPECT_EQ(TakeBytes(board), (Bytes{0xFA, 0x00, 0x03, 0x07, 0x02, 0xF8}));
}

TEST_F(Ez2181SimulatorTest, SendPowerOnFrameKeepsTheBoardState)
{
    board.SetDataWord(2, 0x1234);
    Send(Request(0xFE));
    board.SendPowerOnFrame();
    EXPECT_EQ(TakeBytes(board), (Bytes{0xFA, 0x00, 0x03, 0x07, 0x02, 0xF8}));
    EXPECT_EQ(board.DataWord(2), 0x1234);
    EXPECT_TRUE(board.PowerOnAcknowledged());
}

// ---------------------------------------------------------------- memories

TEST_F(Ez2181SimulatorTest, ProgramMemoryKeeps24BitWords)
{
    EXPECT_EQ(Send(Request(0x01, Concat(AddressCount(0x0005, 2), Words({0x12345678, 0x00ABCDEF})))), Reply());
    EXPECT_EQ(board.ProgramWord(5), 0x345678u);
    EXPECT_EQ(board.ProgramWord(6), 0xABCDEFu);
    EXPECT_EQ(board.DataWord(5), 0u);

    EXPECT_EQ(Send(Request(0x02, AddressCount(0x0005, 2))), Reply(Words({0x345678, 0xABCDEF})));
}

TEST_F(Ez2181SimulatorTest, DataMemoryIsReachedAtLineAddress0x4000AndKeeps16Bits)
{
    EXPECT_EQ(Send(Request(0x01, Concat(AddressCount(0x4010, 1), Words({0x0001BEEF})))), Reply());
    EXPECT_EQ(board.DataWord(0x10), 0xBEEF);
    EXPECT_EQ(board.ProgramWord(0x10), 0u);
    EXPECT_EQ(Send(Request(0x02, AddressCount(0x4010, 1))), Reply(Words({0xBEEF})));
}

TEST_F(Ez2181SimulatorTest, BlockCrossingFromProgramIntoDataMemoryFollowsTheLineAddresses)
{
    board.SetProgramWord(0x3FFF, 0x111111);
    board.SetDataWord(0, 0x2222);
    EXPECT_EQ(Send(Request(0x02, AddressCount(0x3FFF, 2))), Reply(Words({0x111111, 0x2222})));
}

TEST_F(Ez2181SimulatorTest, IoMemoryHasItsOwnCommands)
{
    EXPECT_EQ(Send(Request(0x0C, Concat(AddressCount(5, 2), Words({0xFFFF1234, 0x00000042})))), Reply());
    EXPECT_EQ(board.IoWord(5), 0x1234);
    EXPECT_EQ(board.IoWord(6), 0x0042);
    EXPECT_EQ(board.ProgramWord(5), 0u);
    EXPECT_EQ(Send(Request(0x0B, AddressCount(5, 2))), Reply(Words({0x1234, 0x0042})));
}

TEST_F(Ez2181SimulatorTest, FortyWordsAreTheMostPerFrame)
{
    Bytes words;
    for (std::uint32_t i = 0; i < 41; ++i)
        Put32(words, i);
    EXPECT_EQ(Send(Request(0x01, Concat(AddressCount(0, 41), words))), kRefused);
    EXPECT_EQ(board.ProgramWord(0), 0u);
    words.resize(40 * 4);
    EXPECT_EQ(Send(Request(0x01, Concat(AddressCount(100, 40), words))), Reply());
    EXPECT_EQ(board.ProgramWord(139), 39u);

    EXPECT_EQ(Send(Request(0x02, AddressCount(100, 41))), kRefused);
    const Bytes reply = Send(Request(0x02, AddressCount(100, 40)));
    EXPECT_EQ(reply, Reply(words));
    EXPECT_EQ(reply[2], 163);  // 160 payload bytes + 3
}

TEST_F(Ez2181SimulatorTest, CountZeroAndPayloadsThatDoNotFitAreRefused)
{
    EXPECT_EQ(Send(Request(0x02, AddressCount(0, 0))), kRefused);
    EXPECT_EQ(Send(Request(0x02, {0x00, 0x00, 0x00, 0x01})), kRefused);
    // Two words announced, one sent.
    EXPECT_EQ(Send(Request(0x01, Concat(AddressCount(0, 2), Words({7})))), kRefused);
    EXPECT_EQ(board.ProgramWord(0), 0u);
    EXPECT_EQ(Send(Request(0x04, {0x00})), kRefused);
    EXPECT_EQ(Send(Request(0x03, {0x00, 0x00})), kRefused);
    EXPECT_EQ(board.ResetCount(), 0u);
    EXPECT_EQ(board.RunCount(), 0u);
}

TEST_F(Ez2181SimulatorTest, UnknownCommandIsRefused)
{
    EXPECT_EQ(Send(Request(0x05)), kRefused);
    EXPECT_EQ(board.FramesReceived(), 1u);
}

// ---------------------------------------------------------------- framing

TEST_F(Ez2181SimulatorTest, FrameWithABadCheckByteIsDroppedAndTheNextOneServed)
{
    EXPECT_TRUE(Send({0xFA, 0xFF, 0x03, 0x04, 0x08, 0xF4}).empty());
    EXPECT_EQ(board.FramesRejected(), 1u);
    EXPECT_EQ(board.FramesReceived(), 0u);
    EXPECT_EQ(board.ResetCount(), 0u);
    EXPECT_EQ(Send({0xFA, 0xFF, 0x03, 0x04, 0x08, 0xF5}), Reply());
}

TEST_F(Ez2181SimulatorTest, FrameForAnotherAddressIsIgnored)
{
    EXPECT_TRUE(Send(Frame(0x01, 0x04, {})).empty());
    EXPECT_EQ(board.FramesRejected(), 1u);
    // The board's own address is taken like the PC's usual 0xFF.
    EXPECT_EQ(Send(Frame(0x00, 0x04, {})), Reply());
}

TEST_F(Ez2181SimulatorTest, LengthBelowThreeDropsTheFrameAndTheMonitorResynchronises)
{
    EXPECT_TRUE(Send({0xFA, 0xFF, 0x02, 0x04, 0x08}).empty());
    EXPECT_EQ(board.FramesRejected(), 1u);
    EXPECT_EQ(Send(Request(0x04)), Reply());
}

TEST_F(Ez2181SimulatorTest, NoiseBeforeTheSyncByteIsSkipped)
{
    EXPECT_EQ(Send(Concat({0x00, 0x13, 0xFE}, Request(0x04))), Reply());
    EXPECT_EQ(board.FramesRejected(), 0u);
    EXPECT_EQ(board.ReceivedBytes().size(), 9u);
}

TEST_F(Ez2181SimulatorTest, SyncByteInsideThePayloadIsData)
{
    EXPECT_EQ(Send(Request(0x01, Concat(AddressCount(0, 1), Words({0xFAFAFA})))), Reply());
    EXPECT_EQ(board.ProgramWord(0), 0xFAFAFAu);
}

TEST_F(Ez2181SimulatorTest, AbandonedPartialFrameLetsTheNextFrameThrough)
{
    const Bytes reset = Request(0x04);
    board.Receive(Bytes(reset.begin(), reset.end() - 1));
    EXPECT_TRUE(board.InFrame());
    board.AbandonPartialFrame();
    EXPECT_FALSE(board.InFrame());
    EXPECT_EQ(board.FramesRejected(), 1u);
    EXPECT_EQ(Send(reset), Reply());
}

TEST_F(Ez2181SimulatorTest, FramesArriveByteByByte)
{
    for (std::uint8_t b : Request(0x04))
        board.Receive(b);
    EXPECT_EQ(TakeBytes(board), Reply());
}

TEST_F(Ez2181SimulatorTest, ListenerHearsOfQueuedOutput)
{
    int calls = 0;
    board.SetOutputListener([&] { ++calls; });
    board.Receive(Bytes{0xFA, 0xFF});
    EXPECT_EQ(calls, 0);
    board.Receive(Bytes{0x03, 0x04, 0x08, 0xF5});
    EXPECT_EQ(calls, 1);
    board.Receive(Request(0xFE));
    EXPECT_EQ(calls, 1);
    board.PowerUp();
    EXPECT_EQ(calls, 2);
    board.SendRaw(Bytes{0xFA});
    EXPECT_EQ(calls, 3);
}

TEST_F(Ez2181SimulatorTest, FrameListenerHearsOfEachAcceptedFrameAfterItWasHandled)
{
    std::vector<Ez2181Frame> heard;
    std::size_t resetsWhenHeard = 0;
    board.SetFrameListener([&](const Ez2181Frame& frame) {
        heard.push_back(frame);
        resetsWhenHeard = board.ResetCount();
    });
    board.Receive(Concat({0xFA, 0xFF, 0x03, 0x04, 0x08, 0xF4}, Request(0x04)));
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0], (Ez2181Frame{0xFF, 0x04, {}}));
    EXPECT_EQ(resetsWhenHeard, 1u);
}

TEST_F(Ez2181SimulatorTest, SendRawPutsBytesOnTheLineAsTheyAre)
{
    board.SendRaw(Bytes{0xFA, 0xFA, 0x00, 0x03, 0x07, 0x02, 0xF8});
    EXPECT_EQ(TakeBytes(board), (Bytes{0xFA, 0xFA, 0x00, 0x03, 0x07, 0x02, 0xF8}));
    EXPECT_EQ(board.FramesSent(), 0u);
}

TEST_F(Ez2181SimulatorTest, RecordingCanBeSwitchedOffAndTheLogCleared)
{
    Send(Request(0x04));
    board.ClearLog();
    EXPECT_TRUE(board.ReceivedFrames().empty());
    EXPECT_TRUE(board.ReceivedBytes().empty());
    EXPECT_EQ(board.FramesReceived(), 0u);
    board.SetRecording(false);
    EXPECT_EQ(Send(Request(0x04)), Reply());
    EXPECT_TRUE(board.ReceivedFrames().empty());
    EXPECT_TRUE(board.ReceivedBytes().empty());
    EXPECT_EQ(board.FramesReceived(), 1u);
}

// ---------------------------------------------------------------- flash

TEST_F(Ez2181SimulatorTest, FlashStartsErased)
{
    EXPECT_EQ(board.FlashByte(0), 0xFF);
    EXPECT_EQ(board.FlashByte(Ez2181Simulator::kFlashBytes - 1), 0xFF);
    EXPECT_EQ(Send(Request(0x08, AddressCount(0xFFFFC, 4))), Reply({0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST_F(Ez2181SimulatorTest, PageLoadedAs185And71BytesIsProgrammedAndReadBackAs190And66)
{
    Bytes page(256);
    for (std::size_t i = 0; i < page.size(); ++i)
        page[i] = static_cast<std::uint8_t>(i * 7 + 3);

    EXPECT_EQ(Send(Request(0x09, Concat(AddressCount(0, 185), Bytes(page.begin(), page.begin() + 185)))), Reply());
    EXPECT_EQ(Send(Request(0x09, Concat(AddressCount(185, 71), Bytes(page.begin() + 185, page.end())))),
              Reply());
    EXPECT_EQ(board.LoadedLength(), 256u);
    EXPECT_EQ(board.FlashByte(0x300), 0xFF);  // loading alone programs nothing

    Bytes program;
    Put32(program, 0x300);
    EXPECT_EQ(Send(Request(0x0A, program)), Reply());
    EXPECT_EQ(board.FlashBytes(0x300, 256), page);
    EXPECT_EQ(board.FlashByte(0x2FF), 0xFF);
    EXPECT_EQ(board.FlashByte(0x400), 0xFF);

    const Bytes first = Send(Request(0x08, AddressCount(0x300, 190)));
    const Bytes second = Send(Request(0x08, AddressCount(0x300 + 190, 66)));
    EXPECT_EQ(first, Reply(Bytes(page.begin(), page.begin() + 190)));
    EXPECT_EQ(second, Reply(Bytes(page.begin() + 190, page.end())));
}

TEST_F(Ez2181SimulatorTest, FlashTransferLimitsAreKept)
{
    EXPECT_EQ(Send(Request(0x08, AddressCount(0, 191))), kRefused);
    EXPECT_EQ(Send(Request(0x08, AddressCount(0, 0))), kRefused);
    EXPECT_EQ(Send(Request(0x08, AddressCount(0xFFFFF, 2))), kRefused);
    EXPECT_EQ(Send(Request(0x08, AddressCount(0xFFFFF, 1))), Reply({0xFF}));
    EXPECT_EQ(Send(Request(0x09, Concat(AddressCount(0, 186), Bytes(186, 0x00)))), kRefused);
    EXPECT_EQ(Send(Request(0x09, Concat(AddressCount(0, 3), Bytes(2, 0x00)))), kRefused);
    EXPECT_EQ(board.LoadedLength(), 0u);
    EXPECT_EQ(Send(Request(0x0A, {0x00, 0x00})), kRefused);
}

TEST_F(Ez2181SimulatorTest, ProgrammingPastTheEndOfFlashIsRefused)
{
    EXPECT_EQ(Send(Request(0x09, Concat(AddressCount(0, 4), {1, 2, 3, 4}))), Reply());
    Bytes program;
    Put32(program, 0xFFFFD);
    EXPECT_EQ(Send(Request(0x0A, program)), kRefused);
    EXPECT_EQ(board.FlashByte(0xFFFFD), 0xFF);
    program.clear();
    Put32(program, 0xFFFFC);
    EXPECT_EQ(Send(Request(0x0A, program)), Reply());
    EXPECT_EQ(board.FlashBytes(0xFFFFC, 4), (Bytes{1, 2, 3, 4}));
}

TEST_F(Ez2181SimulatorTest, ProgramReplacesWhatFlashHeld)
{
    board.SetFlashByte(0x10, 0x0F);
    Send(Request(0x09, Concat(AddressCount(0, 1), {0xF0})));
    Bytes program;
    Put32(program, 0x10);
    EXPECT_EQ(Send(Request(0x0A, program)), Reply());
    EXPECT_EQ(board.FlashByte(0x10), 0xF0);
}

TEST_F(Ez2181SimulatorTest, ProgramWithoutANewLoadWritesTheStaleBufferAgain)
{
    Bytes program;
    Put32(program, 0x100);
    EXPECT_EQ(Send(Request(0x0A, program)), Reply());  // nothing ever loaded: nothing written
    EXPECT_EQ(board.FlashByte(0x100), 0xFF);

    Send(Request(0x09, Concat(AddressCount(0, 2), {0xAB, 0xCD})));
    Send(Request(0x0A, program));
    program.clear();
    Put32(program, 0x200);
    EXPECT_EQ(Send(Request(0x0A, program)), Reply());
    EXPECT_EQ(board.FlashBytes(0x200, 3), (Bytes{0xAB, 0xCD, 0xFF}));

    // A new load after a program starts a new extent.
    Send(Request(0x09, Concat(AddressCount(0, 1), {0x01})));
    EXPECT_EQ(board.LoadedLength(), 1u);
}

TEST_F(Ez2181SimulatorTest, FlippedFlashByteShowsOnTheLine)
{
    board.SetFlashByte(0x305, 0x5A);
    board.FlipFlashByte(0x305);
    EXPECT_EQ(board.FlashByte(0x305), 0xA5);
    EXPECT_EQ(Send(Request(0x08, AddressCount(0x305, 1))), Reply({0xA5}));
}

// ---------------------------------------------------------------- faults

TEST_F(Ez2181SimulatorTest, WrongCheckByteSpoilsOnlyTheSecondCheckByte)
{
    board.InjectFault({Ez2181FaultKind::WrongCheckByte});
    const Bytes reply = Send(Request(0x04));
    const Bytes good = Reply();
    ASSERT_EQ(reply.size(), good.size());
    EXPECT_EQ(Bytes(reply.begin(), reply.end() - 1), Bytes(good.begin(), good.end() - 1));
    EXPECT_NE(reply.back(), good.back());
    EXPECT_FALSE(Checks(reply));
    EXPECT_EQ(board.PendingFaultCount(), 0u);
    EXPECT_EQ(Send(Request(0x04)), good);
}

TEST_F(Ez2181SimulatorTest, WrongCheckByteOnAReadStillCarriesThePayload)
{
    board.SetDataWord(0x10, 0x1234);
    board.InjectFault({Ez2181FaultKind::WrongCheckByte});
    const Bytes reply = Send(Request(0x02, AddressCount(0x4010, 1)));
    const Bytes good = Reply(Words({0x1234}));
    EXPECT_EQ(Bytes(reply.begin(), reply.end() - 1), Bytes(good.begin(), good.end() - 1));
    EXPECT_FALSE(Checks(reply));
}

TEST_F(Ez2181SimulatorTest, WrongStatusKeepsTheFrameOtherwiseSound)
{
    board.InjectFault({Ez2181FaultKind::WrongStatus, 1, 0x07});
    EXPECT_EQ(Send(Request(0x04)), Reply({}, 0x07));
    board.InjectFault({Ez2181FaultKind::WrongStatus});
    EXPECT_EQ(Send(Request(0x04)), Reply({}, 0x00));
}

TEST_F(Ez2181SimulatorTest, WrongLengthChangesOnlyTheLengthByte)
{
    board.InjectFault({Ez2181FaultKind::WrongLength});
    const Bytes reply = Send(Request(0x02, AddressCount(0x4010, 4)));
    EXPECT_EQ(reply.size(), 4u + 16u + 2u);
    EXPECT_EQ(reply[2], 20);  // 16 + 3, one too many
    EXPECT_TRUE(Checks(reply));

    board.InjectFault({Ez2181FaultKind::WrongLength, 1, 15});
    const Bytes shortLength = Send(Request(0x02, AddressCount(0x4010, 4)));
    EXPECT_EQ(shortLength[2], 15);  // announces 12 payload bytes
    EXPECT_TRUE(Checks(shortLength));
}

TEST_F(Ez2181SimulatorTest, DroppedByteLeavesOutTheLastCheckByteUnlessTold)
{
    board.InjectFault({Ez2181FaultKind::DroppedByte});
    EXPECT_EQ(Send(Request(0x04)), (Bytes{0xFA, 0x00, 0x03, 0xFE, 0x12}));

    board.InjectFault({Ez2181FaultKind::DroppedByte, 1, 3});
    EXPECT_EQ(Send(Request(0x04)), (Bytes{0xFA, 0x00, 0x03, 0x12, 0xF0}));
}

TEST_F(Ez2181SimulatorTest, WrongAddressAndWrongSync)
{
    board.InjectFault({Ez2181FaultKind::WrongAddress});
    const Bytes reply = Send(Request(0x04));
    EXPECT_EQ(reply, Frame(0x01, 0xFE, {}));

    board.InjectFault({Ez2181FaultKind::WrongSync, 1, 0xFB});
    const Bytes badSync = Send(Request(0x04));
    ASSERT_FALSE(badSync.empty());
    EXPECT_EQ(badSync[0], 0xFB);
    EXPECT_EQ(Bytes(badSync.begin() + 1, badSync.begin() + 4), (Bytes{0x00, 0x03, 0xFE}));
}

TEST_F(Ez2181SimulatorTest, FaultFrameCountsFromTheMomentItIsSet)
{
    Send(Request(0x04));
    Send(Request(0x04));
    board.InjectFault({Ez2181FaultKind::WrongStatus, 2});
    EXPECT_EQ(Send(Request(0x04)), Reply());
    EXPECT_EQ(Send(Request(0x04)), Reply({}, 0x00));
    EXPECT_EQ(Send(Request(0x04)), Reply());
}

TEST_F(Ez2181SimulatorTest, RejectedFramesDoNotCountTowardsAFault)
{
    board.InjectFault({Ez2181FaultKind::WrongStatus});
    EXPECT_TRUE(Send({0xFA, 0xFF, 0x03, 0x04, 0x08, 0xF4}).empty());
    EXPECT_EQ(Send(Request(0x04)), Reply({}, 0x00));
}

TEST_F(Ez2181SimulatorTest, FaultOnTheUnansweredAcknowledgementIsUsedUp)
{
    board.InjectFault({Ez2181FaultKind::WrongStatus});
    EXPECT_TRUE(Send(Request(0xFE)).empty());
    EXPECT_EQ(board.PendingFaultCount(), 0u);
    EXPECT_EQ(Send(Request(0x04)), Reply());
}

TEST_F(Ez2181SimulatorTest, SilenceFromAGivenFrameOnUntilCleared)
{
    board.InjectFault({Ez2181FaultKind::Silence, 2});
    EXPECT_EQ(Send(Request(0x04)), Reply());
    EXPECT_TRUE(Send(Request(0x04)).empty());
    EXPECT_TRUE(board.Silent());
    EXPECT_TRUE(Send(Request(0x01, Concat(AddressCount(0, 1), Words({9})))).empty());
    EXPECT_EQ(board.ProgramWord(0), 0u);  // a hung monitor carries nothing out
    EXPECT_EQ(board.ResetCount(), 1u);
    EXPECT_EQ(board.FramesReceived(), 3u);

    board.ClearFaults();
    EXPECT_FALSE(board.Silent());
    EXPECT_EQ(Send(Request(0x04)), Reply());
}

TEST_F(Ez2181SimulatorTest, PowerUpRevivesAHungMonitor)
{
    board.InjectFault({Ez2181FaultKind::Silence});
    EXPECT_TRUE(Send(Request(0x04)).empty());
    board.PowerUp();
    EXPECT_EQ(TakeBytes(board), (Bytes{0xFA, 0x00, 0x03, 0x07, 0x02, 0xF8}));
    EXPECT_EQ(Send(Request(0x04)), Reply());
}

TEST_F(Ez2181SimulatorTest, SeveralFaultsOnOneFrameCombine)
{
    board.InjectFault({Ez2181FaultKind::WrongStatus, 1, 0x01});
    board.InjectFault({Ez2181FaultKind::DroppedByte});
    const Bytes good = Reply({}, 0x01);
    EXPECT_EQ(Send(Request(0x04)), Bytes(good.begin(), good.end() - 1));
}
