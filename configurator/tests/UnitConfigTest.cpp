#include "configurator/UnitConfig.h"

#include <gtest/gtest.h>

TEST(UnitConfigTest, FreshRecordHoldsEveryDefault)
{
    const UnitConfig c;
    EXPECT_EQ(c.toneMode, 0);
    EXPECT_EQ(c.monRelayMode, 0);
    EXPECT_EQ(c.monRelayTimeMs, 0);
    EXPECT_EQ(c.ctcssToneMode, 0);
    EXPECT_EQ(c.pttAuxRelay, 0);
    EXPECT_EQ(c.repeaterMode, 0);
    EXPECT_EQ(c.revertToR1, 0);
    EXPECT_EQ(c.halfDuplex, 0);
    EXPECT_EQ(c.pttFrequency, "2175");
    EXPECT_EQ(c.fullTimeTxAudio, 0);
    EXPECT_EQ(c.pttToneOnly, 0);
    EXPECT_EQ(c.errorBeeps, 1);
    EXPECT_EQ(c.audioLoopback, 0);
    EXPECT_EQ(c.dtmfDecoderDisable, 0);
    EXPECT_EQ(c.sidetoneGain, 0);
    EXPECT_EQ(c.radioTxGain, 0);
    EXPECT_EQ(c.lineTxGain, 0);
    EXPECT_EQ(c.ctcssGain, 0);
    EXPECT_EQ(c.morseAutoMode, 1);
    EXPECT_EQ(c.morseIntervalMin, 0);
    EXPECT_EQ(c.morseFreqHz, 1200);
    EXPECT_EQ(c.morseGain, -10);
    EXPECT_EQ(c.morseText, "");
    EXPECT_EQ(c.txAgc, 0);
    EXPECT_EQ(c.txAddCtcss, 0);
    EXPECT_EQ(c.txPreEmphasis, 0);
    EXPECT_EQ(c.txLowPass, 0);
    EXPECT_EQ(c.voxTriggerLevel, -10);
    EXPECT_EQ(c.voxTimeoutSec, 120);
    EXPECT_EQ(c.callTimeoutMin, 0);
    EXPECT_EQ(c.alwaysSendHoldTone, 0);
    EXPECT_EQ(c.phoneInstalled, 0);
    EXPECT_EQ(c.dig5ToneEnable, 0);
    EXPECT_EQ(c.dig5ActiveHigh, 1);
    EXPECT_EQ(c.dig5R1, 0);
    EXPECT_EQ(c.dig5R2, 0);
    EXPECT_EQ(c.dig5ToneFreq, 2175);
    EXPECT_EQ(c.dig5ToneLevel, -20);
    EXPECT_EQ(c.dig5ToneOnMs, 0);
    EXPECT_EQ(c.dig5ToneOffMs, 0);
    EXPECT_EQ(c.dig4CorEnable, 0);
    EXPECT_EQ(c.dig4ActiveHigh, 0);
    EXPECT_EQ(c.dig4R1, 0);
    EXPECT_EQ(c.dig4R2, 0);
    EXPECT_EQ(c.dig4RxMute, 0);
    EXPECT_EQ(c.dig4RevertToF1, 0);
    EXPECT_EQ(c.dig4RevertSec, 0);
}

TEST(UnitConfigTest, RowsDefaultToActiveWithoutRelayAndOutputsCountingModulo64)
{
    const UnitConfig c;
    ASSERT_EQ(c.toneTable.size(), 100u);
    for (std::size_t i = 0; i < c.toneTable.size(); ++i) {
        const FunctionToneEntry& row = c.toneTable[i];
        EXPECT_EQ(row.toneActive, 1) << i;
        EXPECT_EQ(row.relayName, "") << i;
        EXPECT_EQ(row.relayGroup, 1) << i;
        EXPECT_EQ(row.relayDurationMs, 0) << i;
        EXPECT_EQ(row.ctcssTone, 0) << i;
        EXPECT_EQ(row.useDefaultCtcss, 0) << i;
    }
    EXPECT_EQ(c.toneTable[0].digitalOutput, 0);
    EXPECT_EQ(c.toneTable[63].digitalOutput, 63);
    EXPECT_EQ(c.toneTable[64].digitalOutput, 0);
    EXPECT_EQ(c.toneTable[99].digitalOutput, 35);
}

TEST(UnitConfigTest, ResetToDefaultsUndoesEveryChange)
{
    UnitConfig c;
    c.toneMode = 1;
    c.pttFrequency = "2970";
    c.morseText = "CQ";
    c.callTimeoutMin = 30;
    c.toneTable[7].relayName = "R02";
    c.toneTable[7].digitalOutput = 64;
    c.ResetToDefaults();
    EXPECT_EQ(c, UnitConfig{});
}

TEST(UnitConfigTest, ShareRelaySettingsCopiesGroupAndDurationToRowsOfTheSameRelay)
{
    UnitConfig c;
    c.toneTable[3].relayName = "R01";
    c.toneTable[3].relayGroup = 2;
    c.toneTable[3].relayDurationMs = 500;
    c.toneTable[50].relayName = "R01";
    c.toneTable[97].relayName = "R01";
    c.toneTable[60].relayName = "r01";  // another text: another relay
    c.toneTable[61].relayName = "R02";

    EXPECT_TRUE(c.ShareRelaySettings(3));
    for (std::size_t row : {50u, 97u}) {
        EXPECT_EQ(c.toneTable[row].relayGroup, 2) << row;
        EXPECT_EQ(c.toneTable[row].relayDurationMs, 500) << row;
    }
    for (std::size_t row : {0u, 60u, 61u}) {
        EXPECT_EQ(c.toneTable[row].relayGroup, 1) << row;
        EXPECT_EQ(c.toneTable[row].relayDurationMs, 0) << row;
    }
    EXPECT_FALSE(c.ShareRelaySettings(3));  // nothing left to change
}

TEST(UnitConfigTest, ShareRelaySettingsIgnoresRowsWithoutRelayAndRowsOutOfRange)
{
    UnitConfig c;
    c.toneTable[1].relayGroup = 3;
    EXPECT_FALSE(c.ShareRelaySettings(1));
    EXPECT_EQ(c.toneTable[2].relayGroup, 1);
    EXPECT_FALSE(c.ShareRelaySettings(100));
}
