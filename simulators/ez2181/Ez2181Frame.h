#pragma once

#include <cstdint>
#include <vector>

// One request frame as the monitor received it, its check bytes verified.
struct Ez2181Frame {
    std::uint8_t address = 0;
    std::uint8_t command = 0;
    std::vector<std::uint8_t> payload;

    bool operator==(const Ez2181Frame&) const = default;
};
