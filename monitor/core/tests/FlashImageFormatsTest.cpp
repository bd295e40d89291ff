#include "monitor/core/FlashImageFormats.h"
#include "monitor/core/tests/SRecordFiles.h"

#include <gtest/gtest.h>

namespace {

const std::string kHexFile = ":0100100007E8\n:00000001FF\n";
const std::string kSRecordFile = "S2050000100DDD\nS804000000FB\n";

TEST(FlashImageFormats, FormatNumbersNameTheirRowsAndOtherNumbersTheFallback)
{
    EXPECT_EQ(FlashImageFormats::ByNumber(0, SRecords), IntelHex);
    EXPECT_EQ(FlashImageFormats::ByNumber(1, IntelHex), SRecords);
    EXPECT_EQ(FlashImageFormats::ByNumber(7, SRecords), SRecords);
    EXPECT_EQ(FlashImageFormats::ByNumber(-1, IntelHex), IntelHex);
}

TEST(FlashImageFormats, EachFormatCreatesAnImageThatReadsItsOwnFilesOnly)
{
    TempFolder folder;
    const std::string hex = folder.Write("file.hex", kHexFile);
    const std::string srec = folder.Write("file.bnm", kSRecordFile);

    std::unique_ptr<FlashImage> hexImage = FlashImageFormats::Create(IntelHex, 128);
    ASSERT_NE(hexImage, nullptr);
    EXPECT_EQ(hexImage->PageSize(), 128);
    EXPECT_EQ(hexImage->Load(srec), FlashImage::BadRecord);
    ASSERT_EQ(hexImage->Load(hex), FlashImage::LoadOk);
    EXPECT_EQ(hexImage->GetPage(0)[0x10], 7);

    std::unique_ptr<FlashImage> srecImage = FlashImageFormats::Create(SRecords, 512);
    ASSERT_NE(srecImage, nullptr);
    EXPECT_EQ(srecImage->PageSize(), 512);
    EXPECT_EQ(srecImage->Load(hex), FlashImage::BadRecord);
    ASSERT_EQ(srecImage->Load(srec), FlashImage::LoadOk);
    EXPECT_EQ(srecImage->GetPage(0)[0x10], 0x0D);
}

TEST(FlashImageFormats, ValueThatIsNoFormatCreatesNothing)
{
    EXPECT_EQ(FlashImageFormats::Create(static_cast<FlashFormat>(9), 256), nullptr);
}

}  // namespace
