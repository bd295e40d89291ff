#pragma once

#include "simulators/ptyline/FaultRequest.h"
#include "simulators/ptyline/SimLineOptions.h"

#include <chrono>
#include <cstdio>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The options every simulator program takes:
//   --port NAME       the port map name to link (default com1)
//   --late-ms N       how late a late reply comes (default 1500)
//   --fault FAULT     a fault to inject, KIND[@N][=VALUE]; may be repeated
//   --baud, --adapter, --latency   the line's pace and USB adapter (SimLineOptions)
//   --background      return to the shell once the port is linked (SimBackground)
//   --help
//   --version         alone: the program's version and licence
// A program's own options take one value each and go to its handler.
struct SimCommandLine {
    // Handles one option of the program's own (`option` as given, with its
    // value); false with `error` set when the option is unknown or its value
    // is wrong.
    using OwnOption = std::function<bool(const std::string& option, const std::string& value, std::string& error)>;

    std::string port = "com1";
    std::chrono::milliseconds lateDelay{1500};
    std::vector<FaultRequest> faults;
    SimLineOptions lineOptions;
    bool background = false;
    bool help = false;

    // Prints the program's version text when --version is its only argument;
    // true if it did.
    static bool PrintVersionIfAsked(const char* program, int argc, char** argv);

    // The lines of the usage text that describe --background, --help, --version and the port map rule.
    static const char* CommonUsage();
    // A program's own usage text followed by the line options' and CommonUsage().
    static void PrintUsage(std::FILE* to, const char* ownUsage);

    // Options from argv[1] on; nullopt with `error` set when they do not parse.
    static std::optional<SimCommandLine> Parse(const std::vector<std::string>& args, const OwnOption& own,
                                               std::string& error);
    // A number, decimal or 0x-hexadecimal, no larger than `max`.
    static std::optional<std::uint32_t> ParseNumber(const std::string& text, std::uint32_t max);
};
