#pragma once

#include "simulators/ptyline/ByteDevice.h"
#include "simulators/ptyline/SimCommandLine.h"

#include <string>

// The body of a simulator program: opens a pseudo-terminal, links it into the port map
// under the command line's port (see PortClaim), serves `device` on it and prints one line
// naming the line, then waits for SIGINT, SIGTERM or SIGHUP. With --background it returns
// to the shell once serving (see SimBackground). The link is removed on the way out if it
// still points at this line. Returns the exit status: 0, or 1 when the line could not be
// set up.
int ServeUntilSignal(ByteDevice& device, const SimCommandLine& line, const char* program, const std::string& what);
