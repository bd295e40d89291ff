#pragma once

#include "simulators/ptyline/FaultTable.h"

#include <cstdint>
#include <optional>
#include <string_view>

// A fault the simulated DSP-Q47 unit shows on request. It stays until replaced.
enum class Q47FaultKind {
    None,
    Silence,           // the unit answers nothing at all
    WrongAcknowledge,  // a good configuration is refused with `value` instead of 0x41
    StopInRow,         // the answer to 0x41 stops in the middle of row `value`, after its
                       // relay duration, relay number and tone-active bytes
    StopAfterRows,     // the answer to 0x41 stops after the last row
    BadChecksum,       // the answer to 0x41 carries a checksum one too high
};

struct Q47Fault {
    Q47FaultKind kind = Q47FaultKind::None;
    unsigned value = 0;

    bool operator==(const Q47Fault&) const = default;

    // "none", "silence", "wrong-ack" or "wrong-ack=<byte>" (default 0x15),
    // "stop-in-row=<row>", "stop-after-rows", "bad-checksum"; nothing for anything else.
    static std::optional<Q47Fault> Parse(std::string_view text);
    // The names above, for the dspq47-sim program's --fault.
    static const FaultTable<Q47FaultKind>& Kinds();
};
