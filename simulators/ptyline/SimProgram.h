#pragma once

#include "simulators/ptyline/ByteDevice.h"

#include <chrono>
#include <string>

// The body of a simulator program: opens a pseudo-terminal, links it into
// the port map under `port`, serves `device` on it and prints one line
// naming the line, then waits for SIGINT, SIGTERM or SIGHUP. The link is
// removed on the way out if it still points at this line. Returns the exit
// status: 0, or 1 when the line could not be set up.
int ServeUntilSignal(ByteDevice& device, const std::string& port, const std::string& what,
                     std::chrono::milliseconds lateDelay);
