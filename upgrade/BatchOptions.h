#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The command line of pellori's batch mode:
//   pellori --batch [--port NAME]... [--baud N] [--power-on] [--program FILE] [--verify FILE]
//   pellori --help | --version
class BatchOptions {
public:
    bool help = false;
    bool version = false;
    std::int32_t baud = 9600;
    bool powerOn = false;
    std::optional<std::string> programFile;
    std::optional<std::string> verifyFile;
    // The boards' ports, each given once; none: the one board on COM1.
    std::vector<std::string> ports;

    // True when the arguments ask for batch mode (or its help) at all.
    static bool Requested(const std::vector<std::string>& args);
    // nullopt with `error` set when the arguments are not understood.
    static std::optional<BatchOptions> Parse(const std::vector<std::string>& args, std::string& error);
    // The text of --help: the dialog, batch mode and the port map.
    static std::string Usage();
};
