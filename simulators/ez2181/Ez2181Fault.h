#pragma once

#include <cstdint>
#include <optional>

// A fault the simulated monitor injects on request.
enum class Ez2181FaultKind {
    WrongSync,       // the reply starts with `value` (default 0x00) instead of 0xFA
    WrongAddress,    // the reply's address byte is `value` (default 0x01)
    WrongLength,     // the reply's length byte is `value` (default: the right one + 1);
                     // the payload itself is sent unchanged
    WrongStatus,     // the reply's status is `value` (default 0x00) instead of 0xFE
    WrongCheckByte,  // the reply's second check byte is off by one
    DroppedByte,     // byte number `value` of the reply frame (0 = sync; default: the
                     // last check byte) is left out
    Silence,         // from that frame on the monitor has hung: it neither carries out
                     // nor answers anything until ClearFaults() or PowerUp(); with a
                     // `value`, only that many frames in a row
};

// `request` counts the request frames the monitor accepts (check bytes right)
// from the moment the fault is injected: 1 is the next one (0 counts as 1).
// All kinds but Silence spoil only the reply to that one frame; a frame that
// gets no reply (the 0xFE acknowledgement) uses such a fault up without effect.
// The monitor keeps them in a FaultSchedule.
struct Ez2181Fault {
    Ez2181Fault() = default;
    Ez2181Fault(Ez2181FaultKind k, unsigned r = 1, std::optional<std::uint8_t> v = std::nullopt)
        : kind(k), request(r), value(v)
    {
    }

    Ez2181FaultKind kind = Ez2181FaultKind::WrongCheckByte;
    unsigned request = 1;
    std::optional<std::uint8_t> value;

    bool operator==(const Ez2181Fault&) const = default;
};
