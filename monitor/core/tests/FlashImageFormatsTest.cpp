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

// Creates the format's image and loads `own` into it and then `other`, a file
// of another format, which it must refuse as a bad record.
void ExpectReadsItsOwnFileOnly(FlashFormat format, std::int32_t pageSize, const std::string& own,
                               const std::string& other, std::uint8_t byteAt0x10)
{
    std::unique_ptr<FlashImage> image = FlashImageFormats::Create(format, pageSize);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->PageSize(), pageSize);
    EXPECT_EQ(image->Load(other), FlashImage::BadRecord);
    ASSERT_EQ(image->Load(own), FlashImage::LoadOk);
    EXPECT_EQ(image->GetPage(0)[0x10], byteAt0x10);
}

TEST(FlashImageFormats, EachFormatCreatesAnImageThatReadsItsOwnFilesOnly)
{
    TempFolder folder;
    const std::string hex = folder.Write("file.hex", kHexFile);
    const std::string srec = folder.Write("file.bnm", kSRecordFile);
    {
        SCOPED_TRACE("Intel HEX");
        ExpectReadsItsOwnFileOnly(IntelHex, 128, hex, srec, 7);
    }
    {
        SCOPED_TRACE("S-records");
        ExpectReadsItsOwnFileOnly(SRecords, 512, srec, hex, 0x0D);
    }
}

TEST(FlashImageFormats, ValueThatIsNoFormatCreatesNothing)
{
    EXPECT_EQ(FlashImageFormats::Create(static_cast<FlashFormat>(9), 256), nullptr);
}

}  // namespace
