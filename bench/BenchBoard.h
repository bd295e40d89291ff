#pragma once

#include "platform/PtyPair.h"
#include "simulators/ez2181/Ez2181Simulator.h"
#include "simulators/ptyline/PtyLineServer.h"

#include <memory>
#include <string>

// A simulated 2181 board of the benchmarks that program boards through varnix: the
// board on a pseudo-terminal of its own, linked into the run's port map as `port`.
struct BenchBoard {
    PtyPair pty;
    Ez2181Simulator simulator;
    std::unique_ptr<PtyLineServer> server;
    std::string port;
};
