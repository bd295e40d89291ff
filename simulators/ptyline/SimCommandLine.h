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

// The command line of a simulator program. Every program takes
//   --port NAME       the port map name to link (default com1)
//   --fault FAULT     a fault to inject, as its FaultTable reads it; may be repeated
//   --background      return to the shell once the port is linked (SimBackground)
//   --help, -h
//   --version         alone: the program's version and licence
// and, where its Rules say so,
//   --late-ms N       how late a late reply comes (default 1500)
//   --baud, --adapter, --latency   the line's pace and USB adapter (SimLineOptions)
// A program's own options come in its Rules: looked at before the common ones, so that
// a program may read one of those its own way.
struct SimCommandLine {
    // One of a program's own options: its names, whether it takes the next argument as
    // its value, and what to do with it; false with `error` set when the value is wrong.
    struct Option {
        std::vector<std::string> names;
        bool takesValue = true;
        std::function<bool(const std::string& value, SimCommandLine& line, std::string& error)> take;
    };
    struct Rules {
        std::string defaultPort = "com1";
        bool lateDelay = true;    // --late-ms
        bool lineOptions = true;  // --baud, --adapter, --latency
        std::vector<Option> own = {};
        // An argument that is no option of the program's (unknown, or not an option at all);
        // none: "unknown option ARG".
        std::function<bool(const std::string& argument, SimCommandLine& line, std::string& error)> other = {};
        // The mistake in a --fault value, empty when there is none (FaultTable::Mistake);
        // none: any value of FaultRequest's form.
        std::function<std::string(const std::string& fault)> faultMistake = {};
        // A last look at the whole command line; false with `error` set.
        std::function<bool(const SimCommandLine& line, std::string& error)> check = {};
    };

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
    static std::string Usage(const char* ownUsage);

    // An own option that takes a number up to `max` into `number`; `mistake` is the error
    // for any other value.
    static Option NumberOption(const std::string& name, std::uint32_t max, const std::string& mistake,
                               std::uint32_t& number);
    // The same for two numbers written "A,B".
    static Option NumberPairOption(const std::string& name, std::uint32_t max, const std::string& mistake,
                                   std::uint32_t (&numbers)[2]);

    // Options from argv[1] on; nullopt with `error` set when they do not parse.
    static std::optional<SimCommandLine> Parse(const std::vector<std::string>& args, const Rules& rules,
                                               std::string& error);
    // A number, decimal or 0x-hexadecimal, no larger than `max`.
    static std::optional<std::uint32_t> ParseNumber(const std::string& text, std::uint32_t max);
};
