#include "fuzz/FlashImageCheck.h"

#include "fuzz/FuzzCheck.h"
#include "monitor/core/FlashImage.h"

void CheckLoadedImage(const FlashImage& image, std::int32_t result)
{
    FUZZ_CHECK(result == FlashImage::LoadOk || result == FlashImage::BadRecord || result == FlashImage::MissingEnd || result == FlashImage::BeyondLastPage || result == FlashImage::BadChecksum);
    int present = 0;
    for (std::int32_t page = 0; page < FlashImage::kMaxPages; ++page) {
        const auto bytes = image.GetPage(page);
        if (bytes.empty())
            continue;
        ++present;
        FUZZ_CHECK(bytes.size() == static_cast<std::size_t>(image.PageSize()));
        FUZZ_CHECK(page >= image.LowestPage() && page <= image.HighestPage());
    }
    FUZZ_CHECK(image.GetPage(-1).empty() && image.GetPage(FlashImage::kMaxPages).empty());
    if (present > 0)
        FUZZ_CHECK(image.HighestAddress() >= 0 && (image.HighestAddress() >> image.PageShift()) <= image.HighestPage());
}
