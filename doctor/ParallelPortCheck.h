#pragma once

#include "doctor/Check.h"

// The parallel port behind lpt1: the device, the ppdev module that gives
// programs access to it, and whether this login may use it.
class ParallelPortCheck : public Check {
public:
    void Run(const CheckContext& context, Report& report) override;
};
