#pragma once

// Frames for the tests, built with a sum written here again from the frame
// rules rather than taken from the simulator, so that a fault in one does not
// hide behind the other.

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace ez2181test {

using Bytes = std::vector<std::uint8_t>;

// Both running sums modulo 255 over `bytes`; {0, 0} for a frame that checks.
inline std::pair<int, int> Sums(const Bytes& bytes)
{
    int s1 = 0;
    int s2 = 0;
    for (std::uint8_t b : bytes) {
        s1 = (s1 + b) % 255;
        s2 = (s2 + s1) % 255;
    }
    return {s1, s2};
}

inline bool Checks(const Bytes& frame)
{
    return Sums(frame) == std::pair<int, int>{0, 0};
}

// FA, address, payload length + 3, code (command or status), payload, two check bytes.
inline Bytes Frame(std::uint8_t address, std::uint8_t code, const Bytes& payload)
{
    Bytes f{0xFA, address, static_cast<std::uint8_t>(payload.size() + 3), code};
    for (std::uint8_t b : payload)
        f.push_back(b);
    for (int i = 0; i < 2; ++i) {
        const auto [s1, s2] = Sums(f);
        f.push_back(static_cast<std::uint8_t>(255 - (s1 + s2) % 255));
    }
    return f;
}

inline Bytes Request(std::uint8_t command, const Bytes& payload = {})
{
    return Frame(0xFF, command, payload);
}

inline Bytes Reply(const Bytes& payload = {}, std::uint8_t status = 0xFE)
{
    return Frame(0x00, status, payload);
}

inline void Put32(Bytes& bytes, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

inline Bytes Concat(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Address (32 bits, most significant byte first) and a one-byte count.
inline Bytes AddressCount(std::uint32_t address, std::uint8_t count)
{
    Bytes b;
    Put32(b, address);
    b.push_back(count);
    return b;
}

}  // namespace ez2181test
