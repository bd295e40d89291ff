#pragma once

#include "simulators/fourwire/FourWireFault.h"
#include "simulators/fourwire/FourWireTarget.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The command line of the fourwire-sim program.
struct FourWireSimOptions {
    std::string port = "lpt1";
    std::string socketPath;  // empty: a name of the program's own in the runtime folder
    std::uint16_t version = 0x0102;
    std::vector<FourWireFault> faults;
    std::uint32_t answerDelayMs = 0;
    FourWireTarget::HoldDrop holdDrop;
    bool background = false;
    bool help = false;

    // Options from argv[1] on; nullopt with `error` set when they do not parse.
    static std::optional<FourWireSimOptions> Parse(const std::vector<std::string>& args, std::string& error);
    // "KIND[*TIMES][+SKIP]", KIND one of stall, status, checksum, dead, clock-first.
    static std::optional<FourWireFault> ParseFault(std::string_view text);
    // "LINE:MS", LINE one of data, clock.
    static std::optional<FourWireTarget::HoldDrop> ParseHoldDrop(std::string_view text);
    // Where the socket goes when --socket is not given.
    static std::string DefaultSocketPath();
    static const char* Usage();
};
