#pragma once

#include "automation/core/Variant.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// The values of the boards' memory and flash members: a script's data as the
// words a link sends, and the words a link has read as the array the script
// gets back.
class BoardValues {
public:
    // Whether a result array of `count` elements can be made.
    static bool ArrayCanHold(std::int64_t count);

    // `data` converted to VT_I4, VT_I2 or VT_UI1 elements (a scalar counts as
    // one element), each element's bits as a word; nothing when it cannot be
    // converted.
    static std::optional<std::vector<std::uint32_t>> Words32(const Variant& data);
    static std::optional<std::vector<std::uint16_t>> Words16(const Variant& data);
    static std::optional<std::vector<std::uint8_t>> Bytes(const Variant& data);
    // The values as bytes; nothing when one of them is above 255.
    static std::optional<std::vector<std::uint8_t>> Bytes(std::span<const std::uint32_t> values);

    // One-dimensional arrays of the values: 32-bit words as VT_I4 with their
    // bits, 16-bit words as VT_I2 with their bits, bytes as VT_I4 from 0 to
    // 255. The caller has checked the count with ArrayCanHold.
    static Variant I4Array(std::span<const std::uint32_t> words);
    static Variant I2Array(std::span<const std::uint16_t> words);
    static Variant I4Array(std::span<const std::uint8_t> bytes);

    // Formats 6 and 7 of the memory members ask for a floating-point value: a
    // scalar 32-bit result keeps its bits and is labelled VT_R4. Arrays and
    // errors stay as they are.
    static void ApplyFloatFormat(Variant& result, std::int32_t format);
};
