#pragma once

#include <cstdint>
#include <optional>

// A fault the simulated console injects on request.
enum class FaderboxFaultKind {
    Silence,         // no reply: to `value` pings in a row, or, without a value, to
                     // every ping until the faults are cleared
    WrongFirstByte,  // the reply starts with `value` (default 0x5A) instead of 0xA5
    WrongThirdByte,  // the reply's third byte is `value` (default 0x80) instead of 0x7F
    ShortReply,      // only the first `value` bytes of the reply (default 4) are sent
    Garbage,         // `value` stray bytes (default 3) follow the reply
    Late,            // the reply comes late: after the PC has given up waiting for it
};

// `request` counts the pings the console takes in from the moment the fault
// is injected: 1 is the next one.
struct FaderboxFault {
    FaderboxFaultKind kind = FaderboxFaultKind::Silence;
    unsigned request = 1;
    std::optional<std::uint32_t> value;

    bool operator==(const FaderboxFault&) const = default;
};
