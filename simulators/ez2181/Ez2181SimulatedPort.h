#pragma once

#include "simulators/ez2181/Ez2181Runner.h"
#include "simulators/ez2181/Ez2181Simulator.h"

#include "platform/PtyPair.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// A simulated board on a pseudo-terminal that is linked into the port map under
// a port name, served on a thread: the whole of what ez2181-sim runs, and what
// a test of the PC side needs in one object.
class Ez2181SimulatedPort {
public:
    explicit Ez2181SimulatedPort(std::uint32_t baud = 0);
    ~Ez2181SimulatedPort();
    Ez2181SimulatedPort(const Ez2181SimulatedPort&) = delete;
    Ez2181SimulatedPort& operator=(const Ez2181SimulatedPort&) = delete;

    // Links the pseudo-terminal as `portName` ("com1") and starts serving;
    // false when the terminal, the link or the serving thread failed.
    bool Start(std::string_view portName);
    // Stops serving and removes the link if it still points at this line.
    void Stop();
    // The line vanishes as if unplugged: serving stops and the master side
    // closes, so the PC's side reports a hang-up. The link stays.
    void VanishLine();

    Ez2181Simulator& Board() { return board_; }
    Ez2181Runner& Runner() { return runner_; }
    std::string SlavePath() const { return pty_.slavePath(); }

private:
    PtyPair pty_;
    Ez2181Simulator board_;
    Ez2181Runner runner_;
    std::string port_;
};
