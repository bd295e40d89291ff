#pragma once

#include "doctor/Check.h"

// A running ModemManager probes every new serial port with AT commands,
// unless a udev rule tells it to leave the port alone.
class ModemManagerCheck : public Check {
public:
    void Run(const CheckContext& context, Report& report) override;
};
