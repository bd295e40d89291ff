#pragma once

#include "doctor/Report.h"

#include <string>

// The report for a person: one line per finding (ok / warning / problem),
// its facts below it, and under every warning or problem the cause and the
// fix; a count at the end.
class TextPrinter {
public:
    static std::string Print(const Report& report);
};
