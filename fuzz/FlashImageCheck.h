#pragma once

#include <cstdint>

class FlashImage;

// What every flash image must show after any Load, whatever the file held:
// a known load result, and present pages only inside the page table, each a
// whole page long, none outside the lowest and highest page.
void CheckLoadedImage(const FlashImage& image, std::int32_t result);
