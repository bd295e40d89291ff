#pragma once

#include "doctor/Report.h"
#include "doctor/SystemImage.h"
#include "doctor/UserSession.h"

// What every check looks at.
struct CheckContext {
    const SystemImage& image;
    const UserSession& session;
    // Network ports may be connected to (the port server opens its device then).
    bool network = false;
};

// One thing the doctor looks at. A check adds one finding or more to the
// report, each filled in before the next is added.
class Check {
public:
    virtual ~Check() = default;
    virtual void Run(const CheckContext& context, Report& report) = 0;
};
