#pragma once

#include "automation/core/Variant.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The command-line language of varnix-call (docs/automation-over-dbus.md):
// steps "Name", "Name(arg, ...)" and "Name=value", values such as 12, 0x1F,
// 1.5, "text", [1, 2, 3], i2:5, true, null; and how results are printed.
class CallScript {
public:
    struct Step {
        enum class Kind { Call,
                          Put };
        Kind kind = Kind::Call;
        std::string member;
        std::vector<Variant> args;  // for a put: the one value
    };

    // nullopt with `error` set when the word is not a step.
    static std::optional<Step> ParseStep(std::string_view word, std::string& error);
    // One whole value; nullopt with `error` set when the text is not one.
    static std::optional<Variant> ParseValue(std::string_view text, std::string& error);

    // A result as printed: numbers in decimal, text as its bytes, arrays as
    // [1, 2, 3] (text elements quoted), VT_NULL as "null", VT_EMPTY as "".
    static std::string Format(const Variant& value);
};
