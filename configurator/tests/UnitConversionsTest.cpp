#include "configurator/UnitConversions.h"

#include <gtest/gtest.h>

#include <climits>
#include <utility>

TEST(UnitConversionsTest, RelayNumberIgnoresTheFirstCharacter)
{
    const std::pair<const char*, int> cases[] = {
        {"R01", 1},
        {"R1", 1},
        {"R02", 2},
        {"X7", 7},
        {"7", 0},
        {"", 0},
        {"R  12x", 12},
        {"Rab", 0},
        {"R300", 300},
        {"R99999999999999", INT_MAX},
    };
    for (const auto& [text, number] : cases)
        EXPECT_EQ(UnitConversions::RelayNumber(text), number) << text;
}

TEST(UnitConversionsTest, RelayTextHasTwoDigitsAndEmptyForZero)
{
    EXPECT_EQ(UnitConversions::RelayText(0), "");
    EXPECT_EQ(UnitConversions::RelayText(5), "R05");
    EXPECT_EQ(UnitConversions::RelayText(1), "R01");
    EXPECT_EQ(UnitConversions::RelayText(42), "R42");
    EXPECT_EQ(UnitConversions::RelayText(99), "R99");
    // Beyond two digits the number is kept whole so that it reads back the same.
    EXPECT_EQ(UnitConversions::RelayText(255), "R255");
    EXPECT_EQ(UnitConversions::RelayNumber(UnitConversions::RelayText(255)), 255);
}

TEST(UnitConversionsTest, GroupTextOfValueZeroBecomesOne)
{
    const std::pair<const char*, int> cases[] = {{"0", 1}, {"abc", 1}, {"", 1}, {"3", 3}, {"9", 9}};
    for (const auto& [text, group] : cases)
        EXPECT_EQ(UnitConversions::RelayGroup(text), group) << text;
    EXPECT_EQ(UnitConversions::RelayGroupText(1), "1");
    EXPECT_EQ(UnitConversions::RelayGroupText(12), "12");
}

TEST(UnitConversionsTest, LeadingIntegerReadsLikeAtoi)
{
    EXPECT_EQ(UnitConversions::LeadingInteger("2175"), 2175);
    EXPECT_EQ(UnitConversions::LeadingInteger("  -40dB"), -40);
    EXPECT_EQ(UnitConversions::LeadingInteger("+7"), 7);
    EXPECT_EQ(UnitConversions::LeadingInteger("abc"), 0);
    EXPECT_EQ(UnitConversions::LeadingInteger(""), 0);
    EXPECT_EQ(UnitConversions::LeadingInteger("-99999999999"), INT_MIN);
    EXPECT_EQ(UnitConversions::PttFrequencyValue("2970"), 2970);
    EXPECT_EQ(UnitConversions::PttFrequencyValue("none"), 0);
}

TEST(UnitConversionsTest, MinutesTravelAsSecondsAndComeBackTruncated)
{
    EXPECT_EQ(UnitConversions::MinutesToSeconds(180), 10800);
    EXPECT_EQ(UnitConversions::SecondsToMinutes(10800), 180);
    EXPECT_EQ(UnitConversions::SecondsToMinutes(119), 1);
    EXPECT_EQ(UnitConversions::SecondsToMinutes(-1), 0);
}

TEST(UnitConversionsTest, MorseFrequencyTruncatesOnTheWayOutAndRoundsOnTheWayBack)
{
    EXPECT_EQ(UnitConversions::MorseFreqToWire(1200), 9830);
    EXPECT_EQ(UnitConversions::MorseFreqToWire(400), 3276);
    EXPECT_EQ(UnitConversions::MorseFreqToWire(1000), 8192);
    EXPECT_EQ(UnitConversions::MorseFreqToWire(401), 3284);
    EXPECT_EQ(UnitConversions::MorseFreqFromWire(9830), 1200);
    EXPECT_EQ(UnitConversions::MorseFreqFromWire(3276), 400);
    EXPECT_EQ(UnitConversions::MorseFreqFromWire(3284), 401);
    EXPECT_EQ(UnitConversions::MorseFreqFromWire(-1), 0);
}

TEST(UnitConversionsTest, EveryMorseFrequencySurvivesTheRoundTrip)
{
    for (int hz = -100; hz <= 4000; ++hz)
        ASSERT_EQ(UnitConversions::MorseFreqFromWire(UnitConversions::MorseFreqToWire(hz)), hz);
}
