#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Hexadecimal fields of the text lines of the flash file formats.
class HexDigits {
public:
    // 0 to 15, or -1 for a character that is not a hexadecimal digit.
    static int Value(char c);
    // True when `line` holds characters `from` to `to` - 1 and all are hexadecimal digits.
    static bool AllAt(const std::string& line, std::size_t from, std::size_t to);
    // The byte written as two digits at `position`; the caller has checked them with AllAt.
    static std::uint8_t ByteAt(const std::string& line, std::size_t position);
};
