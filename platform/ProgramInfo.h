#pragma once

#include <string>

// What every program of the tool set says about itself on --version and
// --help: the release, and how port names reach devices.
class ProgramInfo {
public:
    // The tool set's release, "1.0": the release of its packages.
    static const char* Version();
    // The licence every program is released under, as SPDX names it.
    static constexpr const char* kLicense = "GPL-3.0-or-later";
    // The answer to --version: "<program> <its version> (varnix-tools <release>)"
    // and the licence. A program with an About box gives the version that box
    // shows; the others are versioned with the tool set.
    static std::string VersionText(const std::string& program, const std::string& programVersion = Version());
    // What a program prints for a mistake on its command line: the mistake and one line
    // that points to the help ("pellori: --baud needs a value\nTry 'pellori --help' for
    // more information.\n"), not the whole help, which would push the mistake off screen.
    static std::string UsageMistake(const std::string& program, const std::string& mistake);

    // The port map: where COM1.., LPT1 lead, how to point COM1 at a USB
    // adapter, and what com1, com2 and lpt1 lead to now, with any access
    // problem and its fix.
    static std::string PortMapHelp();
    // One line of the above: "com1 -> /dev/ttyUSB0 (link): ready".
    static std::string PortState(const std::string& portName);
};
