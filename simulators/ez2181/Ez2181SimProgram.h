#pragma once

#include "simulators/ez2181/Ez2181Simulator.h"
#include "simulators/ptyline/FaultTable.h"
#include "simulators/ptyline/SimProgramSetup.h"

#include <cstdint>
#include <string>

// The ez2181-sim program: its options beside the common ones, its faults
// "KIND[@N][=V]" and the board it serves (Ez2181SimService).
class Ez2181SimProgram {
public:
    // What its own options set; read once the command line is taken.
    bool strictRate = false;
    bool powerUp = false;
    std::uint32_t powerUpEveryMs = 0;
    bool verbose = false;

    // The program for SimProgram::Run; its options write into this object, which
    // outlives it. The port may also be given as the one argument that is no option.
    SimProgramSetup Setup();

    // sync, address, length, status, check, drop, silence.
    static const FaultTable<Ez2181FaultKind>& Faults();
    static std::string Usage();

private:
    bool portGiven_ = false;
};
