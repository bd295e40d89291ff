#pragma once

#include "monitor/core/FlashImage.h"

#include <cstdint>
#include <memory>
#include <span>

// The file formats a flash image is read from. The value of each is the
// number a board's format argument gives for it.
enum FlashFormat : std::int32_t {
    IntelHex = 0,
    SRecords = 1,
};

// The one table of flash file formats: a row per format with the function
// that creates its image. Every board creates its flash images here.
class FlashImageFormats {
public:
    struct Row {
        FlashFormat format;
        std::unique_ptr<FlashImage> (*create)(std::int32_t pageSize);
    };

    static std::span<const Row> Rows();
    // An empty image of the format with pages of `pageSize` bytes (null only
    // for a value that is not a FlashFormat).
    static std::unique_ptr<FlashImage> Create(FlashFormat format, std::int32_t pageSize);
    // The format whose number is `number`; `otherwise` when no row has it.
    static FlashFormat ByNumber(std::int32_t number, FlashFormat otherwise);
};
