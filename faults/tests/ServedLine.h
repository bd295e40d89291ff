#pragma once

#include "platform/PtyPair.h"
#include "simulators/ptyline/ByteDevice.h"
#include "simulators/ptyline/PtyLineServer.h"

#include <filesystem>
#include <string>

// A simulated device served on its own pseudo-terminal, linked as COM1.
class ServedLine {
public:
    explicit ServedLine(ByteDevice& device);
    // A line reached through a lasting name instead, as udev's /dev/serial/by-path/ names
    // lead to whichever /dev/ttyUSBn an adapter got: `lastingName` is made to point here.
    ServedLine(ByteDevice& device, const std::filesystem::path& lastingName);
    ~ServedLine();

    bool ok() const { return ok_; }
    std::string SlavePath() const { return pty_.slavePath(); }
    // The line vanishes as if unplugged.
    void Vanish();

private:
    PtyPair pty_;
    PtyLineServer server_;
    bool ok_ = false;
};
