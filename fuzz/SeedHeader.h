#pragma once

#include <cstdint>
#include <vector>

// The start of a seed input in the FuzzInput layout: the member to call and its
// arguments, numbers least significant byte first.
class SeedHeader {
public:
    SeedHeader& Byte(std::uint8_t value)
    {
        bytes.push_back(value);
        return *this;
    }
    SeedHeader& Word16(std::uint16_t value) { return Byte(value & 0xFF).Byte(value >> 8); }
    SeedHeader& Word32(std::uint32_t value) { return Word16(value & 0xFFFF).Word16(value >> 16); }
    std::vector<std::uint8_t> bytes;
};
