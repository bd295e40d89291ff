#pragma once

#include <cstdint>
#include <string>

#include "automation/core/HResult.h"

// What a failed call with DISP_E_EXCEPTION tells the client: the object's own
// 16-bit error code, or a status code in `scode` when the failure was not one
// of the object's errors (out of memory, an unexpected fault).
struct ExcepInfo {
    std::uint16_t code = 0;
    std::string source;
    std::string description;
    std::string helpFile;
    std::uint32_t helpContext = 0;
    HRESULT scode = S_OK;

    friend bool operator==(const ExcepInfo&, const ExcepInfo&) = default;
};
