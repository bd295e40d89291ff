// dspq47-sim: a simulated DSP-Q47 unit on a pseudo-terminal, linked into the port map so
// that the configurator reaches it as "Com1" (or the port named).

#include "simulators/dspq47/Q47Unit.h"
#include "simulators/ptyline/PtyLinePort.h"
#include "simulators/ptyline/SimBackground.h"
#include "simulators/ptyline/SimCommandLine.h"
#include "platform/ProgramInfo.h"

#include <csignal>
#include <cstdio>
#include <string>
#include <string_view>

namespace {

const char kUsage[] =
    "usage: dspq47-sim [--port NAME] [--background] [--pace] [--baud RATE]\n"
    "                  [--adapter KIND] [--latency MS] [--fault FAULT]\n"
    "  --port NAME     port map name to link (default com1)\n"
    "  --pace          answer at the pace of a 4800 baud line (the same as --baud 4800)\n"
    "  --fault FAULT   silence | wrong-ack[=BYTE] | stop-in-row=ROW |\n"
    "                  stop-after-rows | bad-checksum\n";

}  // namespace

int main(int argc, char** argv)
{
    if (SimCommandLine::PrintVersionIfAsked("dspq47-sim", argc, argv)) return 0;
    std::string port = "com1";
    SimLineOptions lineOptions;
    bool inBackground = false;
    Q47Fault fault;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            SimCommandLine::PrintUsage(stdout, kUsage);
            return 0;
        }
        std::string error;
        if (arg == "--pace") {
            lineOptions.Take("--baud", std::to_string(Q47Unit::kBaud), error);
        } else if (arg == "--background") {
            inBackground = true;
        } else if ((arg == "--port" || arg == "--fault" || SimLineOptions::IsLineOption(argv[i])) && !hasValue) {
            std::fputs(ProgramInfo::UsageMistake("dspq47-sim", std::string(arg) + " needs a value").c_str(), stderr);
            return 2;
        } else if (SimLineOptions::IsLineOption(argv[i])) {
            if (!lineOptions.Take(argv[i], argv[i + 1], error)) {
                std::fputs(ProgramInfo::UsageMistake("dspq47-sim", error).c_str(), stderr);
                return 2;
            }
            ++i;
        } else if (arg == "--port") {
            port = argv[++i];
        } else if (arg == "--fault") {
            const auto parsed = Q47Fault::Parse(argv[++i]);
            if (!parsed) {
                const std::string mistake = "unknown fault \"" + std::string(argv[i]) + "\"";
                std::fputs(ProgramInfo::UsageMistake("dspq47-sim", mistake).c_str(), stderr);
                return 2;
            }
            fault = *parsed;
        } else {
            std::fputs(ProgramInfo::UsageMistake("dspq47-sim", "unknown option " + std::string(arg)).c_str(), stderr);
            return 2;
        }
    }
    SimBackground background;
    if (inBackground)
        background.Detach("dspq47-sim");

    // The serving thread inherits the blocked signals, so only sigwait sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    Q47Unit unit;
    unit.SetFault(fault);
    PtyLinePort line(unit);
    lineOptions.ApplyTo(line.Server());
    if (!line.Start(port)) {
        std::fprintf(stderr, "dspq47-sim: %s\n", line.StartError().c_str());
        return 1;
    }
    std::printf("DSP-Q47 unit on %s, linked as %s%s\n", line.SlavePath().c_str(), port.c_str(),
                lineOptions.Description().c_str());
    std::fflush(stdout);
    background.Ready();

    int received = 0;
    sigwait(&stopSignals, &received);
    line.Stop();
    return 0;
}
