#include "simulators/ptyline/SimProgram.h"

#include "simulators/ptyline/PtyLineServer.h"

#include "platform/PortMap.h"
#include "platform/PtyPair.h"

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace {

// Removes the link only while it still points at this line, so that a
// simulator started later under the same name keeps its link.
void UnlinkIfOurs(const std::string& port, const std::string& slavePath)
{
    std::error_code error;
    const auto target = std::filesystem::read_symlink(PortMap::LinkPath(port), error);
    if (!error && target == slavePath)
        PortMap::Unlink(port);
}

}  // namespace

int ServeUntilSignal(ByteDevice& device, const std::string& port, const std::string& what,
                     std::chrono::milliseconds lateDelay)
{
    // The serving thread inherits the blocked signals, so only sigwait below sees them.
    sigset_t signals;
    sigemptyset(&signals);
    for (int s : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&signals, s);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    PtyPair pty;
    if (!pty.ok() || !PortMap::Link(port, pty.slavePath())) {
        std::fprintf(stderr, "cannot open a pseudo-terminal linked as %s\n", port.c_str());
        return 1;
    }
    PtyLineServer server(device, pty.masterFd());
    server.SetLateDelay(lateDelay);
    if (!server.Start()) {
        std::fprintf(stderr, "cannot serve %s\n", pty.slavePath().c_str());
        UnlinkIfOurs(port, pty.slavePath());
        return 1;
    }
    std::printf("%s on %s, linked as %s\n", what.c_str(), pty.slavePath().c_str(), port.c_str());
    std::fflush(stdout);

    int signal = 0;
    while (sigwait(&signals, &signal) != 0) {
    }
    server.Stop();
    UnlinkIfOurs(port, pty.slavePath());
    return 0;
}
