#pragma once

#include "simulators/ptyline/SimProgramSetup.h"

// The body of every simulator program's main.
class SimProgram {
public:
    // --version alone prints the version text; a command line that does not parse is a
    // usage mistake (exit status 2); --help prints the usage. Otherwise makes the service,
    // goes to the background if asked (SimBackground), starts it and prints its start-up
    // line, then serves until SIGINT, SIGTERM or SIGHUP (SIGUSR1 power-cycles a device that
    // takes it) and stops the service, which removes the port's link if it is still its
    // own. Returns the exit status: 0, 1 when the service could not start, 2 for a mistake.
    static int Run(int argc, char** argv, const SimProgramSetup& setup);
};
