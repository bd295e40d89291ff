#include "configurator/ConfigFile.h"

#include "configurator/tests/SampleConfigs.h"
#include "platform/PtyPair.h"
#include "platform/tests/ScopedConfigHome.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <sys/stat.h>
#include <vector>

namespace {

class ConfigFileTest : public ::testing::Test {
protected:
    std::string PathOf(const std::string& name) const { return folder_.path() + "/" + name; }

    std::string Slurp(const std::string& path) const
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    std::string Store(const std::string& name, const std::string& text) const
    {
        const std::string path = PathOf(name);
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    static std::vector<std::string> Lines(const std::string& text)
    {
        std::vector<std::string> lines;
        std::size_t start = 0;
        for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
            lines.push_back(text.substr(start, end - start));
        EXPECT_EQ(start, text.size()) << "text after the last CR LF";
        return lines;
    }

    static std::string Replace(std::string text, const std::string& from, const std::string& to)
    {
        for (std::size_t p = 0; (p = text.find(from, p)) != std::string::npos; p += to.size())
            text.replace(p, from.size(), to);
        return text;
    }

    ScopedConfigHome folder_;
};

}  // namespace

TEST_F(ConfigFileTest, DefaultsSaveAsTheKnown208Lines)
{
    const std::string path = PathOf("defaults.Q47");
    ASSERT_TRUE(WriteConfigFile(UnitConfig{}, path));
    const std::vector<std::string> lines = Lines(Slurp(path));
    ASSERT_EQ(lines.size(), 208u);
    EXPECT_EQ(lines[0], "0  0  0  0  0  0  0");
    EXPECT_EQ(lines[1], "0  0  0  0  0");
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(lines[2 + 2 * i], "none") << i;
        EXPECT_EQ(lines[3 + 2 * i], "1 1 0 " + std::to_string(i % 64) + " 0 0") << i;
    }
    EXPECT_EQ(lines[202], "0  1  -20  0  0  0  0  2175  0  0");
    EXPECT_EQ(lines[203], "1  0  -10  1200");
    EXPECT_EQ(lines[204], "0  0  0  0  0");
    EXPECT_EQ(lines[205], "-10  0  120  0  0  0");
    EXPECT_EQ(lines[206], "0  0  0  0  0  0  0  1  2175");
    EXPECT_EQ(lines[207], "");
}

TEST_F(ConfigFileTest, EveryFieldSurvivesSaveAndLoad)
{
    const std::string path = PathOf("busy.Q47");
    ASSERT_TRUE(WriteConfigFile(BusyConfig(), path));
    UnitConfig back;
    ASSERT_TRUE(ReadConfigFile(back, path));
    EXPECT_EQ(back, BusyConfig());
}

TEST_F(ConfigFileTest, FieldsGoOnTheirLinesInTheFilesOwnOrder)
{
    UnitConfig c;
    c.toneMode = 1;
    c.repeaterMode = 2;
    c.revertToR1 = 3;
    c.monRelayMode = 4;
    c.monRelayTimeMs = 5;
    c.ctcssToneMode = 6;
    c.pttAuxRelay = 7;
    c.toneTable[99] = {0, "R02", 3, 250, 64, 12, 1};
    c.pttFrequency = "2600";
    c.morseText = "CQ CQ";
    const std::string path = PathOf("order.Q47");
    ASSERT_TRUE(WriteConfigFile(c, path));
    const std::vector<std::string> lines = Lines(Slurp(path));
    ASSERT_EQ(lines.size(), 208u);
    EXPECT_EQ(lines[0], "1  2  3  4  5  6  7");
    EXPECT_EQ(lines[200], "R02");
    EXPECT_EQ(lines[201], "0 3 250 64 12 1");
    EXPECT_EQ(lines[206], "0  0  0  0  0  0  0  1  2600");
    EXPECT_EQ(lines[207], "CQ CQ");
}

TEST_F(ConfigFileTest, RelayR01AndNoneRoundTrip)
{
    UnitConfig c;
    c.toneTable[0].relayName = "R01";
    const std::string path = PathOf("relay.Q47");
    ASSERT_TRUE(WriteConfigFile(c, path));
    const std::vector<std::string> lines = Lines(Slurp(path));
    EXPECT_EQ(lines[2], "R01");
    EXPECT_EQ(lines[4], "none");
    UnitConfig back;
    back.toneTable[1].relayName = "R02";
    ASSERT_TRUE(ReadConfigFile(back, path));
    EXPECT_EQ(back.toneTable[0].relayName, "R01");
    EXPECT_EQ(back.toneTable[1].relayName, "");
}

TEST_F(ConfigFileTest, FiftyCharacterMorseTextRoundTrips)
{
    UnitConfig c;
    c.morseText = "THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG 012345";
    ASSERT_EQ(c.morseText.size(), 50u);
    const std::string path = PathOf("morse.Q47");
    ASSERT_TRUE(WriteConfigFile(c, path));
    UnitConfig back;
    ASSERT_TRUE(ReadConfigFile(back, path));
    EXPECT_EQ(back.morseText, c.morseText);
}

TEST_F(ConfigFileTest, MorseLineIsCutAtFiftyCharacters)
{
    UnitConfig c;
    c.morseText = std::string(50, 'A') + "BBBB";
    const std::string path = PathOf("long.Q47");
    ASSERT_TRUE(WriteConfigFile(c, path));
    UnitConfig back;
    ASSERT_TRUE(ReadConfigFile(back, path));
    EXPECT_EQ(back.morseText, std::string(50, 'A'));
}

TEST_F(ConfigFileTest, BareLineFeedsAndSingleBlanksReadTheSame)
{
    const std::string written = PathOf("busy.Q47");
    ASSERT_TRUE(WriteConfigFile(BusyConfig(), written));
    std::string text = Slurp(written);
    text = Replace(text, "\r\n", "\n");
    text = Replace(text, "  ", " ");
    ASSERT_EQ(text.find("  "), std::string::npos);
    ASSERT_EQ(text.find('\r'), std::string::npos);
    const std::string plain = Store("plain.Q47", text);
    UnitConfig back;
    ASSERT_TRUE(ReadConfigFile(back, plain));
    EXPECT_EQ(back, BusyConfig());
}

TEST_F(ConfigFileTest, NumbersMayBeSpreadOverLinesWithAnyBlanks)
{
    const std::string written = PathOf("busy.Q47");
    ASSERT_TRUE(WriteConfigFile(BusyConfig(), written));
    std::string text = Slurp(written);
    // Line 1 split over three lines with tabs; the Morse text still comes from line 208.
    const std::string first = text.substr(0, text.find("\r\n"));
    text.replace(0, first.size(), Replace(first, "  ", "\t\r\n  "));
    UnitConfig back;
    ASSERT_TRUE(ReadConfigFile(back, Store("spread.Q47", text)));
    EXPECT_EQ(back, BusyConfig());
}

TEST_F(ConfigFileTest, RelayTextWithBlanksIsWrittenWithoutThemAndLaterFieldsStayInPlace)
{
    UnitConfig c;
    c.toneTable[4].relayName = "R 1";
    c.toneTable[5].relayName = "   ";
    c.toneTable[6].relayName = "\tR02 ";
    c.toneTable[4].relayDurationMs = 700;
    c.morseText = "ID";
    const std::string path = PathOf("blanks.Q47");
    ASSERT_TRUE(WriteConfigFile(c, path));
    const std::vector<std::string> lines = Lines(Slurp(path));
    EXPECT_EQ(lines[2 + 2 * 4], "R1");
    EXPECT_EQ(lines[2 + 2 * 5], "none");
    EXPECT_EQ(lines[2 + 2 * 6], "R02");

    UnitConfig back;
    ASSERT_TRUE(ReadConfigFile(back, path));
    UnitConfig expected = c;
    expected.toneTable[4].relayName = "R1";
    expected.toneTable[5].relayName = "";
    expected.toneTable[6].relayName = "R02";
    EXPECT_EQ(back, expected);
}

TEST_F(ConfigFileTest, MissingLastLineLeavesTheMorseTextEmpty)
{
    UnitConfig c;
    c.morseText = "CQ";
    const std::string written = PathOf("full.Q47");
    ASSERT_TRUE(WriteConfigFile(c, written));
    std::string text = Slurp(written);
    text.resize(text.size() - std::string("CQ\r\n").size());
    UnitConfig back;
    back.morseText = "OLD";
    ASSERT_TRUE(ReadConfigFile(back, Store("short.Q47", text)));
    EXPECT_EQ(back.morseText, "");
    EXPECT_EQ(back.pttFrequency, "2175");
    EXPECT_EQ(back.errorBeeps, 1);
}

TEST_F(ConfigFileTest, TruncatedFileLeavesTheUnreadNumbersUnchanged)
{
    const std::string written = PathOf("busy.Q47");
    ASSERT_TRUE(WriteConfigFile(BusyConfig(), written));
    const std::string text = Slurp(written);
    // Cut after the relay word of row 10.
    std::size_t cut = 0;
    for (int line = 0; line < 2 + 2 * 10 + 1; ++line)
        cut = text.find("\r\n", cut) + 2;
    UnitConfig back;
    back.morseText = "OLD";
    ASSERT_TRUE(ReadConfigFile(back, Store("cut.Q47", text.substr(0, cut))));
    for (std::size_t i = 0; i < 10; ++i)
        EXPECT_EQ(back.toneTable[i], BusyConfig().toneTable[i]) << i;
    EXPECT_EQ(back.toneTable[10].relayName, BusyConfig().toneTable[10].relayName);
    EXPECT_EQ(back.toneTable[10].relayDurationMs, 0);
    EXPECT_EQ(back.toneTable[11].relayName, "");  // a missing word gives an empty text
    EXPECT_EQ(back.toneTable[11].digitalOutput, 11);
    EXPECT_EQ(back.pttFrequency, "2175");
    EXPECT_EQ(back.voxTimeoutSec, 120);
    EXPECT_EQ(back.morseText, "");
}

TEST_F(ConfigFileTest, UnreadableNumberLeavesItsFieldAndReadingGoesOnFromThere)
{
    const std::string text = "1  x  0  0  0  0  0\r\n";
    UnitConfig back;
    back.repeaterMode = 5;
    back.revertToR1 = 5;
    ASSERT_TRUE(ReadConfigFile(back, Store("letters.Q47", text)));
    EXPECT_EQ(back.toneMode, 1);
    // No number gets past the letter; the first relay word then takes it.
    EXPECT_EQ(back.repeaterMode, 5);
    EXPECT_EQ(back.revertToR1, 5);
    EXPECT_EQ(back.sidetoneGain, 0);
    EXPECT_EQ(back.toneTable[0].relayName, "x");
    EXPECT_EQ(back.toneTable[0].relayGroup, 0);
    EXPECT_EQ(back.toneTable[1].relayName, "");
}

TEST_F(ConfigFileTest, NumberBeyondTheIntRangeLeavesItsField)
{
    UnitConfig back;
    back.monRelayTimeMs = 123;
    back.ctcssToneMode = 9;
    const std::string text = "0 0 0 0 99999999999 0 0\r\n";
    ASSERT_TRUE(ReadConfigFile(back, Store("huge.Q47", text)));
    EXPECT_EQ(back.monRelayTimeMs, 123);
    EXPECT_EQ(back.ctcssToneMode, 0);  // the next number is read as usual
}

TEST_F(ConfigFileTest, BinaryGarbageNeverCrashes)
{
    std::mt19937 random(47);
    for (int round = 0; round < 50; ++round) {
        std::string garbage(1 + random() % 8000, '\0');
        for (char& c : garbage)
            c = static_cast<char>(random() & 0xFF);
        UnitConfig back;
        ASSERT_TRUE(ReadConfigFile(back, Store("garbage.Q47", garbage)));
        EXPECT_LE(back.morseText.size(), 50u);
    }
}

TEST_F(ConfigFileTest, MissingFileLeavesTheRecordAndFails)
{
    UnitConfig back = BusyConfig();
    EXPECT_FALSE(ReadConfigFile(back, PathOf("absent.Q47")));
    EXPECT_EQ(back, BusyConfig());
}

TEST_F(ConfigFileTest, FolderFifoOrDeviceIsNoFileToRead)
{
    // A FIFO without a writer, or a terminal, would hold the read for ever.
    ASSERT_EQ(mkfifo(PathOf("fifo.Q47").c_str(), 0600), 0);
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    for (const std::string& path : {folder_.path(), PathOf("fifo.Q47"), pty.slavePath()}) {
        UnitConfig back = BusyConfig();
        EXPECT_FALSE(ReadConfigFile(back, path)) << path;
        EXPECT_EQ(back, BusyConfig()) << path;
    }
}

TEST_F(ConfigFileTest, WriteIntoAMissingFolderFails)
{
    EXPECT_FALSE(WriteConfigFile(UnitConfig{}, PathOf("no/such/folder.Q47")));
}

TEST_F(ConfigFileTest, WriteReplacesAnOlderLongerFile)
{
    const std::string path = Store("old.Q47", std::string(20000, 'z'));
    ASSERT_TRUE(WriteConfigFile(UnitConfig{}, path));
    EXPECT_EQ(Lines(Slurp(path)).size(), 208u);
}
