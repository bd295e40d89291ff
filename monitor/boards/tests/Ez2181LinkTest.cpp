#include "monitor/boards/Ez2181Link.h"
#include "monitor/boards/tests/SimulatedDeviceLine.h"

#include "platform/tests/FakeClock.h"
#include "simulators/ez2181/Ez2181Simulator.h"
#include "platform/tests/ScopedConfigHome.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

using Bytes = std::vector<std::uint8_t>;
using K = LinkResult;

// The link with the parts of its reply frames open to the tests.
class FramedLink : public Ez2181Link {
public:
    using Ez2181Link::Ez2181Link;
    using Ez2181Link::ReadReplyHeader;
    using Ez2181Link::ReadReplyTrailer;
};

class Ez2181LinkTest : public ::testing::Test {
protected:
    Ez2181LinkTest()
    {
        auto device = std::make_unique<SimulatedDeviceLine>(board, &clock);
        line = device.get();
        link = std::make_unique<FramedLink>(std::move(device), clock);
        link->Open();
    }

    Bytes Payload(std::uint32_t address, std::uint8_t count) const
    {
        return {static_cast<std::uint8_t>(address >> 24), static_cast<std::uint8_t>(address >> 16),
                static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address), count};
    }

    ScopedConfigHome home{"com1"};
    Ez2181Simulator board;
    FakeClock clock;
    SimulatedDeviceLine* line = nullptr;
    std::unique_ptr<FramedLink> link;
};

TEST_F(Ez2181LinkTest, SumsGiveTheCheckBytesOfTheResetRequest)
{
    for (std::uint8_t b : {0xFA, 0xFF, 0x03, 0x04})
        link->AddToSums(b);
    EXPECT_EQ(link->CheckByte(), 0x08);
    link->AddToSums(0x08);
    EXPECT_EQ(link->CheckByte(), 0xF5);
    link->AddToSums(0xF5);
    link->AddToSums(0xFF);  // counts as 0
    EXPECT_EQ(link->CheckByte(), 0xFF);
}

TEST_F(Ez2181LinkTest, ByteTransfersPassThroughTheSums)
{
    link->ResetSums();
    link->WriteByte(0x05);
    EXPECT_EQ(link->CheckByte(), 255 - 10);
    link->ResetSums();
    board.SendRaw(Bytes{0x07});
    EXPECT_EQ(link->ReadByte(), 0x07);
    EXPECT_EQ(link->CheckByte(), 255 - 14);
}

TEST_F(Ez2181LinkTest, ResetExchangeSendsExactBytesAndAcceptsTheReply)
{
    EXPECT_TRUE(link->Reset().ok());
    EXPECT_EQ(line->written(), (Bytes{0xFA, 0xFF, 0x03, 0x04, 0x08, 0xF5}));
    EXPECT_EQ(board.ResetCount(), 1u);
}

TEST_F(Ez2181LinkTest, ExchangeAcceptsAddressFFWithTheSameCheckBytes)
{
    board.InjectFault({Ez2181FaultKind::WrongAddress, 1, 0xFF});
    EXPECT_TRUE(link->Reset().ok());
}

TEST_F(Ez2181LinkTest, ExchangeCodesForEachFaultOfTheReply)
{
    const struct {
        Ez2181Fault fault;
        LinkResult result;
    } cases[] = {
        {{Ez2181FaultKind::WrongSync}, {K::WrongStart, 1}},
        {{Ez2181FaultKind::WrongAddress}, {K::WrongAddress, 2}},
        {{Ez2181FaultKind::WrongLength, 1, 2}, {K::ShortLength, 3}},
        {{Ez2181FaultKind::WrongLength}, {K::UnexpectedLength, 4}},
        {{Ez2181FaultKind::WrongStatus}, {K::WrongStatus, 4}},
        {{Ez2181FaultKind::WrongCheckByte}, {K::BadCheckBytes, 6}},
    };
    for (const auto& c : cases) {
        board.InjectFault(c.fault);
        EXPECT_EQ(link->Reset(), c.result) << static_cast<int>(c.fault.kind);
        EXPECT_TRUE(link->Reset().ok()) << "after " << static_cast<int>(c.fault.kind);
    }
}

TEST_F(Ez2181LinkTest, ReplyHeaderCodes)
{
    const struct {
        Bytes reply;
        int min;
        int max;
        LinkResult result;
    } cases[] = {
        {{0xFA, 0x00, 0x03, 0xFE}, 0, 0, {}},
        {{0xFB, 0x00, 0x03, 0xFE}, 0, 0, {K::WrongStart, 1}},
        {{0xFA, 0x00, 0x02, 0xFE}, 0, 0, {K::ShortLength, 2}},
        {{0xFA, 0x00, 0x03, 0x15}, 0, 0, {K::WrongStatus, 3}},
        {{0xFA, 0x00, 0x04, 0xFE}, 0, 0, {K::UnexpectedLength, 4}},
        {{0xFA, 0x00, 0x07, 0xFE}, 4, 0, {}},
        {{0xFA, 0x00, 0x06, 0xFE}, 4, 0, {K::UnexpectedLength, 4}},
        {{0xFA, 0x00, 0x06, 0xFE}, 2, 4, {}},
        {{0xFA, 0x00, 0x08, 0xFE}, 2, 4, {K::UnexpectedLength, 4}},
        {{0xFA, 0x37, 0x03, 0xFE}, 0, 0, {}},  // the address byte is not examined
    };
    for (const auto& c : cases) {
        line->PurgeInput();
        board.SendRaw(c.reply);
        EXPECT_EQ(link->ReadReplyHeader(c.min, c.max), c.result)
            << "length " << int(c.reply[2]) << " min " << c.min << " max " << c.max;
    }
}

TEST_F(Ez2181LinkTest, ReplyTrailerChecksBothSums)
{
    board.SendRaw(Bytes{0xFA, 0x00, 0x03, 0xFE, 0x12, 0xF0});
    ASSERT_TRUE(link->ReadReplyHeader(0, 0).ok());
    EXPECT_TRUE(link->ReadReplyTrailer().ok());
    board.SendRaw(Bytes{0xFA, 0x00, 0x03, 0xFE, 0x12, 0xF1});
    ASSERT_TRUE(link->ReadReplyHeader(0, 0).ok());
    EXPECT_EQ(link->ReadReplyTrailer(), (LinkResult{K::BadCheckBytes, 1}));
}

TEST_F(Ez2181LinkTest, DataMemoryReadOfFourWordsIsOneExactFrame)
{
    board.SetDataWord(0x10, 0x1234);
    board.SetDataWord(0x13, 0xBEEF);
    std::vector<std::uint32_t> words;
    EXPECT_TRUE(link->ReadData(0x10, 4, words).ok());
    EXPECT_EQ(line->written(), (Bytes{0xFA, 0xFF, 0x08, 0x02, 0x00, 0x00, 0x40, 0x10, 0x04, 0xAA, 0xFB}));
    EXPECT_EQ(words[0], 0x1234u);
    EXPECT_EQ(words[3], 0xBEEFu);
}

TEST_F(Ez2181LinkTest, HundredWordsGoAsFortyFortyTwenty)
{
    for (std::uint32_t i = 0; i < 100; ++i)
        board.SetProgramWord(0x100 + i, 0xA00000 + i);
    std::vector<std::uint32_t> words;
    ASSERT_TRUE(link->ReadProgram(0x100, 100, words).ok());
    const std::vector<Ez2181Frame> frames = board.ReceivedFrames();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0], (Ez2181Frame{0xFF, 0x02, Payload(0x100, 40)}));
    EXPECT_EQ(frames[1], (Ez2181Frame{0xFF, 0x02, Payload(0x128, 40)}));
    EXPECT_EQ(frames[2], (Ez2181Frame{0xFF, 0x02, Payload(0x150, 20)}));
    for (std::uint32_t i = 0; i < 100; ++i)
        EXPECT_EQ(words[i], 0xA00000 + i);
}

TEST_F(Ez2181LinkTest, WordWritesAreChunkedAndLand)
{
    std::vector<std::uint32_t> words(45);
    std::iota(words.begin(), words.end(), 0x300u);
    ASSERT_TRUE(link->WriteIo(0x20, words).ok());
    const std::vector<Ez2181Frame> frames = board.ReceivedFrames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].command, 0x0C);
    EXPECT_EQ(frames[0].payload.size(), 5u + 4 * 40);
    EXPECT_EQ(Bytes(frames[1].payload.begin(), frames[1].payload.begin() + 5), Payload(0x48, 5));
    for (std::uint32_t i = 0; i < 45; ++i)
        EXPECT_EQ(board.IoWord(0x20 + i), 0x300 + i);
}

TEST_F(Ez2181LinkTest, EachSpaceHasItsCommandsAndOnlyDataMemoryIsOffset)
{
    const std::vector<std::uint32_t> one{0x77};
    std::vector<std::uint32_t> read;
    ASSERT_TRUE(link->WriteData(0x30, one).ok());
    ASSERT_TRUE(link->WriteProgram(0x30, one).ok());
    ASSERT_TRUE(link->ReadIo(0x30, 1, read).ok());
    const std::vector<Ez2181Frame> frames = board.ReceivedFrames();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].command, 0x01);
    EXPECT_EQ(Bytes(frames[0].payload.begin(), frames[0].payload.begin() + 5), Payload(0x4030, 1));
    EXPECT_EQ(frames[1].command, 0x01);
    EXPECT_EQ(Bytes(frames[1].payload.begin(), frames[1].payload.begin() + 5), Payload(0x30, 1));
    EXPECT_EQ(frames[2], (Ez2181Frame{0xFF, 0x0B, Payload(0x30, 1)}));
    EXPECT_EQ(board.DataWord(0x30), 0x77);
    EXPECT_EQ(board.ProgramWord(0x30), 0x77u);
}

TEST_F(Ez2181LinkTest, CountZeroSendsNothing)
{
    std::vector<std::uint32_t> words;
    std::vector<std::uint8_t> bytes;
    EXPECT_TRUE(link->ReadProgram(0, 0, words).ok());
    EXPECT_TRUE(link->WriteData(0, words).ok());
    EXPECT_TRUE(link->ReadFlash(0, 0, bytes).ok());
    EXPECT_TRUE(line->written().empty());
}

TEST_F(Ez2181LinkTest, WordReadStopsAtTheFirstFailingFrame)
{
    board.InjectFault({Ez2181FaultKind::WrongCheckByte, 2});
    std::vector<std::uint32_t> words(100);
    EXPECT_EQ(link->ReadProgram(0, 100, words), (LinkResult{K::BadCheckBytes, 1}));
    EXPECT_EQ(board.FramesReceived(), 2u);
    board.InjectFault({Ez2181FaultKind::WrongLength, 1, 3 + 4 * 39});
    EXPECT_EQ(link->ReadProgram(0, 40, words), (LinkResult{K::UnexpectedLength, 4}));
}

TEST_F(Ez2181LinkTest, RunOperandIsSentMostSignificantByteFirst)
{
    EXPECT_TRUE(link->Run(0).ok());
    EXPECT_EQ(line->written(), (Bytes{0xFA, 0xFF, 0x07, 0x03, 0x00, 0x00, 0x00, 0x00, 0xE9, 0x11}));
    EXPECT_TRUE(link->Run(0x0A0B0C0D).ok());
    EXPECT_EQ(board.LastRunOperand(), 0x0A0B0C0Du);
}

TEST_F(Ez2181LinkTest, FlashPageGoesAs185And71AndOneProgramFrame)
{
    Bytes page(256);
    std::iota(page.begin(), page.end(), std::uint8_t{0});
    ASSERT_TRUE(link->WriteFlash(0x1200, page).ok());
    const std::vector<Ez2181Frame> frames = board.ReceivedFrames();
    ASSERT_EQ(frames.size(), 3u);
    Bytes first = Payload(0, 185);
    first.insert(first.end(), page.begin(), page.begin() + 185);
    Bytes second = Payload(185, 71);
    second.insert(second.end(), page.begin() + 185, page.end());
    EXPECT_EQ(frames[0], (Ez2181Frame{0xFF, 0x09, first}));
    EXPECT_EQ(frames[1], (Ez2181Frame{0xFF, 0x09, second}));
    EXPECT_EQ(frames[2], (Ez2181Frame{0xFF, 0x0A, {0x00, 0x00, 0x12, 0x00}}));
    EXPECT_EQ(board.FlashBytes(0x1200, 256), page);
    EXPECT_EQ(board.FramesRejected(), 0u);
}

TEST_F(Ez2181LinkTest, EachFrameGoesToTheLineInOneWrite)
{
    const Bytes page(256, 0x11);
    ASSERT_TRUE(link->WriteFlash(0x1200, page).ok());
    // 185 and 71 bytes with 11 bytes of frame each, then the program frame of 10.
    EXPECT_EQ(line->writeEnds(), (std::vector<std::size_t>{196, 278, 288}));
    EXPECT_EQ(line->purgedAt(), (std::vector<std::size_t>{0, 196, 278}));
    line->ClearWritten();
    ASSERT_TRUE(link->Reset().ok());
    EXPECT_EQ(line->writeEnds(), std::vector<std::size_t>{6});
    // Outside a frame a byte still goes on its own.
    link->WriteByte(0x55);
    EXPECT_EQ(line->writeEnds(), (std::vector<std::size_t>{6, 7}));
}

TEST_F(Ez2181LinkTest, FlashPageIsReadBackAs190And66)
{
    Bytes page(256);
    for (std::size_t i = 0; i < page.size(); ++i) {
        page[i] = static_cast<std::uint8_t>(i * 7 + 3);
        board.SetFlashByte(0x4400 + i, page[i]);
    }
    Bytes read;
    ASSERT_TRUE(link->ReadFlash(0x4400, 256, read).ok());
    EXPECT_EQ(read, page);
    const std::vector<Ez2181Frame> frames = board.ReceivedFrames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0], (Ez2181Frame{0xFF, 0x08, Payload(0x4400, 190)}));
    EXPECT_EQ(frames[1], (Ez2181Frame{0xFF, 0x08, Payload(0x4400 + 190, 66)}));
}

TEST_F(Ez2181LinkTest, EmptyFlashWriteSendsNoProgramCommand)
{
    const Bytes stale(16, 0x5A);
    ASSERT_TRUE(link->WriteFlash(0, stale).ok());
    line->ClearWritten();
    EXPECT_TRUE(link->WriteFlash(0x8000, {}).ok());
    EXPECT_TRUE(line->written().empty());
    EXPECT_EQ(board.FlashByte(0x8000), 0xFF);
}

TEST_F(Ez2181LinkTest, FlashTransfersFailWithOneOnAnyReplyFault)
{
    Bytes page(256, 0x11);
    for (Ez2181FaultKind kind : {Ez2181FaultKind::WrongSync, Ez2181FaultKind::WrongStatus,
                                 Ez2181FaultKind::WrongLength, Ez2181FaultKind::WrongCheckByte}) {
        board.InjectFault({kind, 3});  // the program command
        EXPECT_EQ(link->WriteFlash(0, page), (LinkResult{K::NoResponse, 1})) << static_cast<int>(kind);
        board.InjectFault({kind, 2});  // the second read frame
        EXPECT_EQ(link->ReadFlash(0, 256, page), (LinkResult{K::NoResponse, 1})) << static_cast<int>(kind);
    }
    EXPECT_TRUE(link->ReadFlash(0, 256, page).ok());
}

TEST_F(Ez2181LinkTest, MissingReplyByteEndsAsATimeout)
{
    board.InjectFault({Ez2181FaultKind::Silence});
    EXPECT_EQ(link->Reset(), (LinkResult{K::SerialFailure, SerialPortException::Timeout}));
}

TEST_F(Ez2181LinkTest, PowerOnFrameIsAcknowledged)
{
    line->AfterNextPurge([this] { board.PowerUp(); });
    EXPECT_TRUE(link->WaitForHello().ok());
    EXPECT_EQ(line->written(), (Bytes{0xFA, 0xFF, 0x03, 0xFE, 0x12, 0xF0}));
    EXPECT_TRUE(board.PowerOnAcknowledged());
}

TEST_F(Ez2181LinkTest, PowerOnWaitsOverNoiseAndAFrameWithWrongCheckBytes)
{
    line->AfterNextPurge([this] {
        board.SendRaw(Bytes{0x00, 0x55, 0xFA, 0x00, 0x03, 0x07, 0x02, 0xF9});
        board.SendPowerOnFrame();
    });
    EXPECT_TRUE(link->WaitForHello().ok());
    EXPECT_EQ(line->written(), (Bytes{0xFA, 0xFF, 0x03, 0xFE, 0x12, 0xF0}));
}

TEST_F(Ez2181LinkTest, SecondSyncByteBreaksTheMatchAndIsNotTakenAsAStart)
{
    line->AfterNextPurge([this] { board.SendRaw(Bytes{0xFA, 0xFA, 0x00, 0x03, 0x07, 0x02, 0xF8}); });
    EXPECT_EQ(link->WaitForHello(), (LinkResult{K::NoPowerOnFrame, 1}));
    EXPECT_TRUE(line->written().empty());
    EXPECT_GE(clock.NowMs(), Ez2181Link::kPowerOnWaitMs);
}

TEST_F(Ez2181LinkTest, MissedFrameIsFollowedByTheWaitGoingOn)
{
    line->AfterNextPurge([this] {
        board.SendRaw(Bytes{0xFA, 0xFA, 0x00, 0x03, 0x07, 0x02, 0xF8});
        board.SendPowerOnFrame();
    });
    EXPECT_TRUE(link->WaitForHello().ok());
    EXPECT_EQ(line->written(), (Bytes{0xFA, 0xFF, 0x03, 0xFE, 0x12, 0xF0}));
}

TEST_F(Ez2181LinkTest, PowerOnTimesOutAfterTenSecondsOfSilence)
{
    EXPECT_EQ(link->WaitForHello(), (LinkResult{K::NoPowerOnFrame, 1}));
    const std::uint64_t waited = clock.NowMs();
    EXPECT_GE(waited, Ez2181Link::kPowerOnWaitMs);
    // The last attempt starts before the deadline and runs to its own time-out.
    EXPECT_LT(waited, Ez2181Link::kPowerOnWaitMs + 1100);
    EXPECT_TRUE(line->written().empty());
}

// No frame can come on a line that is not open: it fails as a request would, at once.
TEST_F(Ez2181LinkTest, PowerOnOnAClosedPortFailsAtOnceAsAWriteWould)
{
    link->Close();
    EXPECT_EQ(link->WaitForHello(), (LinkResult{K::SerialFailure, SerialPortException::WriteFailed}));
    EXPECT_EQ(clock.SleepCount(), 0);
    EXPECT_LT(clock.NowMs(), 1000u);
}

}  // namespace
