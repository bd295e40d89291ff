#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Hexadecimal fields of the text lines of the flash file formats. Value and
// ByteAt are read for every byte of a file, so they are written here inline.
class HexDigits {
public:
    // 0 to 15, or -1 for a character that is not a hexadecimal digit.
    static int Value(char c)
    {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return -1;
    }
    // True when `line` holds characters `from` to `to` - 1 and all are hexadecimal digits.
    static bool AllAt(const std::string& line, std::size_t from, std::size_t to);
    // The byte written as two digits at `position`; the caller has checked them with AllAt.
    static std::uint8_t ByteAt(const std::string& line, std::size_t position)
    {
        return static_cast<std::uint8_t>(Value(line[position]) * 16 + Value(line[position + 1]));
    }
};
