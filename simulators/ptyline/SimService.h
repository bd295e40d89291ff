#pragma once

#include "simulators/ptyline/SimCommandLine.h"

#include <chrono>
#include <optional>
#include <string>

// What a simulator program serves once its command line is taken: a device on a
// pseudo-terminal (PtySimService) or a line of another kind (the four-wire target's
// socket). SimProgram::Run starts it, waits for the signals and stops it.
class SimService {
public:
    virtual ~SimService() = default;

    // Links the port and starts serving; false with `error` set when that failed.
    virtual bool Start(const SimCommandLine& line, std::string& error) = 0;
    // The line printed once serving: "EZ-KIT 21k board on /dev/pts/4, linked as com1".
    virtual std::string StartedText(const SimCommandLine& line) const = 0;
    // Once the start-up line is out (and the shell has its answer with --background).
    virtual void Serving() {}
    // Stops serving and removes the port's link if it is still this service's.
    virtual void Stop() = 0;

    // True when SIGUSR1 power-cycles the device (PowerCycle) instead of ending the program.
    virtual bool PowerCycles() const { return false; }
    virtual void PowerCycle() {}
    // How long until Tick() is due, when something is to be done while no signal comes.
    virtual std::optional<std::chrono::milliseconds> TickDue() const { return std::nullopt; }
    virtual void Tick() {}
};
