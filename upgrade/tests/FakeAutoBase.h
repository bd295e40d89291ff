#pragma once

#include "automation/core/Dispatchable.h"

#include <cstdint>
#include <string>

// The fake server's root class: the error properties at the places the
// board server has them (ErrorMethod, ErrorCode, ErrorString).
class FakeAutoBase : public Dispatchable {
public:
    static const DispatchMap& Map();
    const DispatchMap& GetDispatchMap() const override { return Map(); }

    std::int32_t GetErrorMethod() const { return errorMethod_; }
    void SetErrorMethod(std::int32_t method);
    std::int32_t GetErrorCode() const;
    std::string GetErrorString() const;

private:
    std::int32_t errorMethod_ = 0;
};
