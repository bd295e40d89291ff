#pragma once

#include "configurator/UnitConfig.h"

#include <array>
#include <cstddef>
#include <cstdint>

// The configuration as the unit sends and receives it: 940 bytes, fields in the unit's
// order, words high byte first, the Morse text in 50 bytes and a 16-bit additive checksum
// at the end. The command byte in front of it belongs to the transfer, not to the stream.
class ConfigStream {
public:
    static constexpr std::size_t kStreamBytes = 940;
    static constexpr std::size_t kHeaderBytes = 12;
    static constexpr std::size_t kRowBytes = 8;
    // First offset after the function tone rows.
    static constexpr std::size_t kRowsEnd = kHeaderBytes + UnitConfig::kToneRows * kRowBytes;
    static constexpr std::size_t kMorseTextBytes = 50;
    static constexpr std::size_t kChecksumOffset = kStreamBytes - 2;

    using Bytes = std::array<std::uint8_t, kStreamBytes>;

    // The stream for `config`, checksum included. Every field goes out as the low 8 or
    // 16 bits of its wire value, and the checksum sums exactly what goes out.
    static Bytes Encode(const UnitConfig& config);

    // Decodes a complete stream. When its checksum matches, `config` becomes the received
    // configuration and the result is true; otherwise `config` is left as it was.
    static bool Decode(const Bytes& stream, UnitConfig& config);
};
