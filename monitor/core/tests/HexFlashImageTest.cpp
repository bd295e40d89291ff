#include "monitor/core/HexFlashImage.h"
#include "monitor/core/tests/IntelHexFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <set>

namespace {

// One record line with its right check sum.
std::string Record(int type, unsigned offset, const std::vector<std::uint8_t>& data)
{
    unsigned sum = static_cast<unsigned>(data.size()) + (offset >> 8) + (offset & 0xFF) + static_cast<unsigned>(type);
    char text[16];
    std::snprintf(text, sizeof text, ":%02X%04X%02X", static_cast<unsigned>(data.size()), offset, static_cast<unsigned>(type));
    std::string line = text;
    for (std::uint8_t byte : data) {
        std::snprintf(text, sizeof text, "%02X", byte);
        line += text;
        sum += byte;
    }
    std::snprintf(text, sizeof text, "%02X\n", (0x100 - (sum & 0xFF)) & 0xFF);
    return line + text;
}

const std::string kEnd = ":00000001FF\n";

class HexFlashImageTest : public ::testing::Test {
protected:
    std::int32_t LoadText(const std::string& text) { return image.Load(folder.Write("file.hex", text)); }

    void ExpectPagesMatchSrecCat(const std::string& hexPath, const std::set<std::int32_t>& expectedPages)
    {
        const std::uint32_t end = (static_cast<std::uint32_t>(*expectedPages.rbegin()) + 1) * 256;
        const std::string binary = SrecCatBinaryOfHex(hexPath, end);
        ASSERT_EQ(binary.size(), end);
        ExpectPagesEqualBinary(image, binary, expectedPages);
    }

    TempFolder folder;
    HexFlashImage image;
};

const ByteBlocks kBlocks{
    {0x000011, PatternBytes(3, 1)},    // odd start inside page 0
    {0x0005F1, PatternBytes(600, 3)},  // spans pages 5 to 8
    {0x01FFF0, PatternBytes(40, 4)},   // crosses a 64 KiB boundary
    {0x0F9FF7, PatternBytes(9, 5)},    // ends on the last byte of the last page
};
const std::set<std::int32_t> kPages{0, 5, 6, 7, 8, 0x1FF, 0x200, 3999};

TEST_F(HexFlashImageTest, SrecCatFileWithLinearAddressRecords)
{
    std::string path = MakeIntelHexFile(folder, "linear.hex", kBlocks);
    ASSERT_NE(ReadWholeFile(path).find(":02000004"), std::string::npos);
    ASSERT_EQ(image.Load(path), 0);
    ExpectPagesMatchSrecCat(path, kPages);
    EXPECT_EQ(image.LowestAddress(), 0x11);
    EXPECT_EQ(image.HighestAddress(), 0xF9FFF);
}

TEST_F(HexFlashImageTest, SrecCatFileWithSegmentAddressRecords)
{
    std::string path = MakeIntelHexFile(folder, "segment.hex", kBlocks, {"-address-length=3"});
    ASSERT_NE(ReadWholeFile(path).find(":02000002"), std::string::npos);
    ASSERT_EQ(image.Load(path), 0);
    ExpectPagesMatchSrecCat(path, kPages);
}

TEST_F(HexFlashImageTest, LowerCaseDigitsAndCrLfLineEnds)
{
    std::string path = MakeIntelHexFile(folder, "plain.hex", {{0x000101, PatternBytes(700, 6)}});
    std::string text;
    for (char c : ReadWholeFile(path)) {
        if (c == '\n')
            text += '\r';
        text += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    ASSERT_EQ(image.Load(folder.Write("lower.hex", text)), 0);
    ExpectPagesMatchSrecCat(path, {1, 2, 3});
}

TEST_F(HexFlashImageTest, LinearAddressRecordSetsTheBaseOfTheDataAfterIt)
{
    ASSERT_EQ(LoadText(Record(4, 0, {0x00, 0x0F}) + Record(0, 0x0010, {1, 2}) + kEnd), 0);
    std::span<const std::uint8_t> page = image.GetPage(0xF00);
    ASSERT_EQ(page.size(), 256u);
    EXPECT_EQ(page[0x10], 1);
    EXPECT_EQ(page[0x11], 2);
    EXPECT_EQ(page[0x0F], 0xFF);
    EXPECT_EQ(image.LowestAddress(), 0xF0010);
    EXPECT_EQ(image.HighestAddress(), 0xF0011);
    EXPECT_EQ(image.LowestPage(), 0xF00);
    EXPECT_EQ(image.HighestPage(), 0xF00);
}

TEST_F(HexFlashImageTest, SegmentAddressRecordSetsTheBaseToSixteenTimesItsValue)
{
    ASSERT_EQ(LoadText(Record(0, 0x0005, {7}) + Record(2, 0, {0x10, 0x00}) + Record(0, 0x0005, {9}) + kEnd), 0);
    EXPECT_EQ(image.GetPage(0)[5], 7);
    EXPECT_EQ(image.GetPage(0x100)[5], 9);
    // A later linear record replaces the segment base.
    ASSERT_EQ(LoadText(Record(2, 0, {0x10, 0x00}) + Record(4, 0, {0x00, 0x00}) + Record(0, 0x0003, {4}) + kEnd), 0);
    EXPECT_EQ(image.GetPage(0)[3], 4);
    EXPECT_TRUE(image.GetPage(0x100).empty());
}

TEST_F(HexFlashImageTest, OnlyAnEndRecordGivesNoPage)
{
    ASSERT_EQ(LoadText(kEnd), 0);
    EXPECT_EQ(image.LowestPage(), 4000);
    EXPECT_EQ(image.HighestPage(), -1);
    EXPECT_EQ(image.LowestAddress(), -1);
    EXPECT_EQ(image.HighestAddress(), -1);
}

TEST_F(HexFlashImageTest, NothingAfterTheEndRecordIsRead)
{
    // The end record's own check sum is not examined either.
    EXPECT_EQ(LoadText(Record(0, 0, {1}) + ":00000001AA\n" + "garbage\n" + Record(0, 0x10, {2})), 0);
    EXPECT_EQ(image.GetPage(0)[0], 1);
    EXPECT_EQ(image.GetPage(0)[0x10], 0xFF);
}

TEST_F(HexFlashImageTest, OtherRecordTypesAreOnlyCheckSummed)
{
    EXPECT_EQ(LoadText(Record(5, 0, {0, 0, 0x10, 0}) + Record(3, 0, {0, 0, 0, 0}) + Record(0, 0, {3}) + kEnd), 0);
    EXPECT_EQ(image.GetPage(0)[0], 3);
    std::string badStart = Record(5, 0, {0, 0, 0x10, 0});
    badStart[badStart.size() - 2] = badStart[badStart.size() - 2] == '0' ? '1' : '0';
    EXPECT_EQ(LoadText(badStart + kEnd), 7);
}

TEST_F(HexFlashImageTest, MissingFileGivesThree)
{
    EXPECT_EQ(image.Load(folder.Path("absent.hex")), 3);
}

TEST_F(HexFlashImageTest, MalformedLinesGiveFour)
{
    EXPECT_EQ(LoadText(" " + Record(0, 0, {1}) + kEnd), 4);  // starts with a blank
    EXPECT_EQ(LoadText("\n" + kEnd), 4);                     // blank line
    EXPECT_EQ(LoadText("S00600004844521B\n" + kEnd), 4);     // not a HEX line
    EXPECT_EQ(LoadText(Record(4, 0, {0, 0, 1}) + kEnd), 4);  // extended address, count 3
    EXPECT_EQ(LoadText(Record(2, 0, {0x10}) + kEnd), 4);     // extended address, count 1
    EXPECT_EQ(LoadText(":0400000001020304\n" + kEnd), 4);    // check sum missing
    EXPECT_EQ(LoadText(":0200000001XY01\n" + kEnd), 4);      // not hexadecimal
    EXPECT_EQ(LoadText(":02\n" + kEnd), 4);                  // no type
}

TEST_F(HexFlashImageTest, OverlongLineIsSplitAndItsRestGivesFour)
{
    std::string record = Record(0, 0, std::vector<std::uint8_t>(100, 0x55));  // 211 characters
    ASSERT_GT(record.size(), 200u);
    EXPECT_EQ(LoadText(record + kEnd), 4);
}

TEST_F(HexFlashImageTest, MissingEndRecordOrEmptyFileGivesFive)
{
    EXPECT_EQ(LoadText(Record(0, 0, {1, 2})), 5);
    EXPECT_EQ(LoadText(""), 5);
}

TEST_F(HexFlashImageTest, DataBeyondTheLastPageGivesSix)
{
    EXPECT_EQ(LoadText(Record(4, 0, {0x00, 0x0F}) + Record(0, 0xA000, {1}) + kEnd), 6);
    // The byte before the end of the last page is stored, the one after it fails.
    EXPECT_EQ(LoadText(Record(4, 0, {0x00, 0x0F}) + Record(0, 0x9FFF, {1, 2}) + kEnd), 6);
    EXPECT_EQ(image.GetPage(3999)[255], 1);
    // A linear base high in the 32-bit range does not wrap round to page 0.
    EXPECT_EQ(LoadText(Record(4, 0, {0xFF, 0xFF}) + Record(0, 0x0000, {1}) + kEnd), 6);
    EXPECT_EQ(image.HighestPage(), -1);
}

TEST_F(HexFlashImageTest, WrongCheckSumGivesSevenAfterStoringTheData)
{
    std::string record = Record(0, 0x0020, {0xAB, 0xCD});
    record[record.size() - 2] = record[record.size() - 2] == 'F' ? 'E' : 'F';
    EXPECT_EQ(LoadText(record + kEnd), 7);
    EXPECT_EQ(image.GetPage(0)[0x20], 0xAB);
    EXPECT_EQ(image.GetPage(0)[0x21], 0xCD);
    std::string address = Record(4, 0, {0, 1});
    address[address.size() - 2] = address[address.size() - 2] == 'F' ? 'E' : 'F';
    EXPECT_EQ(LoadText(address + kEnd), 7);
}

// An image whose pages cannot be allocated.
class ImageWithoutMemory : public HexFlashImage {
protected:
    std::unique_ptr<std::uint8_t[]> AllocatePage() override { return nullptr; }
};

TEST_F(HexFlashImageTest, FailedPageAllocationGivesOne)
{
    ImageWithoutMemory starved;
    EXPECT_EQ(starved.Load(folder.Write("one.hex", Record(0, 0, {1}) + kEnd)), 1);
}

TEST_F(HexFlashImageTest, LoadStartsFromAnEmptyImageAndBaseZero)
{
    ASSERT_EQ(LoadText(Record(4, 0, {0x00, 0x01}) + Record(0, 0, {1}) + kEnd), 0);
    ASSERT_EQ(LoadText(Record(0, 0, {2}) + kEnd), 0);
    EXPECT_EQ(image.GetPage(0)[0], 2);
    EXPECT_TRUE(image.GetPage(0x100).empty());
    EXPECT_EQ(image.LowestPage(), 0);
    EXPECT_EQ(image.HighestPage(), 0);
}

}  // namespace
