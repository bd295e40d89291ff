#include "monitor/core/HexDigits.h"

int HexDigits::Value(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool HexDigits::AllAt(const std::string& line, std::size_t from, std::size_t to)
{
    if (line.size() < to)
        return false;
    for (std::size_t i = from; i < to; ++i) {
        if (Value(line[i]) < 0)
            return false;
    }
    return true;
}

std::uint8_t HexDigits::ByteAt(const std::string& line, std::size_t position)
{
    return static_cast<std::uint8_t>(Value(line[position]) * 16 + Value(line[position + 1]));
}
