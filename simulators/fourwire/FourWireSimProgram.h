#pragma once

#include "simulators/fourwire/FourWireFault.h"
#include "simulators/fourwire/FourWireTarget.h"
#include "simulators/ptyline/FaultTable.h"
#include "simulators/ptyline/SimProgramSetup.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The fourwire-sim program: its options beside the common ones (it takes neither
// --late-ms nor the line options, and its port defaults to lpt1), its faults
// "KIND[*TIMES][+SKIP]" and the target it serves on a socket (FourWireSimService).
class FourWireSimProgram {
public:
    // What its own options set; read once the command line is taken.
    std::string socketPath;  // empty: a name of the program's own in the runtime folder
    std::uint16_t version = 0x0102;
    std::uint32_t answerDelayMs = 0;
    FourWireTarget::HoldDrop holdDrop;

    // The program for SimProgram::Run; its options write into this object, which
    // outlives it.
    SimProgramSetup Setup();

    // stall, status, checksum, dead, clock-first.
    static const FaultTable<FourWireFaultKind>& Faults();
    // "LINE:MS", LINE one of data, clock.
    static std::optional<FourWireTarget::HoldDrop> ParseHoldDrop(std::string_view text);
    // Where the socket goes when --socket is not given.
    static std::string DefaultSocketPath();
    static const char* Usage();
};
