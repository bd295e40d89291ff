#pragma once

#include "simulators/ptyline/PtyLineServer.h"

#include "platform/PtyPair.h"
#include "simulators/ptyline/PortClaim.h"

#include <cstdint>
#include <string>
#include <string_view>

// A simulated device on a pseudo-terminal that is linked into the port map
// under a port name and served on a thread: the whole of what a simulator
// program runs, and what a test of the PC side needs in one object.
class PtyLinePort {
public:
    explicit PtyLinePort(ByteDevice& device, std::uint32_t baud = 0);
    ~PtyLinePort();
    PtyLinePort(const PtyLinePort&) = delete;
    PtyLinePort& operator=(const PtyLinePort&) = delete;

    // Links the pseudo-terminal as `portName` ("com1") and starts serving;
    // false, with StartError() saying why, when the terminal, the link or the serving
    // thread failed. A link to something else that still exists is left alone and fails
    // the start (see PortClaim).
    bool Start(std::string_view portName);
    const std::string& StartError() const { return startError_; }
    // Stops serving and removes the link if it still points at this line, so
    // that a device started later under the same name keeps its link.
    void Stop();
    // The line vanishes as if unplugged: serving stops and the master side
    // closes, so the PC's side reports a hang-up. The link stays.
    void VanishLine();

    PtyLineServer& Server() { return server_; }
    std::string SlavePath() const { return pty_.slavePath(); }

private:
    PtyPair pty_;
    PtyLineServer server_;
    PortClaim claim_;
    std::string startError_;
};
