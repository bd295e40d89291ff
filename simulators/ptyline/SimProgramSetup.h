#pragma once

#include "simulators/ptyline/SimCommandLine.h"
#include "simulators/ptyline/SimService.h"

#include <functional>
#include <memory>
#include <string>

// What makes one simulator program, for SimProgram::Run.
struct SimProgramSetup {
    const char* program;  // "ezkit21k-sim": in messages and the version text
    std::string usage;    // the whole --help text
    SimCommandLine::Rules rules;
    // The device with its faults and options, made once the command line is taken;
    // it starts no thread.
    std::function<std::unique_ptr<SimService>(const SimCommandLine& line)> makeService;
};
