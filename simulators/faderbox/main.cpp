// faderbox-sim: a simulated mixing console on a pseudo-terminal, linked into the port
// map so that the monitor server reaches it as COM1 (or the port named).

#include "simulators/faderbox/FaderboxSimulator.h"
#include "simulators/ptyline/FaultTable.h"
#include "simulators/ptyline/PtySimService.h"
#include "simulators/ptyline/SimProgram.h"

int main(int argc, char** argv)
{
    using Kind = FaderboxFaultKind;
    static const FaultTable<Kind> kFaults{{"silence", Kind::Silence}, {"first", Kind::WrongFirstByte}, {"third", Kind::WrongThirdByte}, {"short", Kind::ShortReply}, {"garbage", Kind::Garbage}, {"late", Kind::Late}};
    std::uint32_t values[2] = {0x0102, 0x0304};
    const auto makeConsole = [&values](const SimCommandLine& line) {
        auto console = std::make_unique<FaderboxSimulator>();
        console->SetRecording(false);
        console->SetPingValues(static_cast<std::uint16_t>(values[0]), static_cast<std::uint16_t>(values[1]));
        for (const auto& fault : kFaults.ReadAll(line.faults))
            console->InjectFault({fault.kind, fault.request, fault.value});
        return std::make_unique<PtySimService>(std::move(console), "Mixing console");
    };
    const char* usage =
        "usage: faderbox-sim [--port NAME] [--background] [--baud RATE] [--adapter KIND]\n"
        "                    [--latency MS]\n"
        "                    [--values A,B] [--late-ms N] [--fault KIND[@N][=VALUE]]...\n"
        "  --port NAME    port map name to link (default com1)\n"
        "  --values A,B   the two 16-bit values a ping returns\n"
        "  --late-ms N    how late a late reply comes (default 1500)\n"
        "  --fault FAULT  KIND is silence, first, third, short, garbage or late; N counts the\n"
        "                 pings from the start (default 1); VALUE is the fault's own (silence:\n"
        "                 pings in a row, none = hung; first, third: the byte; short: bytes\n"
        "                 sent; garbage: stray bytes after the reply)\n";
    const SimCommandLine::Rules rules{
        .own = {SimCommandLine::NumberPairOption("--values", 0xFFFF, "--values takes two numbers up to 65535", values)},
        .faultMistake = kFaults.MistakeIn()};
    return SimProgram::Run(argc, argv, {"faderbox-sim", SimCommandLine::Usage(usage), rules, makeConsole});
}
