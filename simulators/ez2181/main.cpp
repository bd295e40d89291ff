// ez2181-sim: a simulated ADSP-2181 EZ-KIT board on a pseudo-terminal, linked into the
// port map so that the monitor server reaches it as COM1 (or the port named).

#include "simulators/ez2181/Ez2181SimOptions.h"
#include "simulators/ez2181/Ez2181Simulator.h"
#include "simulators/ptyline/PtyLinePort.h"
#include "simulators/ptyline/SimCommandLine.h"
#include "simulators/ptyline/SimBackground.h"
#include "platform/ProgramInfo.h"

#include <csignal>
#include <cstdio>
#include <ctime>
#include <string>

namespace {

// "request 3 to 0xFF: command 0x02, payload 00 00 40 10 04"
void Trace(std::size_t number, const Ez2181Frame& frame)
{
    std::string payload;
    for (std::uint8_t b : frame.payload) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", b);
        payload += hex;
    }
    std::fprintf(stderr, "ez2181-sim: request %zu to 0x%02X: command 0x%02X, payload%s\n", number, frame.address,
                 frame.command, payload.empty() ? " none" : payload.c_str());
}

}  // namespace

int main(int argc, char** argv)
{
    if (SimCommandLine::PrintVersionIfAsked("ez2181-sim", argc, argv)) return 0;
    std::string error;
    const auto options = Ez2181SimOptions::Parse(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::fputs(ProgramInfo::UsageMistake("ez2181-sim", error).c_str(), stderr);
        return 2;
    }
    if (options->help) {
        std::fputs(Ez2181SimOptions::Usage().c_str(), stdout);
        return 0;
    }
    SimBackground background;
    if (options->background)
        background.Detach("ez2181-sim");

    // The serving thread inherits the blocked signals, so only sigtimedwait below sees them.
    sigset_t signals;
    sigemptyset(&signals);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGUSR1})
        sigaddset(&signals, s);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    std::size_t requests = 0;  // outlives the port, whose serving thread counts it
    Ez2181Simulator board;
    board.SetRecording(false);
    for (const Ez2181Fault& fault : options->faults)
        board.InjectFault(fault);
    PtyLinePort port(board);
    options->line.ApplyTo(port.Server());
    port.Server().SetRequireMatchingRate(options->strictRate);
    if (options->verbose)
        board.SetFrameListener([&requests](const Ez2181Frame& frame) { Trace(++requests, frame); });
    if (!port.Start(options->port)) {
        std::fprintf(stderr, "ez2181-sim: %s\n", port.StartError().c_str());
        return 1;
    }
    std::printf("EZ-KIT 2181 board on %s, linked as %s%s\n", port.SlavePath().c_str(), options->port.c_str(),
                options->line.Description().c_str());
    std::fflush(stdout);
    background.Ready();

    bool poweredUp = options->powerUp;
    if (poweredUp)
        board.PowerUp();
    for (;;) {
        const bool repeating = poweredUp && options->powerUpEveryMs != 0 && !board.PowerOnAcknowledged();
        int signal = 0;
        if (repeating) {
            timespec wait{static_cast<time_t>(options->powerUpEveryMs / 1000),
                          static_cast<long>(options->powerUpEveryMs % 1000) * 1'000'000L};
            signal = sigtimedwait(&signals, nullptr, &wait);
            if (signal < 0) {
                if (!board.PowerOnAcknowledged())
                    board.SendPowerOnFrame();
                continue;
            }
        } else if (sigwait(&signals, &signal) != 0) {
            continue;
        }
        if (signal == SIGUSR1) {
            board.PowerUp();
            poweredUp = true;
            continue;
        }
        break;
    }

    port.Stop();
    return 0;
}
