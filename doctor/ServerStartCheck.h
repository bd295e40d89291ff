#pragma once

#include "doctor/Check.h"

// A real start of the server: creates a Varnix.Sport object over the session
// bus, releases it, and reports how long that took.
class ServerStartCheck : public Check {
public:
    void Run(const CheckContext& context, Report& report) override;
};
