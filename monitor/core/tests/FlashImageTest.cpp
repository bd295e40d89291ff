#include "monitor/core/FlashImage.h"

#include <gtest/gtest.h>

#include <algorithm>

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

}  // namespace
