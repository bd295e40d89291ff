#pragma once

#include "automation/core/HResult.h"

#include <cstdint>
#include <stdexcept>

// A failure of the automation layer itself (the class is not registered, the
// server did not start or has gone, a wrong dispatch identifier, ...): the
// status and the text that describes it.
class AutomationError : public std::runtime_error {
public:
    // `argumentIndex`: for an argument that could not be used (type mismatch,
    // invalid argument), its 0-based position; 0 otherwise.
    explicit AutomationError(HRESULT status, std::uint32_t argumentIndex = 0);
    HRESULT status() const { return status_; }
    std::uint32_t argumentIndex() const { return argumentIndex_; }

private:
    HRESULT status_;
    std::uint32_t argumentIndex_;
};
