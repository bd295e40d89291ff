#pragma once

#include <string>

// One row of the function tone table. The row's index in the table is its function tone
// number (F00 ... F99). Values are held as the user sees them; the relay travels to the
// unit as a number (see UnitConversions).
struct FunctionToneEntry {
    int toneActive = 1;
    std::string relayName;    // empty (no relay) or "R" and two digits, e.g. "R01"
    int relayGroup = 1;       // 1-4 offered, any value kept
    int relayDurationMs = 0;  // 0-30000
    int digitalOutput = 0;    // 0-63 drive D5...D0, 64 leaves the outputs unchanged
    int ctcssTone = 0;        // 0-64, 1-64 are CTCSS tone numbers
    int useDefaultCtcss = 0;

    bool operator==(const FunctionToneEntry&) const = default;
};
