// ezkit21k-sim: a simulated ADSP-21k EZ-KIT board on a pseudo-terminal, linked into the
// port map so that the monitor server reaches it as COM1 (or the port named).

#include "simulators/ezkit21k/Ezkit21kSimulator.h"
#include "simulators/ptyline/FaultTable.h"
#include "simulators/ptyline/PtySimService.h"
#include "simulators/ptyline/SimProgram.h"

int main(int argc, char** argv)
{
    using Kind = Ezkit21kFaultKind;
    static const FaultTable<Kind> kFaults{{"silence", Kind::Silence}, {"descriptor", Kind::WrongDescriptor}, {"count", Kind::WrongCount}, {"garbage", Kind::Garbage}, {"late", Kind::Late}};
    std::uint32_t lockout = 0;
    const auto makeBoard = [&lockout](const SimCommandLine& line) {
        auto board = std::make_unique<Ezkit21kSimulator>();
        board->SetRecording(false);
        for (const auto& fault : kFaults.ReadAll(line.faults))
            board->InjectFault({fault.kind, fault.request, fault.value});
        board->SetLockoutBits(lockout);
        return std::make_unique<PtySimService>(std::move(board), "EZ-KIT 21k board");
    };
    const char* usage =
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
    const SimCommandLine::Rules rules{
        .own = {SimCommandLine::NumberOption("--lockout", 3, "--lockout takes 0 to 3", lockout)},
        .faultMistake = kFaults.MistakeIn()};
    return SimProgram::Run(argc, argv, {"ezkit21k-sim", SimCommandLine::Usage(usage), rules, makeBoard});
}
