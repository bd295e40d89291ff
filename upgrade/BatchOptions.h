#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The command line of pellori's batch mode:
//   pellori --batch [--port NAME]... [--baud N] [--power-on] [--program FILE] [--verify FILE] [--log FILE]
//   pellori [--batch] --station [--port NAME]... [--baud N] [--program FILE] [--log FILE]
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
    // The programming station: every port waits for boards, one after the other.
    bool station = false;
    bool batch = false;
    // Where a record of each board is appended (JSON Lines).
    std::optional<std::string> logFile;

    // True when the arguments ask for batch mode (or its help) at all.
    static bool Requested(const std::vector<std::string>& args);
    // nullopt with `error` set when the arguments are not understood.
    static std::optional<BatchOptions> Parse(const std::vector<std::string>& args, std::string& error);
    // The text of --help: the dialog, batch mode and the port map.
    static std::string Usage();
};
