#include "monitor/core/SRecordImage.h"
#include "monitor/core/tests/SRecordFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <set>

namespace {

// Compares every page of the image with srec_cat's binary output of the same
// file (0xFF fill) and checks that exactly the expected pages are present.
void ExpectPagesMatchSrecCat(const SRecordImage& image, const std::string& srecordPath,
                             const std::set<std::int32_t>& expectedPages)
{
    const std::uint32_t end = (static_cast<std::uint32_t>(*expectedPages.rbegin()) + 1) * 256;
    const std::string binary = SrecCatBinary(srecordPath, end);
    ASSERT_EQ(binary.size(), end);
    ExpectPagesEqualBinary(image, binary, expectedPages);
    EXPECT_EQ(image.LowestPage(), *expectedPages.begin());
    EXPECT_EQ(image.HighestPage(), *expectedPages.rbegin());
}

const std::string kHeader = "S00600004844521B\n";
const std::string kEnd = "S804000000FB\n";

class SRecordImageTest : public ::testing::Test {
protected:
    std::int32_t LoadText(const std::string& text)
    {
        return image.Load(folder.Write("file.bnm", text));
    }

    TempFolder folder;
    SRecordImage image;
};

TEST_F(SRecordImageTest, SrecCatFileWithGapsOddAddressesAndSeveralPages)
{
    ByteBlocks blocks{
        {0x000011, PatternBytes(3, 1)},    // odd start inside page 0
        {0x000300, PatternBytes(1, 2)},    // one byte, page 3
        {0x0005F1, PatternBytes(600, 3)},  // odd start, spans pages 5 to 8
        {0x010001, PatternBytes(37, 4)},   // far page after a gap
        {0x0F9FF7, PatternBytes(9, 5)},    // ends on the last byte of the last page
    };
    std::string path = MakeSRecordFile(folder, "prog.bnm", blocks);
    ASSERT_EQ(image.Load(path), 0);
    ExpectPagesMatchSrecCat(image, path, {0, 3, 5, 6, 7, 8, 0x100, 3999});
    EXPECT_EQ(image.LowestAddress(), 0x11);
    EXPECT_EQ(image.HighestAddress(), 0xF9FFF);
}

TEST_F(SRecordImageTest, SrecCatFileWithShortAndLowerCaseRecords)
{
    ByteBlocks blocks{{0x000101, PatternBytes(2000, 6)}};
    std::string path = MakeSRecordFile(folder, "short.bnm", blocks, {"-line-length=20"});
    std::string text = ReadWholeFile(path);
    // Hexadecimal digits in lower case are read the same.
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i > 0 && text[i - 1] != '\n')
            text[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
    }
    std::string lower = folder.Write("lower.bnm", text);
    ASSERT_EQ(image.Load(lower), 0);
    ExpectPagesMatchSrecCat(image, path, {1, 2, 3, 4, 5, 6, 7, 8});
}

TEST_F(SRecordImageTest, SrecCatFileWithLongestRecordsThatFitALine)
{
    // 97 bytes after the count: 4 + 2 * 97 = 198 characters, under the 199 limit.
    ByteBlocks blocks{{0x020000, PatternBytes(5000, 7)}};
    // srec_cat counts the line end in its line length.
    std::string path = MakeSRecordFile(folder, "long.bnm", blocks, {"-line-length=200"});
    ASSERT_NE(ReadWholeFile(path).find("\nS261"), std::string::npos);
    ASSERT_EQ(image.Load(path), 0);
    std::set<std::int32_t> pages;
    for (std::int32_t i = 0x200; i < 0x200 + 20; ++i)
        pages.insert(i);
    ExpectPagesMatchSrecCat(image, path, pages);
}

TEST_F(SRecordImageTest, RecordSplitAt199CharactersGivesFour)
{
    // Records of 98 bytes take 200 characters: the line is split and the
    // first part is a record whose characters are not all present.
    ByteBlocks blocks{{0x000000, PatternBytes(300, 8)}};
    std::string path = MakeSRecordFile(folder, "split.bnm", blocks, {"-line-length=202"});
    ASSERT_NE(ReadWholeFile(path).find("\nS262"), std::string::npos);
    EXPECT_EQ(image.Load(path), 4);
    EXPECT_EQ(image.HighestPage(), -1);  // nothing of the split record was stored
}

TEST_F(SRecordImageTest, SrecCatDefaultCountRecordGivesFour)
{
    // Without -disable=data-count srec_cat adds an S5 record.
    std::string bin = folder.Write("data.bin", "\x01\x02\x03");
    std::string path = folder.Path("count.bnm");
    ASSERT_TRUE(RunSrecCat({bin, "-binary", "-o", path, "-motorola", "-address-length=3",
                            "-execution-start-address=0"}));
    ASSERT_NE(ReadWholeFile(path).find("\nS5"), std::string::npos);
    EXPECT_EQ(image.Load(path), 4);
}

TEST_F(SRecordImageTest, OnlyHeaderAndEndLoadsNoPage)
{
    ASSERT_EQ(LoadText(kHeader + "S9030000FC\n"), 0);
    EXPECT_EQ(image.LowestPage(), 4000);
    EXPECT_EQ(image.HighestPage(), -1);
    EXPECT_EQ(image.LowestAddress(), -1);
    EXPECT_EQ(image.HighestAddress(), -1);
}

TEST_F(SRecordImageTest, FourBytesAtAddress0x10)
{
    ASSERT_EQ(LoadText("S208000010DEADBEEFAF\n" + kEnd), 0);
    std::span<const std::uint8_t> page = image.GetPage(0);
    ASSERT_EQ(page.size(), 256u);
    for (std::size_t i = 0; i < 256; ++i) {
        std::uint8_t expected = 0xFF;
        if (i >= 0x10 && i <= 0x13)
            expected = std::array<std::uint8_t, 4>{0xDE, 0xAD, 0xBE, 0xEF}[i - 0x10];
        ASSERT_EQ(page[i], expected) << i;
    }
    EXPECT_EQ(image.LowestAddress(), 0x10);
    EXPECT_EQ(image.HighestAddress(), 0x13);
}

TEST_F(SRecordImageTest, LaterRecordOverwritesEarlierAndTrailingCharactersIgnored)
{
    ASSERT_EQ(LoadText(kHeader + "S20500000011E9 trailing text\r\n" + "S20500000022D8\n" + kEnd), 0);
    EXPECT_EQ(image.GetPage(0)[0], 0x22);
}

TEST_F(SRecordImageTest, CountFourCarriesOnlyAChecksum)
{
    ASSERT_EQ(LoadText("S20400012DCD\n" + kEnd), 0);
    EXPECT_EQ(image.HighestPage(), -1);
    EXPECT_EQ(image.LowestAddress(), 0x12D);  // the record's address is still noted
    EXPECT_EQ(LoadText("S20400012DCE\n" + kEnd), 7);
}

TEST_F(SRecordImageTest, MissingFileGivesThree)
{
    EXPECT_EQ(image.Load(folder.Path("absent.bnm")), 3);
    EXPECT_EQ(image.Load(folder.Path("")), 3);  // a folder
}

TEST_F(SRecordImageTest, BadLinesGiveFour)
{
    EXPECT_EQ(LoadText("X20500000011E9\n" + kEnd), 4);
    EXPECT_EQ(LoadText(kHeader + "\n" + kEnd), 4);                  // blank line
    EXPECT_EQ(LoadText(kHeader + "S10400001 1EA\n" + kEnd), 4);     // S1
    EXPECT_EQ(LoadText(kHeader + "S3060000000011E8\n" + kEnd), 4);  // S3
    EXPECT_EQ(LoadText(kHeader + "S\n" + kEnd), 4);                 // no type
    EXPECT_EQ(LoadText("s20500000011E9\n" + kEnd), 4);              // lower-case s
    EXPECT_EQ(LoadText("S203000000FC\n" + kEnd), 4);                // count 3
}

TEST_F(SRecordImageTest, TruncatedRecordsGiveFourWithoutStoring)
{
    const std::string full = "S20800001001020304DD";
    ASSERT_EQ(LoadText(full + "\n" + kEnd), 0) << "the full record is valid";
    for (std::size_t length = 2; length < full.size(); ++length) {
        SCOPED_TRACE(length);
        EXPECT_EQ(LoadText(full.substr(0, length) + "\n" + kEnd), 4);
        EXPECT_EQ(image.HighestPage(), -1);
    }
    EXPECT_EQ(LoadText("S2"), 4);  // the file ends inside the record
}

TEST_F(SRecordImageTest, NonHexDigitsGiveFour)
{
    EXPECT_EQ(LoadText("S2G8000010DEADBEEFAF\n" + kEnd), 4);  // count
    EXPECT_EQ(LoadText("S208000G10DEADBEEFAF\n" + kEnd), 4);  // address
    EXPECT_EQ(LoadText("S208000010DEADBEXFAF\n" + kEnd), 4);  // data
    EXPECT_EQ(LoadText("S208000010DEADBEEFA \n" + kEnd), 4);  // checksum
    EXPECT_EQ(LoadText(std::string("S208000010DE\0DBEEFAF\n", 21) + kEnd), 4);
    EXPECT_EQ(image.HighestPage(), -1);
}

TEST_F(SRecordImageTest, MissingEndGivesFive)
{
    EXPECT_EQ(LoadText(""), 5);
    EXPECT_EQ(LoadText(kHeader), 5);
    EXPECT_EQ(LoadText(kHeader + "S20500000011E9\n"), 5);
    EXPECT_EQ(image.GetPage(0)[0], 0x11);  // bytes before the error stay
}

TEST_F(SRecordImageTest, AddressBeyondLastPageGivesSix)
{
    EXPECT_EQ(LoadText("S2050FA000113A\n" + kEnd), 6);
    // Two bytes still fit into the last page before the third does not.
    EXPECT_EQ(LoadText("S2080F9FFE0102030441\n" + kEnd), 6);
    EXPECT_EQ(image.GetPage(3999)[254], 0x01);
    EXPECT_EQ(image.GetPage(3999)[255], 0x02);
    EXPECT_EQ(LoadText("S205FFFFFF11EC\n" + kEnd), 6);
}

TEST_F(SRecordImageTest, ChecksumOffByOneGivesSevenAfterStoringTheData)
{
    EXPECT_EQ(LoadText("S20500000011E8\n" + kEnd), 7);
    EXPECT_EQ(image.GetPage(0)[0], 0x11);
    EXPECT_EQ(LoadText("S20500000011EA\n" + kEnd), 7);
}

TEST_F(SRecordImageTest, RecordsAfterEndAreIgnored)
{
    EXPECT_EQ(LoadText("S20500000011E9\nS9030000FC\nS20500000022D8\ngarbage\nS1\n"), 0);
    EXPECT_EQ(image.GetPage(0)[0], 0x11);
    EXPECT_EQ(LoadText("S20500000011E9\nS8 anything at all\nS2FF\n"), 0);
}

TEST_F(SRecordImageTest, NewLoadStartsFromAnEmptyImage)
{
    ASSERT_EQ(LoadText("S2050001000AEF\n" + kEnd), 0);
    ASSERT_EQ(image.HighestPage(), 1);
    ASSERT_EQ(LoadText("S20500000011E9\n" + kEnd), 0);
    EXPECT_EQ(image.HighestPage(), 0);
    EXPECT_TRUE(image.GetPage(1).empty());
    EXPECT_EQ(image.HighestAddress(), 0);
}

class ScarceSRecordImage : public SRecordImage {
protected:
    std::unique_ptr<std::uint8_t[]> AllocatePage() override
    {
        if (allocated_++ > 0)
            return nullptr;
        return SRecordImage::AllocatePage();
    }

private:
    int allocated_ = 0;
};

TEST_F(SRecordImageTest, FailedPageAllocationGivesOne)
{
    ScarceSRecordImage scarce;
    std::string path = MakeSRecordFile(folder, "two.bnm", {{0x000000, PatternBytes(300, 9)}});
    EXPECT_EQ(scarce.Load(path), 1);
    EXPECT_EQ(scarce.GetPage(0).size(), 256u);
}

TEST_F(SRecordImageTest, HugeLinesAndBinaryGarbageGiveErrors)
{
    EXPECT_EQ(LoadText("S2FF" + std::string(1 << 20, 'F') + "\n" + kEnd), 4);
    EXPECT_EQ(LoadText(std::string(1 << 20, 'S')), 4);
    std::vector<std::uint8_t> noise = PatternBytes(1 << 16, 10);
    EXPECT_EQ(LoadText(std::string(noise.begin(), noise.end())), 4);
    std::string zeros(4096, '\0');
    EXPECT_EQ(LoadText(zeros), 4);
    EXPECT_EQ(LoadText("S2" + zeros), 4);
}

TEST_F(SRecordImageTest, MutatedFilesNeverCrash)
{
    std::string path = MakeSRecordFile(folder, "base.bnm", {{0x0001F0, PatternBytes(700, 11)}});
    const std::string original = ReadWholeFile(path);
    std::vector<std::uint8_t> choices = PatternBytes(3 * 3000, 12);
    const std::set<std::int32_t> possible{0, 4, 5, 6, 7};
    for (int round = 0; round < 3000; ++round) {
        std::string text = original;
        std::size_t position = (choices[3 * round] * 256u + choices[3 * round + 1]) % text.size();
        switch (round % 3) {
        case 0: text[position] = static_cast<char>(choices[3 * round + 2]); break;
        case 1: text.erase(position, choices[3 * round + 2] % 8 + 1); break;
        default: text.resize(position); break;
        }
        std::int32_t result = LoadText(text);
        ASSERT_TRUE(possible.count(result)) << "round " << round << " gave " << result;
        for (std::int32_t i = image.LowestPage(); i <= image.HighestPage(); ++i) {
            if (!image.GetPage(i).empty()) {
                ASSERT_EQ(image.GetPage(i).size(), 256u);
            }
        }
    }
}

}  // namespace
