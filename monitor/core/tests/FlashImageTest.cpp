#include "monitor/core/FlashImage.h"
#include "monitor/core/tests/SRecordFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

// A flash image without a file format, to reach the page operations alone.
class PlainImage : public FlashImage {
public:
    using FlashImage::FlashImage;
    std::int32_t ReadRecord() override { return kEndRecord; }
};

bool AllBytesAre(std::span<const std::uint8_t> bytes, std::uint8_t value)
{
    return std::all_of(bytes.begin(), bytes.end(), [value](std::uint8_t b) { return b == value; });
}

TEST(FlashImage, StartsEmpty)
{
    PlainImage image(256);
    EXPECT_EQ(image.PageSize(), 256);
    EXPECT_EQ(image.PageShift(), 8);
    EXPECT_EQ(image.LowestPage(), 4000);
    EXPECT_EQ(image.HighestPage(), -1);
    EXPECT_EQ(image.LowestAddress(), 0);
    EXPECT_EQ(image.HighestAddress(), 0);
    EXPECT_TRUE(image.GetPage(0).empty());
}

TEST(FlashImage, PageShiftFollowsPageSize)
{
    EXPECT_EQ(PlainImage(1).PageShift(), 0);
    EXPECT_EQ(PlainImage(4096).PageShift(), 12);
}

TEST(FlashImage, EnsurePageAllocatesErasedPageAndWidensRange)
{
    PlainImage image(256);
    EXPECT_EQ(image.EnsurePage(7), 0);
    EXPECT_EQ(image.EnsurePage(3), 0);
    EXPECT_EQ(image.LowestPage(), 3);
    EXPECT_EQ(image.HighestPage(), 7);
    ASSERT_EQ(image.GetPage(7).size(), 256u);
    EXPECT_TRUE(AllBytesAre(image.GetPage(7), 0xFF));
    EXPECT_TRUE(image.GetPage(5).empty());  // inside the range but absent
    EXPECT_TRUE(image.GetPage(8).empty());
    EXPECT_TRUE(image.GetPage(-1).empty());
}

TEST(FlashImage, EnsurePageRefusesIndicesOutsideTable)
{
    PlainImage image(256);
    EXPECT_EQ(image.EnsurePage(-1), 6);
    EXPECT_EQ(image.EnsurePage(4000), 6);
    EXPECT_EQ(image.EnsurePage(3999), 0);
    EXPECT_EQ(image.HighestPage(), 3999);
    EXPECT_EQ(image.LowestPage(), 3999);
}

TEST(FlashImage, SetByteStoresAtOffsetAndTracksAddresses)
{
    PlainImage image(256);
    ASSERT_TRUE(image.ResetImage());
    EXPECT_EQ(image.LowestAddress(), -1);
    EXPECT_EQ(image.HighestAddress(), -1);
    EXPECT_EQ(image.SetByte(0x1234, 0x5A), 0);
    EXPECT_EQ(image.SetByte(0x1200, 0x00), 0);
    EXPECT_EQ(image.GetPage(0x12)[0x34], 0x5A);
    EXPECT_EQ(image.GetPage(0x12)[0x00], 0x00);
    EXPECT_EQ(image.GetPage(0x12)[0x35], 0xFF);
    EXPECT_EQ(image.LowestAddress(), 0x1200);
    EXPECT_EQ(image.HighestAddress(), 0x1234);
}

TEST(FlashImage, SetByteBeyondLastPageWidensAddressesButStoresNothing)
{
    PlainImage image(256);
    ASSERT_TRUE(image.ResetImage());
    EXPECT_EQ(image.SetByte(0xFA000, 1), 6);
    EXPECT_EQ(image.HighestAddress(), 0xFA000);
    EXPECT_EQ(image.LowestAddress(), 0xFA000);
    EXPECT_EQ(image.HighestPage(), -1);
    EXPECT_EQ(image.SetByte(0xF9FFF, 2), 0);
    EXPECT_EQ(image.GetPage(3999)[255], 2);
}

TEST(FlashImage, ResetFreesPages)
{
    PlainImage image(256);
    image.SetByte(10, 1);
    image.SetByte(5000, 1);
    EXPECT_TRUE(image.ResetImage());
    EXPECT_EQ(image.LowestPage(), 4000);
    EXPECT_EQ(image.HighestPage(), -1);
    EXPECT_TRUE(image.GetPage(0).empty());
    EXPECT_EQ(image.SetByte(20, 2), 0);
    EXPECT_EQ(image.GetPage(0)[10], 0xFF);  // the new page is erased again
}

// An image whose allocator fails after a number of pages.
class ScarceImage : public PlainImage {
public:
    ScarceImage(std::int32_t pageSize, int pagesLeft) : PlainImage(pageSize), pagesLeft_(pagesLeft) {}

protected:
    std::unique_ptr<std::uint8_t[]> AllocatePage() override
    {
        if (pagesLeft_-- <= 0)
            return nullptr;
        return PlainImage::AllocatePage();
    }

private:
    int pagesLeft_;
};

TEST(FlashImage, FailedAllocationGivesOne)
{
    ScarceImage image(256, 1);
    EXPECT_EQ(image.SetByte(0, 1), 0);
    EXPECT_EQ(image.SetByte(256, 1), 1);
    EXPECT_TRUE(image.GetPage(1).empty());
    EXPECT_EQ(image.HighestAddress(), 256);
}

// A file format made up for these tests, one record a line: "W" and three
// bytes notes them as a word and their sum, "D" and a three-byte address
// stores the byte after it there, "E" ends the file; anything else is bad.
class LineFormatImage : public FlashImage {
public:
    using FlashImage::FlashImage;

    int filesStarted = 0;
    std::vector<std::string> recordsRead;
    std::vector<std::uint32_t> words;
    std::vector<unsigned> sums;

protected:
    void StartFile() override { ++filesStarted; }

    std::int32_t ReadRecord() override
    {
        std::string text;
        for (std::size_t i = 0; RecordChar(i) != '\0'; ++i)
            text += RecordChar(i);
        recordsRead.push_back(text);
        switch (RecordChar(0)) {
        case 'E':
            return kEndRecord;
        case 'W':
            if (!HexDigitsAt(1, 7))
                return BadRecord;
            MoveTo(1);
            words.push_back(NextBigEndian(3));
            sums.push_back(Sum());
            return LoadOk;
        case 'D': {
            if (!HexDigitsAt(1, 9))
                return BadRecord;
            MoveTo(1);
            const std::uint32_t address = NextBigEndian(3);
            return StoreByte(address, NextByte());
        }
        default:
            return BadRecord;
        }
    }
};

class FlashImageLoad : public ::testing::Test {
protected:
    std::int32_t LoadText(const std::string& text) { return image.Load(folder.Write("file.txt", text)); }

    TempFolder folder;
    LineFormatImage image{256};
};

TEST_F(FlashImageLoad, ReadsEachLineAsARecordUntilTheEndRecord)
{
    EXPECT_EQ(LoadText("W010203\nW0a0B0c\r\nE\nW000000\nbad\n"), 0);
    EXPECT_EQ(image.filesStarted, 1);
    EXPECT_EQ(image.recordsRead, (std::vector<std::string>{"W010203", "W0a0B0c", "E"}));
    EXPECT_EQ(image.words, (std::vector<std::uint32_t>{0x010203, 0x0A0B0C}));
    // The running sum starts again with every record and keeps its low byte.
    EXPECT_EQ(image.sums, (std::vector<unsigned>{0x06, 0x21}));
    ASSERT_EQ(LoadText("WFFFFFF\nE\n"), 0);
    EXPECT_EQ(image.sums.back(), 0xFDu);
    EXPECT_EQ(image.filesStarted, 2);
}

TEST_F(FlashImageLoad, FailingRecordEndsTheLoadWithItsError)
{
    EXPECT_EQ(LoadText("W010203\nW0102\nW040506\nE\n"), 4);
    EXPECT_EQ(image.recordsRead, (std::vector<std::string>{"W010203", "W0102"}));
}

TEST_F(FlashImageLoad, FileEndingBeforeTheEndRecordGivesFive)
{
    EXPECT_EQ(LoadText("W010203\n"), 5);
    EXPECT_EQ(LoadText(""), 5);
}

TEST_F(FlashImageLoad, UnreadableFileGivesThreeBeforeAnyRecord)
{
    EXPECT_EQ(image.Load(folder.Path("missing.txt")), 3);
    EXPECT_EQ(image.Load(folder.Path("")), 3);
    EXPECT_EQ(image.filesStarted, 0);
    EXPECT_TRUE(image.recordsRead.empty());
}

TEST_F(FlashImageLoad, LoadStartsFromAnEmptyImage)
{
    ASSERT_EQ(LoadText("D00010007\nE\n"), 0);
    ASSERT_EQ(LoadText("D00020008\nE\n"), 0);
    EXPECT_TRUE(image.GetPage(1).empty());
    EXPECT_EQ(image.GetPage(2)[0], 8);
    EXPECT_EQ(image.LowestAddress(), 0x200);
}

TEST_F(FlashImageLoad, StoredByteBeyondTheLastPageGivesSixAndLeavesTheRange)
{
    // 4000 pages of 256 bytes end at 0x0F9FFF.
    EXPECT_EQ(LoadText("D0F9FFF07\nD0FA00001\nE\n"), 6);
    EXPECT_EQ(image.GetPage(3999)[255], 7);
    EXPECT_EQ(image.HighestAddress(), 0x0F9FFF);
    EXPECT_EQ(image.HighestPage(), 3999);
}

class StarvedImage : public LineFormatImage {
public:
    StarvedImage() : LineFormatImage(256) {}

protected:
    std::unique_ptr<std::uint8_t[]> AllocatePage() override { return nullptr; }
};

TEST_F(FlashImageLoad, StoredByteWithoutMemoryGivesOne)
{
    StarvedImage starved;
    EXPECT_EQ(starved.Load(folder.Write("one.txt", "D00000001\nE\n")), 1);
}

}  // namespace
