#pragma once

#include "simulators/ez2181/Ez2181Fault.h"
#include "simulators/ptyline/SimLineOptions.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The command line of the ez2181-sim program.
struct Ez2181SimOptions {
    std::string port = "com1";
    SimLineOptions line;  // --baud, --adapter, --latency
    bool strictRate = false;
    bool powerUp = false;
    unsigned powerUpEveryMs = 0;
    std::vector<Ez2181Fault> faults;
    bool verbose = false;
    bool background = false;
    bool help = false;

    // Options from argv[1] on; nullopt with `error` set when they do not parse.
    static std::optional<Ez2181SimOptions> Parse(const std::vector<std::string>& args, std::string& error);
    // "KIND[@FRAME][=VALUE]", KIND one of sync, address, length, status, check, drop, silence.
    static std::optional<Ez2181Fault> ParseFault(std::string_view text);
    static std::string Usage();
};
