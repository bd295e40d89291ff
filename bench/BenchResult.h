#pragma once

#include <cstdio>

// One machine-readable line a figure, for scripts/bench.sh to gather into its table:
//   RESULT <name> <value> <unit> <reference name> <reference value> <ratio>
// The reference is measured in the same run (a wire-time minimum, a raw bus ping-pong,
// srec_cat on the same file); the ratio is value / reference. A figure without a
// reference prints "-" for the last three fields.
inline void PrintResult(const char* name, double value, const char* unit, const char* referenceName,
                        double referenceValue)
{
    std::printf("RESULT %s %.6g %s %s %.6g %.4f\n", name, value, unit, referenceName, referenceValue,
                value / referenceValue);
}

inline void PrintResult(const char* name, double value, const char* unit)
{
    std::printf("RESULT %s %.6g %s - - -\n", name, value, unit);
}
