#pragma once

#include "automation/core/Variant.h"

#include <cstdint>
#include <string>

// What a member call is expected to end with in a fault row: success, or the
// failure that the error properties record (under error method 0 the result is
// VT_NULL).
struct Outcome {
    bool ok = true;
    std::int32_t code = 0;
    std::string text;

    static Outcome Ok() { return {}; }
    static Outcome Error(std::int32_t code, std::string text) { return {false, code, std::move(text)}; }
};

// A result that carries a value: neither a failure (VT_NULL, VT_ERROR) nor nothing.
bool Succeeded(const Variant& result);

// Checks a call's result and the object's error properties against `expected`.
void ExpectOutcome(const Variant& result, const Outcome& expected, std::int32_t errorCode,
                   const std::string& errorString);
