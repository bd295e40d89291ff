#pragma once

#include "automation/core/Variant.h"

#include <cstddef>
#include <cstdint>

class AutoBase;
class FuzzInput;

// Pieces shared by the board reply fuzz targets.
namespace BoardFuzzing {

// A one-dimensional VT_I4 array of `count` values read from the input, each a
// 32-bit word, or a byte when `mask` is 0xFF, cut to `mask`.
Variant WordArray(FuzzInput& in, std::size_t count, std::uint32_t mask = 0xFFFFFFFF);

// A failed member returns VT_NULL and has recorded a text saying why.
void CheckOutcome(const Variant& result, const AutoBase& board);

// A read returns `count` values in an array, or fails as above.
void CheckRead(const Variant& result, std::size_t count, const AutoBase& board);

// A VT_I4 from `low` to `high`.
void CheckRange(const Variant& value, std::int32_t low, std::int32_t high);

}  // namespace BoardFuzzing
