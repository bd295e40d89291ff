#pragma once

#include <ostream>
#include <string>
#include <vector>

// The configurator without a window, for scripted set-up of many units:
//   dspq47-cli [--port com1|com2] --send FILE      send a .Q47 file to the unit
//   dspq47-cli [--port com1|com2] --receive FILE   save the unit's configuration
//   dspq47-cli --defaults FILE                     write a .Q47 file of defaults
//   dspq47-cli --help | --version
// The transfer's messages go to `out` (success) and `err` (errors). Exit status: 0 on
// success, 1 when the exchange or a file failed, 2 for a wrong command line.
class CommandLine {
public:
    static constexpr int kSuccess = 0;
    static constexpr int kFailed = 1;
    static constexpr int kUsage = 2;

    static int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
    // The --help texts of dspq47-cli and of the dspq47 dialog program, with the port map.
    static std::string Help();
    static std::string DialogHelp();
};
