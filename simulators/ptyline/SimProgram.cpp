#include "simulators/ptyline/SimProgram.h"

#include "simulators/ptyline/PtyLinePort.h"

#include <csignal>
#include <cstdio>

int ServeUntilSignal(ByteDevice& device, const std::string& port, const std::string& what,
                     std::chrono::milliseconds lateDelay)
{
    // The serving thread inherits the blocked signals, so only sigwait below sees them.
    sigset_t signals;
    sigemptyset(&signals);
    for (int s : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&signals, s);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    PtyLinePort line(device);
    line.Server().SetLateDelay(lateDelay);
    if (!line.Start(port)) {
        std::fprintf(stderr, "cannot open a pseudo-terminal linked as %s\n", port.c_str());
        return 1;
    }
    std::printf("%s on %s, linked as %s\n", what.c_str(), line.SlavePath().c_str(), port.c_str());
    std::fflush(stdout);

    int signal = 0;
    while (sigwait(&signals, &signal) != 0) {
    }
    line.Stop();
    return 0;
}
