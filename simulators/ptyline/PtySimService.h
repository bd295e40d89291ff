#pragma once

#include "simulators/ptyline/ByteDevice.h"
#include "simulators/ptyline/PtyLinePort.h"
#include "simulators/ptyline/SimService.h"

#include <memory>
#include <string>

// A simulated device served on a pseudo-terminal linked into the port map (PtyLinePort),
// at the command line's pace, adapter and late delay.
class PtySimService : public SimService {
public:
    // `what` names the device in the start-up line ("EZ-KIT 21k board").
    PtySimService(std::unique_ptr<ByteDevice> device, std::string what);

    bool Start(const SimCommandLine& line, std::string& error) override;
    std::string StartedText(const SimCommandLine& line) const override;
    void Stop() override;

protected:
    ByteDevice& Device() { return *device_; }
    // The line's server, for settings of the device's own before Start.
    PtyLineServer& Server() { return port_.Server(); }

private:
    std::unique_ptr<ByteDevice> device_;
    std::string what_;
    PtyLinePort port_;
};
