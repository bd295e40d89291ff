// fourwire-sim: a simulated four-wire ADSP-21xx target on a Unix socket, linked
// into the port map so that the monitor server reaches it as LPT1.

#include "simulators/fourwire/FourWireSimOptions.h"
#include "simulators/fourwire/FourWireSocketServer.h"
#include "simulators/fourwire/FourWireTarget.h"

#include "platform/Clock.h"
#include "platform/PortMap.h"

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <sys/signalfd.h>
#include <system_error>
#include <unistd.h>

namespace {

// Removes the port map link only while it still points at this program's socket.
void UnlinkIfOurs(const std::string& port, const std::string& socketPath)
{
    std::error_code error;
    const auto target = std::filesystem::read_symlink(PortMap::LinkPath(port), error);
    if (!error && target == socketPath)
        PortMap::Unlink(port);
}

}  // namespace

int main(int argc, char** argv)
{
    std::string error;
    const auto options = FourWireSimOptions::Parse(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::fprintf(stderr, "fourwire-sim: %s\n%s", error.c_str(), FourWireSimOptions::Usage());
        return 2;
    }
    if (options->help) {
        std::fputs(FourWireSimOptions::Usage(), stdout);
        return 0;
    }

    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigprocmask(SIG_BLOCK, &signals, nullptr);
    const int stopFd = signalfd(-1, &signals, SFD_CLOEXEC);

    FourWireTarget target(Clock::Steady(), options->version);
    for (const FourWireFault& fault : options->faults)
        target.InjectFault(fault);
    target.SetAnswerDelayMs(options->answerDelayMs);
    target.SetHoldDrop(options->holdDrop);

    const std::string socketPath =
        options->socketPath.empty() ? FourWireSimOptions::DefaultSocketPath() : options->socketPath;
    FourWireSocketServer server(target);
    if (stopFd < 0 || !server.Listen(socketPath, error)) {
        std::fprintf(stderr, "fourwire-sim: %s\n", stopFd < 0 ? "cannot watch for signals" : error.c_str());
        return 1;
    }
    const std::string servedPath = std::filesystem::absolute(socketPath).string();
    if (!PortMap::Link(options->port, servedPath)) {
        std::fprintf(stderr, "fourwire-sim: cannot link %s to %s\n", options->port.c_str(), servedPath.c_str());
        return 1;
    }
    std::printf("Four-wire target on %s, linked as %s\n", servedPath.c_str(), options->port.c_str());
    std::fflush(stdout);

    server.Serve(stopFd);

    UnlinkIfOurs(options->port, servedPath);
    close(stopFd);
    return 0;
}
