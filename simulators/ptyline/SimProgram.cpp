#include "simulators/ptyline/SimProgram.h"

#include "simulators/ptyline/PtyLinePort.h"
#include "simulators/ptyline/SimBackground.h"

#include <csignal>
#include <cstdio>

int ServeUntilSignal(ByteDevice& device, const SimCommandLine& line, const char* program, const std::string& what)
{
    SimBackground background;
    if (line.background)
        background.Detach(program);

    // The serving thread inherits the blocked signals, so only sigwait below sees them.
    sigset_t signals;
    sigemptyset(&signals);
    for (int s : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&signals, s);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    PtyLinePort port(device);
    port.Server().SetLateDelay(line.lateDelay);
    line.lineOptions.ApplyTo(port.Server());
    if (!port.Start(line.port)) {
        std::fprintf(stderr, "%s: %s\n", program, port.StartError().c_str());
        return 1;
    }
    std::printf("%s on %s, linked as %s%s\n", what.c_str(), port.SlavePath().c_str(), line.port.c_str(),
                line.lineOptions.Description().c_str());
    std::fflush(stdout);
    background.Ready();

    int signal = 0;
    while (sigwait(&signals, &signal) != 0) {
    }
    port.Stop();
    return 0;
}
