#include "configurator/ConfigStream.h"

#include "configurator/tests/SampleConfigs.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>

namespace {

int WordAt(const ConfigStream::Bytes& s, std::size_t offset)
{
    return (s[offset] << 8) | s[offset + 1];
}

int Checksum(const ConfigStream::Bytes& s)
{
    return WordAt(s, ConfigStream::kChecksumOffset);
}

constexpr std::size_t kPttFrequencyOffset = 820;
constexpr std::size_t kSidetoneGainOffset = 812;
constexpr std::size_t kMorseFreqOffset = 846;
constexpr std::size_t kMorseIntervalOffset = 844;
constexpr std::size_t kCallTimeoutOffset = 866;
constexpr std::size_t kMorseTextOffset = 888;

std::size_t RowOffset(std::size_t row)
{
    return ConfigStream::kHeaderBytes + row * ConfigStream::kRowBytes;
}

}  // namespace

TEST(ConfigStreamTest, DefaultsGiveTheKnownChecksum)
{
    const ConfigStream::Bytes s = ConfigStream::Encode(UnitConfig{});
    EXPECT_EQ(s.size(), 940u);
    EXPECT_EQ(Checksum(s), 0x42D5);
    EXPECT_EQ(Checksum(s), 17109);
    // The text is all zero bytes.
    for (std::size_t i = kMorseTextOffset; i < ConfigStream::kChecksumOffset; ++i)
        EXPECT_EQ(s[i], 0) << i;
}

TEST(ConfigStreamTest, DefaultsLayOutHeaderRowsAndWordsInTheUnitsOrder)
{
    const ConfigStream::Bytes s = ConfigStream::Encode(UnitConfig{});
    for (std::size_t i = 0; i < ConfigStream::kHeaderBytes; ++i)
        EXPECT_EQ(s[i], 0) << i;
    // Row 70: duration 0, relay 0, active 1, group 1, digital output 6, CTCSS 0, default 0.
    const std::size_t r = RowOffset(70);
    EXPECT_EQ(WordAt(s, r), 0);
    EXPECT_EQ(s[r + 2], 0);
    EXPECT_EQ(s[r + 3], 1);
    EXPECT_EQ(s[r + 4], 1);
    EXPECT_EQ(s[r + 5], 6);
    EXPECT_EQ(s[r + 6], 0);
    EXPECT_EQ(s[r + 7], 0);
    EXPECT_EQ(WordAt(s, kPttFrequencyOffset), 0x087F);
    EXPECT_EQ(WordAt(s, 828), 1);       // dig5ActiveHigh
    EXPECT_EQ(WordAt(s, 830), 0xFFEC);  // dig5ToneLevel -20
    EXPECT_EQ(WordAt(s, 832), 2175);    // dig5ToneFreq
    EXPECT_EQ(WordAt(s, 842), 1);       // morseAutoMode
    EXPECT_EQ(WordAt(s, kMorseFreqOffset), 9830);
    EXPECT_EQ(WordAt(s, 848), 0xFFF6);  // morseGain -10
    EXPECT_EQ(WordAt(s, 860), 0xFFF6);  // voxTriggerLevel -10
    EXPECT_EQ(WordAt(s, 864), 120);     // voxTimeoutSec
    EXPECT_EQ(WordAt(s, 886), 1);       // errorBeeps
}

TEST(ConfigStreamTest, WordsTravelHighByteFirstAsSixteenBitComplement)
{
    UnitConfig c;
    c.sidetoneGain = -40;
    c.monRelayTimeMs = 60000;
    c.morseIntervalMin = 3;
    c.callTimeoutMin = 180;
    const ConfigStream::Bytes s = ConfigStream::Encode(c);
    EXPECT_EQ(s[kSidetoneGainOffset], 0xFF);
    EXPECT_EQ(s[kSidetoneGainOffset + 1], 0xD8);
    EXPECT_EQ(s[2], 0xEA);
    EXPECT_EQ(s[3], 0x60);
    EXPECT_EQ(WordAt(s, kMorseIntervalOffset), 180);
    EXPECT_EQ(WordAt(s, kCallTimeoutOffset), 10800);
}

TEST(ConfigStreamTest, MorseTextAddsItsCodesAndIsPaddedWithZeros)
{
    UnitConfig c;
    c.morseText = "ABC";
    const ConfigStream::Bytes s = ConfigStream::Encode(c);
    EXPECT_EQ(s[kMorseTextOffset], 'A');
    EXPECT_EQ(s[kMorseTextOffset + 1], 'B');
    EXPECT_EQ(s[kMorseTextOffset + 2], 'C');
    for (std::size_t i = kMorseTextOffset + 3; i < ConfigStream::kChecksumOffset; ++i)
        EXPECT_EQ(s[i], 0) << i;
    EXPECT_EQ(Checksum(s), 17109 + 65 + 66 + 67);
}

TEST(ConfigStreamTest, MorseCharactersAbove127CountNegative)
{
    UnitConfig c;
    c.morseText = "\xC9";
    const ConfigStream::Bytes s = ConfigStream::Encode(c);
    EXPECT_EQ(s[kMorseTextOffset], 0xC9);
    EXPECT_EQ(Checksum(s), 17109 - 55);
    UnitConfig back;
    ASSERT_TRUE(ConfigStream::Decode(s, back));
    EXPECT_EQ(back.morseText, "\xC9");
}

TEST(ConfigStreamTest, FiftyCharacterTextFillsTheFieldAndLongerTextIsCut)
{
    UnitConfig c;
    c.morseText = std::string(50, 'E');
    ConfigStream::Bytes s = ConfigStream::Encode(c);
    EXPECT_EQ(Checksum(s), (17109 + 50 * 'E') & 0xFFFF);
    UnitConfig back;
    ASSERT_TRUE(ConfigStream::Decode(s, back));
    EXPECT_EQ(back.morseText, std::string(50, 'E'));

    c.morseText = std::string(60, 'E');
    s = ConfigStream::Encode(c);
    EXPECT_EQ(Checksum(s), (17109 + 50 * 'E') & 0xFFFF);
    ASSERT_TRUE(ConfigStream::Decode(s, back));
    EXPECT_EQ(back.morseText, std::string(50, 'E'));
}

TEST(ConfigStreamTest, ValuesBeyondAByteAreSummedAsTheyAreSent)
{
    UnitConfig c;
    c.toneTable[5].relayName = "R300";  // 300 goes out as 44
    c.toneTable[6].digitalOutput = -1;  // goes out as 255
    const ConfigStream::Bytes s = ConfigStream::Encode(c);
    EXPECT_EQ(s[RowOffset(5) + 2], 44);
    EXPECT_EQ(s[RowOffset(6) + 5], 255);
    EXPECT_EQ(Checksum(s), 17109 + 44 + (255 - 6));
    UnitConfig back;
    ASSERT_TRUE(ConfigStream::Decode(s, back));
    EXPECT_EQ(back.toneTable[5].relayName, "R44");
    EXPECT_EQ(back.toneTable[6].digitalOutput, 255);
}

TEST(ConfigStreamTest, WordsBeyondSixteenBitsAreSummedAsTheyAreSent)
{
    UnitConfig c;
    c.voxTimeoutSec = 70000;  // 70000 goes out as 4464
    const ConfigStream::Bytes s = ConfigStream::Encode(c);
    EXPECT_EQ(WordAt(s, 864), 4464);
    UnitConfig back;
    ASSERT_TRUE(ConfigStream::Decode(s, back));
    EXPECT_EQ(back.voxTimeoutSec, 4464);
}

TEST(ConfigStreamTest, DefaultsDecodeToDefaults)
{
    UnitConfig back = BusyConfig();
    ASSERT_TRUE(ConfigStream::Decode(ConfigStream::Encode(UnitConfig{}), back));
    EXPECT_EQ(back, UnitConfig{});
}

TEST(ConfigStreamTest, EveryFieldSurvivesTheRoundTrip)
{
    const UnitConfig sent = BusyConfig();
    UnitConfig back;
    ASSERT_TRUE(ConfigStream::Decode(ConfigStream::Encode(sent), back));
    EXPECT_EQ(back, sent);
}

TEST(ConfigStreamTest, WideFieldsComeBackUnsigned)
{
    UnitConfig c;
    c.monRelayTimeMs = 60000;
    c.dig5ToneOnMs = 65000;
    c.dig5ToneOffMs = 65535;
    UnitConfig back;
    ASSERT_TRUE(ConfigStream::Decode(ConfigStream::Encode(c), back));
    EXPECT_EQ(back.monRelayTimeMs, 60000);
    EXPECT_EQ(back.dig5ToneOnMs, 65000);
    EXPECT_EQ(back.dig5ToneOffMs, 65535);
}

TEST(ConfigStreamTest, GainsAndLevelsComeBackSigned)
{
    UnitConfig c;
    c.sidetoneGain = -40;
    c.dig5ToneLevel = -1;
    UnitConfig back;
    ASSERT_TRUE(ConfigStream::Decode(ConfigStream::Encode(c), back));
    EXPECT_EQ(back.sidetoneGain, -40);
    EXPECT_EQ(back.dig5ToneLevel, -1);
}

TEST(ConfigStreamTest, MorseFrequencyOfTheDialogLimitsSurvives)
{
    for (int hz : {400, 1200, 2000}) {
        UnitConfig c;
        c.morseFreqHz = hz;
        const ConfigStream::Bytes s = ConfigStream::Encode(c);
        UnitConfig back;
        ASSERT_TRUE(ConfigStream::Decode(s, back));
        EXPECT_EQ(back.morseFreqHz, hz);
    }
    UnitConfig c;
    c.morseFreqHz = 400;
    EXPECT_EQ(WordAt(ConfigStream::Encode(c), kMorseFreqOffset), 3276);
}

TEST(ConfigStreamTest, TextEndsAtTheFirstZeroByte)
{
    ConfigStream::Bytes s = ConfigStream::Encode(UnitConfig{});
    s[kMorseTextOffset] = 'S';
    s[kMorseTextOffset + 1] = 'O';
    s[kMorseTextOffset + 3] = 'X';  // after the zero byte: summed, not part of the text
    const int sum = 17109 + 'S' + 'O' + 'X';
    s[ConfigStream::kChecksumOffset] = static_cast<std::uint8_t>(sum >> 8);
    s[ConfigStream::kChecksumOffset + 1] = static_cast<std::uint8_t>(sum & 0xFF);
    UnitConfig back;
    ASSERT_TRUE(ConfigStream::Decode(s, back));
    EXPECT_EQ(back.morseText, "SO");
}

TEST(ConfigStreamTest, ReceivedRelayNumbersBecomeRelayTexts)
{
    ConfigStream::Bytes s = ConfigStream::Encode(UnitConfig{});
    s[RowOffset(2) + 2] = 5;
    s[ConfigStream::kChecksumOffset + 1] = static_cast<std::uint8_t>(s[ConfigStream::kChecksumOffset + 1] + 5);
    UnitConfig back;
    ASSERT_TRUE(ConfigStream::Decode(s, back));
    EXPECT_EQ(back.toneTable[2].relayName, "R05");
    EXPECT_EQ(back.toneTable[3].relayName, "");
}

TEST(ConfigStreamTest, ChecksumMismatchLeavesTheRecordAsItWas)
{
    ConfigStream::Bytes s = ConfigStream::Encode(BusyConfig());
    s[kPttFrequencyOffset + 1] ^= 0x01;
    UnitConfig c;
    c.morseText = "KEEP";
    const UnitConfig before = c;
    EXPECT_FALSE(ConfigStream::Decode(s, c));
    EXPECT_EQ(c, before);
}
