#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A fault as given on a simulator's command line: "KIND[@N][*TIMES][+SKIP][=VALUE]",
// where N (default 1) says which request from the start the fault spoils, TIMES how often
// it strikes, SKIP how many occasions pass before it does, and VALUE, decimal or
// 0x-hexadecimal, is the fault's own parameter. Which of these a program takes is in its
// FaultTable.
struct FaultRequest {
    std::string kind;
    unsigned request = 1;
    bool requestGiven = false;
    std::optional<std::uint32_t> value;
    std::optional<unsigned> times;
    std::optional<unsigned> skip;

    // Nullopt when the text does not have that form.
    static std::optional<FaultRequest> Parse(std::string_view text);
};
