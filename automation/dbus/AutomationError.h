#pragma once

#include "automation/core/HResult.h"

#include <cstdint>
#include <stdexcept>
#include <string>

// A failure of the automation layer itself (the class is not registered, the
// server did not start or has gone, a wrong dispatch identifier, ...): the
// status and the text that describes it (Text).
class AutomationError : public std::runtime_error {
public:
    // What a client shows for `status`: its HResultText, and for the failures of the
    // user's setup what to do ("class not registered: run varnix -Register ...").
    // No session bus reads "the session bus cannot be reached: ...".
    static std::string Text(HRESULT status);

    // `argumentIndex`: for an argument that could not be used (type mismatch,
    // invalid argument), its 0-based position; 0 otherwise.
    explicit AutomationError(HRESULT status, std::uint32_t argumentIndex = 0);
    HRESULT status() const { return status_; }
    std::uint32_t argumentIndex() const { return argumentIndex_; }

private:
    HRESULT status_;
    std::uint32_t argumentIndex_;
};
