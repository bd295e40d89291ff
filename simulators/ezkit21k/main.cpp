// ezkit21k-sim: a simulated ADSP-21k EZ-KIT board on a pseudo-terminal, linked into the
// port map so that the monitor server reaches it as COM1 (or the port named).

#include "simulators/ezkit21k/Ezkit21kSimulator.h"
#include "simulators/ptyline/SimCommandLine.h"
#include "simulators/ptyline/SimProgram.h"
#include "platform/ProgramInfo.h"

#include <cstdio>
#include <map>

namespace {

const char kUsage[] =
    "usage: ezkit21k-sim [--port NAME] [--background] [--baud RATE] [--adapter KIND]\n"
    "                    [--latency MS]\n"
    "                    [--lockout BITS] [--late-ms N] [--fault KIND[@N][=VALUE]]...\n"
    "  --port NAME     port map name to link (default com1)\n"
    "  --lockout BITS  lockout bits already set in the flash (0 to 3)\n"
    "  --late-ms N     how late a late reply comes (default 1500)\n"
    "  --fault FAULT   KIND is silence, descriptor, count, garbage or late; N counts the\n"
    "                  request packets from the start (default 1); VALUE is the fault's own\n"
    "                  (silence: packets in a row, none = hung; descriptor: the descriptor;\n"
    "                  count: the count or length; garbage: stray bytes after the reply)\n";

}  // namespace

int main(int argc, char** argv)
{
    static const std::map<std::string, Ezkit21kFaultKind> kKinds{
        {"silence", Ezkit21kFaultKind::Silence}, {"descriptor", Ezkit21kFaultKind::WrongDescriptor},
        {"count", Ezkit21kFaultKind::WrongCount}, {"garbage", Ezkit21kFaultKind::Garbage},
        {"late", Ezkit21kFaultKind::Late}};

    std::uint32_t lockout = 0;
    const auto own = [&lockout](const std::string& option, const std::string& value, std::string& error) {
        if (option != "--lockout") {
            error = "unknown option " + option;
            return false;
        }
        const auto bits = SimCommandLine::ParseNumber(value, 3);
        if (!bits)
            error = "--lockout takes 0 to 3";
        lockout = bits.value_or(0);
        return bits.has_value();
    };
    if (SimCommandLine::PrintVersionIfAsked("ezkit21k-sim", argc, argv)) return 0;
    std::string error;
    const auto line = SimCommandLine::Parse(std::vector<std::string>(argv + 1, argv + argc), own, error);
    if (!line) {
        std::fputs(ProgramInfo::UsageMistake("ezkit21k-sim", error).c_str(), stderr);
        return 2;
    }
    if (line->help) {
        SimCommandLine::PrintUsage(stdout, kUsage);
        return 0;
    }

    Ezkit21kSimulator board;
    board.SetRecording(false);
    for (const FaultRequest& fault : line->faults) {
        const auto kind = kKinds.find(fault.kind);
        if (kind == kKinds.end()) {
            std::fputs(ProgramInfo::UsageMistake("ezkit21k-sim", "unknown fault " + fault.kind).c_str(), stderr);
            return 2;
        }
        board.InjectFault({kind->second, fault.request, fault.value});
    }
    board.SetLockoutBits(lockout);
    return ServeUntilSignal(board, *line, "ezkit21k-sim", "EZ-KIT 21k board");
}
