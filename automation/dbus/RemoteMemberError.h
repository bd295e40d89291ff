#pragma once

#include "automation/core/ExcepInfo.h"

#include <stdexcept>

// A call that the object failed with a dispatch exception (DISP_E_EXCEPTION):
// the exception information, whose description is the error's text.
class RemoteMemberError : public std::runtime_error {
public:
    explicit RemoteMemberError(ExcepInfo info);
    const ExcepInfo& info() const { return info_; }
    std::uint16_t code() const { return info_.code; }

private:
    ExcepInfo info_;
};
