#pragma once

#include <string>

// The example udev rules file installed with the documentation (not enabled):
// ModemManager leaves the listed adapters alone, FTDI adapters get a latency
// timer of 1 ms, and the user at the seat may use them.
class ExampleRules {
public:
    static constexpr const char* kFileName = "60-varnix-serial.rules";
    // Where it is installed: the Debian package's place when that exists, else
    // the install prefix's documentation folder.
    static std::string Path();
    // The commands that enable it.
    static std::string InstallCommand();
};
