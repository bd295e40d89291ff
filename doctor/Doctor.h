#pragma once

#include "doctor/Check.h"
#include "doctor/Report.h"

#include <memory>
#include <vector>

// The checks in the order they are made: the bus, the registration and a
// real start of the server, the port map and its ports, what grabs serial
// adapters, the parallel port, the network ports.
class Doctor {
public:
    static std::vector<std::unique_ptr<Check>> AllChecks();
    static Report Run(const CheckContext& context);
};
