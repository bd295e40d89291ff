#include "simulators/fourwire/FourWireTarget.h"
#include "simulators/fourwire/FourWireTargetPort.h"

#include "platform/tests/FakeClock.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// The PC side of the bit handshake, driven register by register, so that the
// target's answers to each edge can be seen.
class BitDriver {
public:
    explicit BitDriver(FourWireTarget& target) : target_(target) {}

    bool Data() { return (target_.ReadStatusRegister() & 0x80) != 0; }
    bool Clock() { return (target_.ReadStatusRegister() & 0x40) == 0; }

    void Set(int line, bool on)
    {
        reg_ = static_cast<std::uint8_t>(on ? reg_ | (1 << line) : reg_ & ~(1 << line));
        target_.WriteDataRegister(reg_);
    }

    bool WaitClock(bool level)
    {
        for (int i = 0; i < 4; ++i)
            if (Clock() == level)
                return true;
        return false;
    }

    bool Send(std::uint8_t value)
    {
        for (int bit = 7; bit >= 0; --bit) {
            if (!WaitClock(false))
                return false;
            Set(0, (value >> bit) & 1);
            Set(1, true);
            if (!WaitClock(true))
                return false;
            Set(1, false);
        }
        Set(0, false);
        return true;
    }

    bool Receive(std::uint8_t& value)
    {
        value = 0;
        for (int bit = 7; bit >= 0; --bit) {
            if (!WaitClock(true))
                return false;
            if (Data())
                value = static_cast<std::uint8_t>(value | (1 << bit));
            Set(1, true);
            if (!WaitClock(false))
                return false;
            Set(1, false);
        }
        return true;
    }

    bool SendAll(const std::vector<std::uint8_t>& bytes)
    {
        for (std::uint8_t b : bytes)
            if (!Send(b))
                return false;
        return true;
    }

    std::vector<std::uint8_t> ReceiveN(std::size_t count)
    {
        std::vector<std::uint8_t> bytes;
        std::uint8_t b = 0;
        while (bytes.size() < count && Receive(b))
            bytes.push_back(b);
        return bytes;
    }

private:
    FourWireTarget& target_;
    std::uint8_t reg_ = 0;
};

class FourWireTargetTest : public ::testing::Test {
protected:
    FakeClock clock;
    FourWireTarget target{clock};
    BitDriver pc{target};
};

using Bytes = std::vector<std::uint8_t>;

}  // namespace

TEST_F(FourWireTargetTest, AnIdleTargetHoldsBothLinesLow)
{
    EXPECT_EQ(target.ReadStatusRegister(), 0x40);
}

TEST_F(FourWireTargetTest, StartUpRaisesBothLinesThenLowersDataThenClock)
{
    pc.Set(0, true);
    pc.Set(1, true);
    EXPECT_EQ(target.ReadStatusRegister(), 0x80);  // both inputs true
    clock.Advance(1000);
    pc.Set(0, false);
    EXPECT_EQ(target.ReadStatusRegister(), 0x00);  // data low, clock still raised
    pc.Set(1, false);
    EXPECT_EQ(target.ReadStatusRegister(), 0x40);
    EXPECT_EQ(target.startUps(), 1);
}

TEST_F(FourWireTargetTest, DropInput1EarlyLowersTheClockWhileDataStaysHigh)
{
    target.InjectFault({FourWireFaultKind::DropInput1Early});
    pc.Set(0, true);
    pc.Set(1, true);
    clock.Advance(FourWireTarget::kStartUpHoldMs);
    pc.Set(0, false);
    EXPECT_EQ(target.ReadStatusRegister(), 0xC0);  // input 0 true, input 1 false
    pc.Set(1, false);
    EXPECT_EQ(target.ReadStatusRegister(), 0x40);
    EXPECT_EQ(target.startUps(), 0);
}

TEST_F(FourWireTargetTest, AHoldDropLowersItsLineForItsTimeAndTheHoldCountsAfresh)
{
    target.SetHoldDrop({FourWireTarget::Line::Clock, 50});
    pc.Set(0, true);
    pc.Set(1, true);
    clock.Advance(FourWireTarget::kHoldDropAfterMs - 1);
    EXPECT_EQ(target.ReadStatusRegister(), 0x80);
    clock.Advance(1);
    EXPECT_EQ(target.ReadStatusRegister(), 0xC0);  // data high, clock low
    clock.Advance(49);
    EXPECT_EQ(target.ReadStatusRegister(), 0xC0);
    clock.Advance(1);
    EXPECT_EQ(target.ReadStatusRegister(), 0x80);

    // A second after the attention is not a second of unbroken hold.
    clock.Advance(FourWireTarget::kStartUpHoldMs - 1);
    pc.Set(0, false);
    EXPECT_EQ(target.ReadStatusRegister(), 0x80);
    pc.Set(0, true);
    clock.Advance(1);
    pc.Set(0, false);
    EXPECT_EQ(target.ReadStatusRegister(), 0x00);
    pc.Set(1, false);
    EXPECT_EQ(target.startUps(), 1);

    target.SetHoldDrop({FourWireTarget::Line::Data, 10});
    clock.Advance(FourWireTarget::kResyncGapMs + 1);
    pc.Set(0, true);
    pc.Set(1, true);
    clock.Advance(FourWireTarget::kHoldDropAfterMs);
    EXPECT_EQ(target.ReadStatusRegister(), 0x00);  // data low, clock high
}

TEST_F(FourWireTargetTest, AnAnswerDelayShowsEachAnswerLateAndMissesWhatThePcTakesBackMeanwhile)
{
    target.SetAnswerDelayMs(5);
    pc.Set(1, true);  // bit 0 of a command byte
    clock.Advance(4);
    EXPECT_FALSE(pc.Clock());
    clock.Advance(1);
    EXPECT_TRUE(pc.Clock());
    pc.Set(1, false);
    pc.Set(1, true);  // a second pulse before the answer to the fall: unseen
    pc.Set(1, false);
    clock.Advance(5);
    EXPECT_FALSE(pc.Clock());
    for (int bit = 6; bit >= 0; --bit) {
        pc.Set(0, bit == 0);
        pc.Set(1, true);
        clock.Advance(5);
        pc.Set(1, false);
        clock.Advance(5);
    }
    pc.Set(0, false);
    EXPECT_EQ(target.requests(), (std::vector<Bytes>{{0x01}}));  // eight bits, not nine

    // The reply's first bit comes a delay after the PC has seen the clock low.
    EXPECT_FALSE(pc.Clock());
    clock.Advance(4);
    EXPECT_FALSE(pc.Clock());
    clock.Advance(1);
    EXPECT_TRUE(pc.Clock());
}

TEST_F(FourWireTargetTest, ATargetThatNeverPowersUpAnswersNothing)
{
    target.InjectFault({FourWireFaultKind::NeverPowerUp, 0});
    pc.Set(0, true);
    pc.Set(1, true);
    EXPECT_EQ(target.ReadStatusRegister(), 0x40);
    pc.Set(0, false);
    pc.Set(1, false);
    EXPECT_FALSE(pc.Send(0x01));
}

TEST_F(FourWireTargetTest, CommandOneAnswersVersionAndStatus)
{
    ASSERT_TRUE(pc.Send(0x01));
    EXPECT_EQ(pc.ReceiveN(3), (Bytes{0x01, 0x02, 0xF1}));
    EXPECT_EQ(target.requests(), (std::vector<Bytes>{{0x01}}));
    EXPECT_EQ(target.ReadStatusRegister(), 0x40);
}

TEST_F(FourWireTargetTest, TheFirstReplyBitWaitsForOneReadWithTheClockLow)
{
    ASSERT_TRUE(pc.Send(0x01));
    EXPECT_FALSE(pc.Clock());
    EXPECT_TRUE(pc.Clock());
    EXPECT_FALSE(pc.Data());  // bit 7 of the version's high byte
}

TEST_F(FourWireTargetTest, DataWordsWrittenByCommandThreeReadBackByCommandSix)
{
    ASSERT_TRUE(pc.SendAll({0x03, 0x00, 0x20, 0x00, 0x02, 0x12, 0x34, 0xFF, 0xFF}));
    EXPECT_EQ(pc.ReceiveN(2), (Bytes{0x12, 0x33}));  // 0x1234 + 0xFFFF modulo 65536
    EXPECT_EQ(target.DataWord(0x20), 0x1234);
    EXPECT_EQ(target.DataWord(0x21), 0xFFFF);

    ASSERT_TRUE(pc.SendAll({0x06, 0x00, 0x20, 0x00, 0x02}));
    EXPECT_EQ(pc.ReceiveN(6), (Bytes{0x12, 0x34, 0xFF, 0xFF, 0x12, 0x33}));
}

TEST_F(FourWireTargetTest, ProgramWordsTravelAsHighByteAndLowWord)
{
    ASSERT_TRUE(pc.SendAll({0x04, 0x00, 0x00, 0x00, 0x02, 0xAB, 0xCD, 0xEF, 0x01, 0x00, 0x02}));
    EXPECT_EQ(pc.ReceiveN(2), (Bytes{0xCE, 0x9D}));  // 0xAB + 0xCDEF + 0x01 + 0x0002
    EXPECT_EQ(target.ProgramWord(0), 0xABCDEFu);
    EXPECT_EQ(target.ProgramWord(1), 0x010002u);

    // Command 7 carries twice the word count.
    ASSERT_TRUE(pc.SendAll({0x07, 0x00, 0x00, 0x00, 0x04}));
    EXPECT_EQ(pc.ReceiveN(8), (Bytes{0xAB, 0xCD, 0xEF, 0x01, 0x00, 0x02, 0xCE, 0x9D}));
}

TEST_F(FourWireTargetTest, FlashBlocksAreWrittenAtTheirByteAddressAndErasedBytesReadFF)
{
    Bytes request{0x05, 0x01, 0x23, 0x45};
    for (int i = 0; i < 256; ++i)
        request.push_back(static_cast<std::uint8_t>(i));
    ASSERT_TRUE(pc.SendAll(request));
    EXPECT_EQ(pc.ReceiveN(2), (Bytes{0x7F, 0x80}));  // 0 + 1 + ... + 255
    EXPECT_EQ(target.FlashByte(0x12345), 0x00);
    EXPECT_EQ(target.FlashByte(0x12444), 0xFF);  // the last byte written, 255
    EXPECT_EQ(target.FlashByte(0x12445), 0xFF);  // erased
    EXPECT_EQ(target.FlashByte(0x12344), 0xFF);

    ASSERT_TRUE(pc.SendAll({0x08, 0x01, 0x23, 0x45}));
    const Bytes reply = pc.ReceiveN(258);
    ASSERT_EQ(reply.size(), 258u);
    EXPECT_EQ(reply[0], 0x00);
    EXPECT_EQ(reply[255], 0xFF);
    EXPECT_EQ(reply[256], 0x7F);
    EXPECT_EQ(reply[257], 0x80);
}

TEST_F(FourWireTargetTest, ABadCheckSumIsOneAboveTheRightOneAndUsedUp)
{
    target.InjectFault({FourWireFaultKind::BadCheckSum});
    target.SetDataWord(5, 0x0102);
    ASSERT_TRUE(pc.SendAll({0x06, 0x00, 0x05, 0x00, 0x01}));
    EXPECT_EQ(pc.ReceiveN(4), (Bytes{0x01, 0x02, 0x01, 0x03}));
    ASSERT_TRUE(pc.SendAll({0x06, 0x00, 0x05, 0x00, 0x01}));
    EXPECT_EQ(pc.ReceiveN(4), (Bytes{0x01, 0x02, 0x01, 0x02}));
}

TEST_F(FourWireTargetTest, AWrongStatusAnswersF0UntilCleared)
{
    target.InjectFault({FourWireFaultKind::WrongStatus, 0});
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(pc.Send(0x01));
        EXPECT_EQ(pc.ReceiveN(3), (Bytes{0x01, 0x02, 0xF0}));
    }
    target.ClearFaults();
    ASSERT_TRUE(pc.Send(0x01));
    EXPECT_EQ(pc.ReceiveN(3), (Bytes{0x01, 0x02, 0xF1}));
}

TEST_F(FourWireTargetTest, AStallStopsTheClockAfterFourBitsUntilAResyncGap)
{
    target.InjectFault({FourWireFaultKind::StallMidByte, 1, 1});  // the second byte stalls
    ASSERT_TRUE(pc.Send(0x06));
    EXPECT_FALSE(pc.Send(0x00));
    EXPECT_TRUE(target.requests().empty());

    // Still stalled without a pause; after one the target starts afresh.
    pc.Set(1, false);
    EXPECT_FALSE(pc.Clock());
    clock.Advance(FourWireTarget::kResyncGapMs + 1);
    target.SetDataWord(0, 0xBEEF);
    ASSERT_TRUE(pc.SendAll({0x06, 0x00, 0x00, 0x00, 0x01}));
    EXPECT_EQ(pc.ReceiveN(4), (Bytes{0xBE, 0xEF, 0xBE, 0xEF}));
}

TEST_F(FourWireTargetTest, AStallInAReplyLeavesTheClockLow)
{
    target.InjectFault({FourWireFaultKind::StallMidByte, 1, 1});
    ASSERT_TRUE(pc.Send(0x01));          // byte 0 goes through
    EXPECT_EQ(pc.ReceiveN(3), Bytes{});  // the version's first byte stalls
    EXPECT_FALSE(pc.Clock());
}

TEST_F(FourWireTargetTest, UnknownCommandsAreDropped)
{
    ASSERT_TRUE(pc.Send(0x02));
    EXPECT_TRUE(target.requests().empty());
    ASSERT_TRUE(pc.Send(0x01));
    EXPECT_EQ(pc.ReceiveN(3), (Bytes{0x01, 0x02, 0xF1}));
}

TEST_F(FourWireTargetTest, ThePortCountsRegisterAccesses)
{
    FourWireTargetPort port(target);
    std::uint8_t status = 0;
    EXPECT_TRUE(port.WriteData(0x01));
    EXPECT_TRUE(port.ReadStatus(status));
    EXPECT_TRUE(port.ReadStatus(status));
    EXPECT_EQ(port.writes(), 1u);
    EXPECT_EQ(port.reads(), 2u);
}
