#pragma once

#include <cstdint>
#include <optional>

// A fault the simulated 21k monitor injects on request.
enum class Ezkit21kFaultKind {
    Silence,          // no reply: to `value` requests in a row, or, without a value,
                      // to every request until the faults are cleared (a hung monitor)
    WrongDescriptor,  // the reply's descriptor is `value` (default: the request's own
                      // type, bit 15 clear, and the right length)
    WrongCount,       // a read reply's count word is `value` (default: one more than
                      // asked, the data words unchanged); other replies carry the length
                      // `value` (default 3) in their descriptor
    Garbage,          // `value` stray bytes (default 5) follow the reply
    Late,             // the reply comes late: after the PC has given up waiting for it
};

// `request` counts the complete request packets the monitor takes in from the
// moment the fault is injected: 1 is the next one.
struct Ezkit21kFault {
    Ezkit21kFaultKind kind = Ezkit21kFaultKind::Silence;
    unsigned request = 1;
    std::optional<std::uint32_t> value;

    bool operator==(const Ezkit21kFault&) const = default;
};
