#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A fault as given on a simulator's command line: "KIND[@N][=VALUE]", where N
// (default 1) says which request from the start the fault spoils and VALUE,
// decimal or 0x-hexadecimal, is the fault's own parameter.
struct FaultRequest {
    std::string kind;
    unsigned request = 1;
    std::optional<std::uint32_t> value;

    // Nullopt when the text does not have that form.
    static std::optional<FaultRequest> Parse(std::string_view text);
};
