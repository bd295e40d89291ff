#include "monitor/core/ProgramImageLoader.h"
#include "monitor/core/tests/SRecordFiles.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using Section = ProgramImageLoader::Section;

struct Block {
    std::vector<std::uint32_t> words;
    std::uint32_t address;
    Section section = Section::Program;
    friend bool operator==(const Block&, const Block&) = default;
};

std::ostream& operator<<(std::ostream& out, const Block& block)
{
    return out << "{" << block.words.size() << " words at " << (block.section == Section::Data ? "DM" : "PM")
               << " 0x" << std::hex << block.address << std::dec << "}";
}

const std::string kFirst = "\x1B\x1Bi program header\n";
const std::string kEnd = "\x1B\x1Bo\n";

std::vector<std::uint32_t> Words(std::uint32_t first, std::size_t count)
{
    std::vector<std::uint32_t> words;
    for (std::size_t i = 0; i < count; ++i)
        words.push_back(first + static_cast<std::uint32_t>(i));
    return words;
}

std::string Lines(const std::vector<std::uint32_t>& words)
{
    std::string text;
    char line[16];
    for (std::uint32_t word : words) {
        std::snprintf(line, sizeof line, "%06X\n", word);
        text += line;
    }
    return text;
}

class ProgramImageLoaderTest : public ::testing::Test {
protected:
    ProgramImageLoader::Outcome Load(const std::string& text)
    {
        return loader.Load(folder.Write("prog.exe", text));
    }

    TempFolder folder;
    std::vector<Block> blocks;
    // The result each block write gives, by block number; VT_I4 0 otherwise.
    std::map<std::size_t, Variant> results;
    ProgramImageLoader loader{[this](const std::vector<std::uint32_t>& words, Section section, std::uint32_t address) {
        blocks.push_back({words, address, section});
        auto found = results.find(blocks.size() - 1);
        return found == results.end() ? Variant::I4(0) : found->second;
    }};
};

TEST_F(ProgramImageLoaderTest, ProgramAndDataSections)
{
    auto outcome = Load(kFirst + "@PA\n0000\n123456\nabcdef\n  00000F\n#\n" +
                        "@DA\n0010\n1234\nFFFF\n#\n" + kEnd);
    EXPECT_EQ(outcome.error, nullptr);
    EXPECT_EQ(outcome.result, Variant::I4(0));
    EXPECT_EQ(blocks, (std::vector<Block>{{{0x123456, 0xABCDEF, 0x00000F}, 0x0000},
                                          {{0x1234, 0xFFFF}, 0x0010, Section::Data}}));
}

TEST_F(ProgramImageLoaderTest, LongSectionGoesInBlocksOf200)
{
    std::vector<std::uint32_t> words = Words(0x100, 450);
    auto outcome = Load(kFirst + "@P\n0020\n" + Lines(words) + "#\n" + kEnd);
    EXPECT_EQ(outcome.error, nullptr);
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[0], (Block{Words(0x100, 200), 0x20}));
    EXPECT_EQ(blocks[1], (Block{Words(0x100 + 200, 200), 0x20 + 200}));
    EXPECT_EQ(blocks[2], (Block{Words(0x100 + 400, 50), 0x20 + 400}));
}

TEST_F(ProgramImageLoaderTest, ExactlyTwoHundredWordsAreOneBlock)
{
    auto outcome = Load(kFirst + "@D\n0\n" + Lines(Words(1, 200)) + "#\n" + kEnd);
    EXPECT_EQ(outcome.error, nullptr);
    EXPECT_EQ(blocks, (std::vector<Block>{{Words(1, 200), 0, Section::Data}}));
}

TEST_F(ProgramImageLoaderTest, ResultIsTheLastBlocksResult)
{
    results[1] = Variant::I4(7);
    auto outcome = Load(kFirst + "@P\n0\n1\n#\n@P\n10\n2\n#\n" + kEnd);
    EXPECT_EQ(outcome.error, nullptr);
    EXPECT_EQ(outcome.result, Variant::I4(7));
}

TEST_F(ProgramImageLoaderTest, FailedBlockStopsWithItsResult)
{
    results[1] = Variant::Error(12);
    auto outcome = Load(kFirst + "@P\n0\n" + Lines(Words(0, 450)) + "#\n" + kEnd);
    EXPECT_EQ(outcome.error, nullptr);
    EXPECT_EQ(outcome.result, Variant::Error(12));
    EXPECT_EQ(blocks.size(), 2u);

    blocks.clear();
    results = {{0, Variant::Null()}};
    outcome = Load(kFirst + "@P\n0\n1\n#\n@P\n10\n2\n#\n" + kEnd);
    EXPECT_EQ(outcome.result, Variant::Null());
    EXPECT_EQ(blocks.size(), 1u);
}

TEST_F(ProgramImageLoaderTest, FileFaults)
{
    EXPECT_STREQ(loader.Load(folder.Path("absent.exe")).error, "Can not open file");
    EXPECT_STREQ(Load("").error, "File format not correct");
    EXPECT_STREQ(Load("plain text\n@P\n0\n1\n#\n").error, "File format not correct");
    EXPECT_STREQ(Load("\x1B\x1Bo\n").error, "File format not correct");
    EXPECT_STREQ(Load(kFirst + "@BO\n").error, "@BO or @BA types not supported");
    EXPECT_STREQ(Load(kFirst + "@X\n").error, "Unrecognized @xx field");
    EXPECT_STREQ(Load(kFirst + "@\n").error, "Unrecognized @xx field");
    EXPECT_STREQ(Load(kFirst + "@p\n").error, "Unrecognized @xx field");
    EXPECT_STREQ(Load(kFirst + "123\n").error, "@ symbol expected in .exe file");
    EXPECT_STREQ(Load(kFirst + "@P\n0\n1\n#\n2\n").error, "@ symbol expected in .exe file");
    EXPECT_EQ(blocks, (std::vector<Block>{{{1}, 0}}));
}

TEST_F(ProgramImageLoaderTest, FaultAfterBlocksKeepsThemWritten)
{
    auto outcome = Load(kFirst + "@P\n0\n1\n2\n#\n@BA\n0\n3\n#\n" + kEnd);
    EXPECT_STREQ(outcome.error, "@BO or @BA types not supported");
    EXPECT_EQ(blocks, (std::vector<Block>{{{1, 2}, 0}}));
}

TEST_F(ProgramImageLoaderTest, FirstLineAloneLoadsNothing)
{
    auto outcome = Load("\x1B\x1Bi");
    EXPECT_EQ(outcome.error, nullptr);
    EXPECT_EQ(outcome.result, Variant::I4(0));
    EXPECT_TRUE(blocks.empty());
}

TEST_F(ProgramImageLoaderTest, EndLineStopsReading)
{
    auto outcome = Load(kFirst + "@P\n0\n1\n#\n" + kEnd + "@X\ngarbage\n");
    EXPECT_EQ(outcome.error, nullptr);
    EXPECT_EQ(blocks.size(), 1u);
}

TEST_F(ProgramImageLoaderTest, SectionsWhoseTextIsOddStillLoadTheirWords)
{
    const struct {
        const char* what;
        std::string text;
        std::vector<Block> written;
    } cases[] = {
        {"other escape lines are data words", kFirst + "@P\n0\n\x1B\x1Bx\n#\n" + kEnd, {{{0}, 0}}},
        {"word parsing stops at the first non-hex digit",
         kFirst + "@P\n 1a\n\t12G4\nzz\nFFFFFFFF\n123456789\n\n#\n" + kEnd,
         {{{0x12, 0, 0xFFFFFFFF, 0x23456789, 0}, 0x1A}}},
        {"a section closed and a second '#' leave nothing to write",
         kFirst + "@P\n0100\n1\n#\n#\n@P\n0200\n#\n" + kEnd,
         {{{1}, 0x100}}},
        {"a section without words needs no closing", kFirst + "@P\n0010\n@D\n0020\n5\n#\n" + kEnd, {{{5}, 0x20, Section::Data}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        blocks.clear();
        EXPECT_EQ(Load(c.text).error, nullptr);
        EXPECT_EQ(blocks, c.written);
    }
}

TEST_F(ProgramImageLoaderTest, UnclosedSectionIsAnErrorNotASilentLoss)
{
    auto outcome = Load(kFirst + "@P\n0\n1\n2\n" + kEnd);
    EXPECT_STREQ(outcome.error, "Section not closed by # in .exe file");
    EXPECT_TRUE(blocks.empty());

    outcome = Load(kFirst + "@P\n0\n1\n2\n");  // the file ends
    EXPECT_STREQ(outcome.error, "Section not closed by # in .exe file");

    outcome = Load(kFirst + "@P\n0010\n1\n@D\n0020\n2\n#\n" + kEnd);
    EXPECT_STREQ(outcome.error, "Section not closed by # in .exe file");
    EXPECT_TRUE(blocks.empty());
}

TEST_F(ProgramImageLoaderTest, UnclosedSectionAfterFullBlocksKeepsThem)
{
    auto outcome = Load(kFirst + "@P\n0\n" + Lines(Words(0, 201)) + kEnd);
    EXPECT_STREQ(outcome.error, "Section not closed by # in .exe file");
    EXPECT_EQ(blocks, (std::vector<Block>{{Words(0, 200), 0}}));
}

TEST_F(ProgramImageLoaderTest, LineLongerThan199CharactersIsTwoLines)
{
    // The first 199 characters are the word 1 (parsing stops at the blank);
    // the remainder "2" is the next word.
    std::string longLine = "1" + std::string(198, ' ') + "2";
    auto outcome = Load(kFirst + "@P\n0\n" + longLine + "\n#\n" + kEnd);
    EXPECT_EQ(outcome.error, nullptr);
    EXPECT_EQ(blocks, (std::vector<Block>{{{1, 2}, 0}}));
}

TEST_F(ProgramImageLoaderTest, BinaryGarbageNeverCrashes)
{
    std::vector<std::uint8_t> noise = PatternBytes(1 << 16, 20);
    auto outcome = Load(kFirst + "@P\n0\n" + std::string(noise.begin(), noise.end()));
    EXPECT_NE(outcome.error, nullptr);
    outcome = Load(std::string(noise.begin(), noise.end()));
    EXPECT_STREQ(outcome.error, "File format not correct");
}

}  // namespace
