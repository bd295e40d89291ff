// fourwire-sim: a simulated four-wire ADSP-21xx target on a Unix socket, linked
// into the port map so that the monitor server reaches it as LPT1.

#include "simulators/fourwire/FourWireSimOptions.h"
#include "simulators/fourwire/FourWireSocketServer.h"
#include "simulators/fourwire/FourWireTarget.h"

#include "simulators/ptyline/PortClaim.h"
#include "simulators/ptyline/SimBackground.h"
#include "simulators/ptyline/SimCommandLine.h"

#include "platform/Clock.h"
#include "platform/ProgramInfo.h"

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <sys/signalfd.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (SimCommandLine::PrintVersionIfAsked("fourwire-sim", argc, argv)) return 0;
    std::string error;
    const auto options = FourWireSimOptions::Parse(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::fputs(ProgramInfo::UsageMistake("fourwire-sim", error).c_str(), stderr);
        return 2;
    }
    if (options->help) {
        std::fputs(FourWireSimOptions::Usage(), stdout);
        return 0;
    }
    SimBackground background;
    if (options->background)
        background.Detach("fourwire-sim");

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
    PortClaim claim;
    if (!claim.Claim(options->port, servedPath, error)) {
        std::fprintf(stderr, "fourwire-sim: %s\n", error.c_str());
        return 1;
    }
    std::printf("Four-wire target on %s, linked as %s\n", servedPath.c_str(), options->port.c_str());
    std::fflush(stdout);
    background.Ready();

    server.Serve(stopFd);

    claim.Release();
    close(stopFd);
    return 0;
}
