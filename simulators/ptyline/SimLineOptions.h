#pragma once

#include "simulators/ptyline/UsbAdapter.h"

#include <cstdint>
#include <optional>
#include <string>

class PtyLineServer;

// The options that shape a simulator's line, taken by every serial simulator program:
//   --baud RATE     pace both directions at RATE baud, 10 bits a byte (default unpaced)
//   --adapter NAME  put a USB adapter of that kind on the PC's side (UsbAdapter presets)
//   --latency MS    an adapter whose latency timer is MS milliseconds (with --adapter:
//                   that adapter's chunks; alone: 62-byte chunks, as an FTDI chip's)
struct SimLineOptions {
    std::uint32_t baud = 0;
    std::optional<UsbAdapter::Settings> adapter;

    static bool IsLineOption(const std::string& option);
    // Takes one of the options above with its value; false with `error` set when the
    // value is wrong. The order of --adapter and --latency does not matter.
    bool Take(const std::string& option, const std::string& value, std::string& error);
    // Sets the server's rate and adapter; before it starts.
    void ApplyTo(PtyLineServer& server) const;
    // " paced at 38400 baud, behind an adapter of 16 ms latency": what the program's
    // start-up line adds; empty for a plain line.
    std::string Description() const;
    static const char* Usage();

private:
    std::optional<std::chrono::milliseconds> latency_;
};
