#pragma once

#include <cstdint>
#include <string>

#include "automation/core/ExcepInfo.h"

// Thrown by value by an automation member to fail the call: Dispatchable::
// Invoke catches it and returns DISP_E_EXCEPTION with this information.
class DispatchException {
public:
    // Codes of the standard property access failures.
    static constexpr std::uint16_t kReadOnlyCode = 383;
    static constexpr std::uint16_t kWriteOnlyCode = 394;
    static constexpr const char* kReadOnlyText = "Unable to write read-only property.";
    static constexpr const char* kWriteOnlyText = "Unable to read write-only property.";

    DispatchException(std::uint16_t code, std::string description, std::string source = {},
                      std::uint32_t helpContext = 0);

    static DispatchException ReadOnly();
    static DispatchException WriteOnly();

    std::uint16_t code() const { return info_.code; }
    const std::string& description() const { return info_.description; }
    const std::string& source() const { return info_.source; }
    std::uint32_t helpContext() const { return info_.helpContext; }
    const ExcepInfo& info() const { return info_; }

private:
    ExcepInfo info_;
};
