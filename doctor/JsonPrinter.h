#pragma once

#include "doctor/Report.h"

#include <string>

// The report for scripts and support requests: one JSON document with the
// format's version, the program's release, and one object per finding with
// its check, subject, status, summary, facts and notes (status, cause, fix).
// A fact named more than once (two by-id names) holds an array.
class JsonPrinter {
public:
    static constexpr int kFormatVersion = 1;
    static std::string Print(const Report& report);
};
