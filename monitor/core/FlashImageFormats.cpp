#include "monitor/core/FlashImageFormats.h"

#include "monitor/core/HexFlashImage.h"
#include "monitor/core/SRecordImage.h"

#include <algorithm>

namespace {

template <class Image>
std::unique_ptr<FlashImage> CreateImage(std::int32_t pageSize)
{
    return std::make_unique<Image>(pageSize);
}

constexpr FlashImageFormats::Row kRows[] = {
    {IntelHex, &CreateImage<HexFlashImage>},
    {SRecords, &CreateImage<SRecordImage>},
};

}  // namespace

std::span<const FlashImageFormats::Row> FlashImageFormats::Rows()
{
    return kRows;
}

std::unique_ptr<FlashImage> FlashImageFormats::Create(FlashFormat format, std::int32_t pageSize)
{
    const auto row = std::ranges::find(kRows, format, &Row::format);
    return row != std::end(kRows) ? row->create(pageSize) : nullptr;
}

FlashFormat FlashImageFormats::ByNumber(std::int32_t number, FlashFormat otherwise)
{
    const auto row = std::ranges::find(kRows, number, [](const Row& r) { return static_cast<std::int32_t>(r.format); });
    return row != std::end(kRows) ? row->format : otherwise;
}
