#pragma once

#include "doctor/Check.h"

// The session bus that clients reach varnix over: is there one, and at which
// address.
class SessionBusCheck : public Check {
public:
    void Run(const CheckContext& context, Report& report) override;
    // The fix for a missing bus.
    static const char* StartBusFix();
};
