#include "monitor/core/HexDigits.h"

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
