#include "monitor/boards/FourWireLink.h"

#include "platform/tests/FakeClock.h"
#include "platform/tests/FakeParallelPort.h"
#include "platform/tests/RecordingNotifier.h"
#include "simulators/fourwire/FourWireTarget.h"
#include "simulators/fourwire/FourWireTargetPort.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// The link with the byte steps of its operations open to the tests.
class SteppedLink : public FourWireLink {
public:
    using FourWireLink::FourWireLink;
    using FourWireLink::ReceiveBytes;
    using FourWireLink::SendByte;
    using FourWireLink::SendBytes;
    using FourWireLink::SendWords;
};

// The link against the simulated target, both on a fake clock that moves one
// millisecond with every reading, so that waits run out without real time.
// The target answers every handshake step a few milliseconds late, so that a
// link that does not wait for it fails.
class FourWireLinkTest : public ::testing::Test {
protected:
    static constexpr std::uint32_t kAnswerDelayMs = 3;

    SteppedLink MakeLink()
    {
        target.SetAnswerDelayMs(kAnswerDelayMs);
        auto owned = std::make_unique<FourWireTargetPort>(target);
        port = owned.get();
        return SteppedLink(LPTDigitalInstrument(std::move(owned)), clock);
    }

    Bytes Request(std::size_t index) const
    {
        return index < target.requests().size() ? target.requests()[index] : Bytes{};
    }

    FakeClock clock{1};
    FourWireTarget target{clock};
    FourWireTargetPort* port = nullptr;
    SteppedLink link = MakeLink();
};

Bytes FlashRequest(std::uint32_t address, const FourWireLink::FlashBlock& block)
{
    Bytes bytes{0x05, static_cast<std::uint8_t>(address >> 16), static_cast<std::uint8_t>(address >> 8),
                static_cast<std::uint8_t>(address)};
    bytes.insert(bytes.end(), block.begin(), block.end());
    return bytes;
}

}  // namespace

TEST(FourWireLinkConstructionTest, SetsBothOutputsLowWithoutReadingAnything)
{
    FakeClock clock;
    auto owned = std::make_unique<FakeParallelPort>();
    FakeParallelPort* port = owned.get();
    FourWireLink link(LPTDigitalInstrument(std::move(owned)), clock);
    EXPECT_EQ(port->writes(), (Bytes{0x00, 0x00}));
    EXPECT_EQ(port->statusReads(), 0);
    EXPECT_EQ(link.timeoutMs(), 1000);
    EXPECT_EQ(link.settleTimeMs(), 0);
    EXPECT_EQ(link.attempts(), 5);
}

TEST(FourWireLinkConstructionTest, WithoutPortAccessBothOutputWritesAreAnnounced)
{
    RecordingNotifier notifier;
    Notifier::SetCurrent(&notifier);
    FakeClock clock;
    FourWireLink link(LPTDigitalInstrument(nullptr, "no such device"), clock);
    Notifier::SetCurrent(nullptr);
    const RecordingNotifier::Message denied{"NT can not talk directly to hardware port.", "SetDigitalOutput()"};
    ASSERT_EQ(notifier.messages().size(), 4u);
    EXPECT_EQ(notifier.messages()[0].text, "Portlane doesn't work with NT release mode.");
    EXPECT_EQ(notifier.messages()[1].text, "no such device");
    EXPECT_EQ(notifier.messages()[2], denied);
    EXPECT_EQ(notifier.messages()[3], denied);
    std::uint16_t version = 0;
    Notifier::SetCurrent(&notifier);
    EXPECT_EQ(link.GetVersion(version), LinkResult{LinkResult::NoPortAccess});
    Notifier::SetCurrent(nullptr);
}

TEST(FourWireLinkConstructionTest, AnAbsentTargetFailsEveryAttemptAfterTheTimeOut)
{
    FakeClock clock(1);
    auto owned = std::make_unique<FakeParallelPort>();
    owned->SetStatus(0x40);  // both inputs low: the target never takes a bit
    FourWireLink link(LPTDigitalInstrument(std::move(owned)), clock);
    std::uint16_t version = 0;
    EXPECT_EQ(link.GetVersion(version), LinkResult{LinkResult::NoResponse});
    EXPECT_EQ(clock.SleepCount(), 4);
    EXPECT_EQ(clock.TotalSleptMs(), 4000u);
}

TEST_F(FourWireLinkTest, GetVersionReadsVersionAndStatus)
{
    std::uint16_t version = 0;
    ASSERT_TRUE(link.GetVersion(version).ok());
    EXPECT_EQ(version, 0x0102);
    EXPECT_EQ(target.requests(), (std::vector<Bytes>{{0x01}}));
    EXPECT_EQ(clock.SleepCount(), 0);
    EXPECT_EQ(link.port().OutputShadow(), 0);
}

TEST_F(FourWireLinkTest, AWrongStatusFailsFiveAttemptsWithFourPauses)
{
    target.InjectFault({FourWireFaultKind::WrongStatus, 0});
    std::uint16_t version = 0;
    EXPECT_FALSE(link.GetVersion(version).ok());
    EXPECT_EQ(target.requests().size(), 5u);
    EXPECT_EQ(clock.SleepCount(), 4);
    EXPECT_EQ(clock.TotalSleptMs(), 4000u);
}

TEST_F(FourWireLinkTest, ZeroAttemptsFailAtOnceWithoutTraffic)
{
    link.SetAttempts(0);
    const std::uint64_t writesBefore = port->writes();
    std::uint16_t version = 0;
    EXPECT_FALSE(link.GetVersion(version).ok());
    EXPECT_EQ(port->writes(), writesBefore);
    EXPECT_EQ(port->reads(), 0u);
}

TEST_F(FourWireLinkTest, TheSettleTimeFollowsEveryAttempt)
{
    link.SetSettleTimeMs(3);
    target.InjectFault({FourWireFaultKind::WrongStatus, 1});
    std::uint16_t version = 0;
    ASSERT_TRUE(link.GetVersion(version).ok());
    EXPECT_EQ(clock.SleepCount(), 3);  // settle, pause, settle
    EXPECT_EQ(clock.TotalSleptMs(), 1006u);
}

TEST_F(FourWireLinkTest, DataWordsGoOutAsAddressCountWordsAndComeBack)
{
    const std::array<std::uint16_t, 3> words{0x1234, 0x8000, 0xFFFF};
    ASSERT_TRUE(link.WriteDataWords(0x20, words).ok());
    EXPECT_EQ(Request(0), (Bytes{0x03, 0x00, 0x20, 0x00, 0x03, 0x12, 0x34, 0x80, 0x00, 0xFF, 0xFF}));
    EXPECT_EQ(target.DataWord(0x21), 0x8000);

    std::array<std::uint16_t, 3> read{};
    ASSERT_TRUE(link.ReadDataWords(0x20, read).ok());
    EXPECT_EQ(Request(1), (Bytes{0x06, 0x00, 0x20, 0x00, 0x03}));
    EXPECT_EQ(read, words);
}

TEST_F(FourWireLinkTest, ACheckSumOffByOneRepeatsTheCommand)
{
    target.InjectFault({FourWireFaultKind::BadCheckSum, 1});
    target.SetDataWord(0x20, 7);
    std::array<std::uint16_t, 3> read{};
    ASSERT_TRUE(link.ReadDataWords(0x20, read).ok());
    EXPECT_EQ(target.requests(), (std::vector<Bytes>(2, Bytes{0x06, 0x00, 0x20, 0x00, 0x03})));
    EXPECT_EQ(read[0], 7);
    EXPECT_EQ(clock.SleepCount(), 1);
}

TEST_F(FourWireLinkTest, AWriteWithABadCheckSumIsSentAgainInFull)
{
    target.InjectFault({FourWireFaultKind::BadCheckSum, 1});
    const std::array<std::uint16_t, 1> words{0x0042};
    ASSERT_TRUE(link.WriteDataWords(0x10, words).ok());
    EXPECT_EQ(target.requests(), (std::vector<Bytes>(2, Bytes{0x03, 0x00, 0x10, 0x00, 0x01, 0x00, 0x42})));
}

TEST_F(FourWireLinkTest, ProgramReadsCarryTwiceTheCount)
{
    target.SetProgramWord(0, 0xABCDEF);
    target.SetProgramWord(1, 0x000001);
    std::array<std::uint32_t, 2> words{};
    ASSERT_TRUE(link.ReadProgramWords(0, words).ok());
    EXPECT_EQ(target.requests(), (std::vector<Bytes>{{0x07, 0x00, 0x00, 0x00, 0x04}}));
    EXPECT_EQ(words, (std::array<std::uint32_t, 2>{0xABCDEF, 0x000001}));
}

TEST_F(FourWireLinkTest, ProgramWritesSendCountThenHighByteAndLowWordEach)
{
    const std::array<std::uint32_t, 2> words{0x123456, 0xFF0001};
    ASSERT_TRUE(link.WriteProgramWords(0x0100, words).ok());
    EXPECT_EQ(target.requests(),
              (std::vector<Bytes>{{0x04, 0x01, 0x00, 0x00, 0x02, 0x12, 0x34, 0x56, 0xFF, 0x00, 0x01}}));
    EXPECT_EQ(target.ProgramWord(0x0101), 0xFF0001u);
}

TEST_F(FourWireLinkTest, ProgramCommandsHaveNoSecondAttempt)
{
    target.InjectFault({FourWireFaultKind::BadCheckSum, 1});
    std::array<std::uint32_t, 1> words{};
    EXPECT_FALSE(link.ReadProgramWords(0, words).ok());
    EXPECT_TRUE(link.ReadProgramWords(0, words).ok());  // the fault was the first request's
    EXPECT_EQ(target.requests().size(), 2u);
    EXPECT_EQ(clock.SleepCount(), 0);
}

TEST_F(FourWireLinkTest, CountsThatDoNotFitAreRefusedWithoutTraffic)
{
    const std::uint64_t writesBefore = port->writes();
    std::vector<std::uint32_t> program(0x8000);
    const LinkResult refused{LinkResult::OutOfRange};
    EXPECT_EQ(link.ReadProgramWords(0, program), refused);  // twice the count needs 17 bits
    std::vector<std::uint16_t> data(0x10000);
    EXPECT_EQ(link.ReadDataWords(0, data), refused);
    EXPECT_EQ(link.WriteDataWords(0, data), refused);
    EXPECT_EQ(link.WriteProgramWords(0, std::vector<std::uint32_t>(0x10000)), refused);
    EXPECT_EQ(link.ReadDataWords(0, {}), refused);
    EXPECT_EQ(port->writes(), writesBefore);
    EXPECT_EQ(port->reads(), 0u);
}

TEST_F(FourWireLinkTest, WordsBeyondTheWordSpaceAreRefusedWithoutTraffic)
{
    const std::uint64_t writesBefore = port->writes();
    const LinkResult refused{LinkResult::OutOfRange};
    std::vector<std::uint16_t> two(2);
    std::vector<std::uint32_t> program(2);
    EXPECT_EQ(link.ReadDataWords(-1, two), refused);
    EXPECT_EQ(link.ReadDataWords(0xFFFF, two), refused);
    EXPECT_EQ(link.WriteDataWords(0xFFFF, two), refused);
    EXPECT_EQ(link.ReadProgramWords(0xFFFF, program), refused);
    EXPECT_EQ(link.WriteProgramWords(-2, program), refused);
    EXPECT_EQ(port->writes(), writesBefore);
    EXPECT_EQ(port->reads(), 0u);

    const struct {
        std::int64_t address;
        std::int64_t count;
        FourWireLink::Command command;
        bool fits;
    } cases[] = {
        {0xFFFE, 2, FourWireLink::kReadData, true},
        {0xFFFE, 3, FourWireLink::kWriteData, false},
        {0, 0xFFFF, FourWireLink::kWriteProgram, true},
        {0, 0x7FFF, FourWireLink::kReadProgram, true},
        {0, 0x8000, FourWireLink::kReadProgram, false},
        {0, 0, FourWireLink::kReadData, false},
        {-1, 1, FourWireLink::kReadData, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FourWireLink::WordsFit(c.address, c.count, c.command), c.fits) << c.address << " " << c.count;
}

TEST_F(FourWireLinkTest, PartOfAFlashBlockIsReadFromTheWholeBlockAndWrittenPaddedWithErasedBytes)
{
    FourWireLink::FlashBlock block;
    block.fill(0xFF);
    block[0] = 0x11;
    block[1] = 0x22;
    const Bytes values{0x11, 0x22};
    ASSERT_TRUE(link.WriteFlash(0x12300, values).ok());
    EXPECT_EQ(target.requests(), (std::vector<Bytes>{FlashRequest(0x12300, block)}));

    std::vector<std::uint8_t> read;
    ASSERT_TRUE(link.ReadFlash(0x12300, 3, read).ok());
    EXPECT_EQ(Request(1), (Bytes{0x08, 0x01, 0x23, 0x00}));
    EXPECT_EQ(read, (Bytes{0x11, 0x22, 0xFF}));
}

TEST_F(FourWireLinkTest, FlashRequestsThatDoNotFitAreRefusedWithoutTraffic)
{
    const std::uint64_t writesBefore = port->writes();
    std::vector<std::uint8_t> read{0x01};
    EXPECT_EQ(link.ReadFlash(0, 257, read), LinkResult{LinkResult::FlashReadTooLong});
    EXPECT_EQ(link.ReadFlash(0x1000000, 1, read), LinkResult{LinkResult::OutOfRange});
    EXPECT_EQ(link.ReadFlash(-1, 1, read), LinkResult{LinkResult::OutOfRange});
    EXPECT_EQ(read, Bytes{0x01});
    EXPECT_EQ(link.WriteFlash(0, Bytes(257)), LinkResult{LinkResult::FlashWriteTooLong});
    EXPECT_EQ(link.WriteFlash(0x1000000, Bytes(1)), LinkResult{LinkResult::OutOfRange});
    EXPECT_EQ(port->writes(), writesBefore);
    EXPECT_EQ(port->reads(), 0u);
    EXPECT_TRUE(target.requests().empty());
}

TEST_F(FourWireLinkTest, TheLargestCountsThatFitGoThrough)
{
    std::vector<std::uint32_t> program(0x7FFF);
    ASSERT_TRUE(link.ReadProgramWords(0, program).ok());
    EXPECT_EQ(Request(0), (Bytes{0x07, 0x00, 0x00, 0xFF, 0xFE}));
}

TEST_F(FourWireLinkTest, AFlashWriteSendsTheThreeAddressBytesAndTheBlock)
{
    FourWireLink::FlashBlock block{};
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<std::uint8_t>(255 - i);
    ASSERT_TRUE(link.WriteFlashBlock(0x12345, block).ok());
    EXPECT_EQ(target.requests(), (std::vector<Bytes>{FlashRequest(0x12345, block)}));

    FourWireLink::FlashBlock read{};
    ASSERT_TRUE(link.ReadFlashBlock(0x12345, read).ok());
    EXPECT_EQ(Request(1), (Bytes{0x08, 0x01, 0x23, 0x45}));
    EXPECT_EQ(read, block);
}

TEST_F(FourWireLinkTest, AStallMidByteFailsThatByteAfterTheTimeOut)
{
    target.InjectFault({FourWireFaultKind::StallMidByte, 1});
    const std::uint64_t start = clock.NowMs();
    EXPECT_FALSE(link.SendByte(0x06));
    const std::uint64_t elapsed = clock.NowMs() - start;
    EXPECT_GT(elapsed, 1000u);
    EXPECT_LT(elapsed, 1100u);
    EXPECT_EQ(link.port().OutputShadow(), 0);
}

TEST_F(FourWireLinkTest, AStallInAReplyIsRecoveredByTheNextAttempt)
{
    target.InjectFault({FourWireFaultKind::StallMidByte, 1, 6});  // the first word of the reply
    target.SetDataWord(3, 0x5A5A);
    std::array<std::uint16_t, 2> read{};
    ASSERT_TRUE(link.ReadDataWords(3, read).ok());
    EXPECT_EQ(read[0], 0x5A5A);
    EXPECT_EQ(target.requests().size(), 2u);
    EXPECT_EQ(clock.SleepCount(), 1);
}

TEST_F(FourWireLinkTest, AStalledRequestIsRecoveredByTheNextAttempt)
{
    target.InjectFault({FourWireFaultKind::StallMidByte, 1, 2});  // inside the address
    const std::array<std::uint16_t, 1> words{0x0BAD};
    ASSERT_TRUE(link.WriteDataWords(0x40, words).ok());
    EXPECT_EQ(target.requests(), (std::vector<Bytes>{{0x03, 0x00, 0x40, 0x00, 0x01, 0x0B, 0xAD}}));
    EXPECT_EQ(target.DataWord(0x40), 0x0BAD);
}

TEST_F(FourWireLinkTest, BlocksFailWhenEmpty)
{
    EXPECT_FALSE(link.SendBytes({}));
    EXPECT_FALSE(link.SendWords({}));
    std::vector<std::uint8_t> none;
    EXPECT_FALSE(link.ReceiveBytes(none));
    EXPECT_EQ(port->reads(), 0u);
}

TEST_F(FourWireLinkTest, StartUpHandshakesAndReturnsTheVersion)
{
    target.SetVersion(0xFFFE);
    std::uint16_t version = 0;
    const std::uint64_t start = clock.NowMs();
    ASSERT_TRUE(link.StartUp(version).ok());
    EXPECT_EQ(version, 0xFFFE);
    EXPECT_EQ(target.startUps(), 1);
    EXPECT_GE(clock.NowMs() - start, 1000u);  // the inputs were held for a second
    EXPECT_EQ(target.requests(), (std::vector<Bytes>{{0x01}}));
    EXPECT_EQ(link.port().OutputShadow(), 0);
}

TEST_F(FourWireLinkTest, StartUpCountsTheHoldAfreshWhenTheTargetDropsAnInput)
{
    for (const FourWireTarget::Line line : {FourWireTarget::Line::Data, FourWireTarget::Line::Clock}) {
        target.SetHoldDrop({line, 20});
        clock.Advance(FourWireTarget::kResyncGapMs + 1);
        std::uint16_t version = 0;
        const std::uint64_t start = clock.NowMs();
        ASSERT_TRUE(link.StartUp(version).ok());
        EXPECT_GE(clock.NowMs() - start, FourWireTarget::kHoldDropAfterMs + 20 + 1000);
    }
    EXPECT_EQ(target.startUps(), 2);
}

// A target behind a socket, where the PC's writes go unanswered: it takes the
// PC's first writes only when the PC next reads, and wakes `lateMs` late for
// them; from then on it takes every write at once.
class LateWakingTargetPort : public ParallelPort {
public:
    LateWakingTargetPort(FourWireTarget& target, FakeClock& clock, std::uint64_t lateMs)
        : target_(target), clock_(clock), lateMs_(lateMs)
    {
    }
    bool WriteData(std::uint8_t value) override
    {
        if (!awake_) {
            held_.push_back(value);
            return true;
        }
        return target_.WriteData(value);
    }
    bool ReadStatus(std::uint8_t& status) override
    {
        if (!awake_) {
            clock_.Advance(lateMs_);
            awake_ = true;
            for (const std::uint8_t value : held_) target_.WriteData(value);
        }
        return target_.ReadStatus(status);
    }

private:
    FourWireTargetPort target_;
    FakeClock& clock_;
    std::uint64_t lateMs_;
    bool awake_ = false;
    Bytes held_;
};

TEST(FourWireStartUpTest, TheHoldCountsFromTheReadThatSawIt)
{
    FakeClock clock(1);
    FourWireTarget target(clock);
    FourWireLink link(LPTDigitalInstrument(std::make_unique<LateWakingTargetPort>(target, clock, 5)), clock);
    std::uint16_t version = 0;
    ASSERT_TRUE(link.StartUp(version).ok());
    EXPECT_EQ(version, 0x0102);
    EXPECT_EQ(target.startUps(), 1);
}

TEST_F(FourWireLinkTest, StartUpGivesUpAfterThirtySecondsWhenTheTargetNeverRaisesBothInputs)
{
    target.InjectFault({FourWireFaultKind::NeverPowerUp, 0});
    std::uint16_t version = 0;
    const std::uint64_t start = clock.NowMs();
    EXPECT_FALSE(link.StartUp(version).ok());
    const std::uint64_t elapsed = clock.NowMs() - start;
    EXPECT_GT(elapsed, 30000u);
    EXPECT_LT(elapsed, 30100u);
    EXPECT_TRUE(target.requests().empty());
    EXPECT_EQ(link.port().OutputShadow(), 0x03);  // both outputs stay raised
}

TEST_F(FourWireLinkTest, StartUpFailsAtOnceWhenTheTargetDropsItsClockFirst)
{
    target.InjectFault({FourWireFaultKind::DropInput1Early, 1});
    std::uint16_t version = 0;
    const std::uint64_t start = clock.NowMs();
    EXPECT_FALSE(link.StartUp(version).ok());
    EXPECT_LT(clock.NowMs() - start, 1100u);  // the hold second, and no more
    EXPECT_TRUE(target.requests().empty());
    EXPECT_EQ(clock.SleepCount(), 0);
    EXPECT_EQ(link.port().OutputShadow(), 0x02);  // the clock output stays raised

    // The next start-up goes through.
    ASSERT_TRUE(link.StartUp(version).ok());
    EXPECT_EQ(version, 0x0102);
}

TEST_F(FourWireLinkTest, DelaySleepsOnlyForAPositiveTime)
{
    link.Delay(0);
    EXPECT_EQ(clock.SleepCount(), 0);
    link.Delay(25);
    EXPECT_EQ(clock.TotalSleptMs(), 25u);
}
