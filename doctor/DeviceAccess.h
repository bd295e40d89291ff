#pragma once

#include "doctor/Check.h"

#include <string>

// Whether this login may read and write a device node, the group that owns
// it, and when it may not, why and what to do: join the group, or log in
// again when the group database has the user in it but this login not yet.
class DeviceAccess {
public:
    // Adds the "group" and "access" facts and any problem to `finding`.
    static void Examine(const CheckContext& context, const std::string& device, const struct stat& node,
                        Finding& finding);
};
