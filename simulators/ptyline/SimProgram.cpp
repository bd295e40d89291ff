#include "simulators/ptyline/SimProgram.h"

#include "platform/ProgramInfo.h"
#include "simulators/ptyline/SimBackground.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>

namespace {

// Waits for one of `signals`, or until the service's tick is due (then 0).
int WaitForSignal(const sigset_t& signals, SimService& service)
{
    for (;;) {
        const auto due = service.TickDue();
        if (!due) {
            int signal = 0;
            if (sigwait(&signals, &signal) == 0)
                return signal;
            continue;
        }
        const timespec wait{static_cast<time_t>(due->count() / 1000), static_cast<long>(due->count() % 1000) * 1'000'000L};
        const int signal = sigtimedwait(&signals, nullptr, &wait);
        if (signal > 0)
            return signal;
        if (errno == EAGAIN)
            return 0;
    }
}

}  // namespace

int SimProgram::Run(int argc, char** argv, const SimProgramSetup& setup)
{
    if (SimCommandLine::PrintVersionIfAsked(setup.program, argc, argv)) return 0;
    std::string error;
    const auto line = SimCommandLine::Parse(std::vector<std::string>(argv + 1, argv + argc), setup.rules, error);
    if (!line) {
        std::fputs(ProgramInfo::UsageMistake(setup.program, error).c_str(), stderr);
        return 2;
    }
    if (line->help) {
        std::fputs(setup.usage.c_str(), stdout);
        return 0;
    }
    const std::unique_ptr<SimService> service = setup.makeService(*line);

    SimBackground background;
    if (line->background)
        background.Detach(setup.program);

    // The serving threads inherit the blocked signals, so only the wait below sees them.
    sigset_t signals;
    sigemptyset(&signals);
    for (int s : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&signals, s);
    if (service->PowerCycles())
        sigaddset(&signals, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    if (!service->Start(*line, error)) {
        std::fprintf(stderr, "%s: %s\n", setup.program, error.c_str());
        return 1;
    }
    std::printf("%s\n", service->StartedText(*line).c_str());
    std::fflush(stdout);
    background.Ready();
    service->Serving();

    for (;;) {
        const int signal = WaitForSignal(signals, *service);
        if (signal == 0)
            service->Tick();
        else if (signal == SIGUSR1)
            service->PowerCycle();
        else
            break;
    }
    service->Stop();
    return 0;
}
