// dspq47-sim: a simulated DSP-Q47 unit on a pseudo-terminal, linked into the port map so
// that the configurator reaches it as "Com1" (or the port named).

#include "simulators/dspq47/Q47Unit.h"
#include "simulators/ptyline/PtySimService.h"
#include "simulators/ptyline/SimProgram.h"

int main(int argc, char** argv)
{
    const auto makeUnit = [](const SimCommandLine& line) {
        auto unit = std::make_unique<Q47Unit>();
        for (const auto& fault : Q47Fault::Kinds().ReadAll(line.faults))
            unit->SetFault({fault.kind, fault.value.value_or(0)});  // the last one stays
        return std::make_unique<PtySimService>(std::move(unit), "DSP-Q47 unit");
    };
    const SimCommandLine::Option pace{{"--pace"}, false, [](const std::string&, SimCommandLine& line, std::string& error) {
                                          return line.lineOptions.Take("--baud", std::to_string(Q47Unit::kBaud), error);
                                      }};
    const char* usage =
        "usage: dspq47-sim [--port NAME] [--background] [--pace] [--baud RATE]\n"
        "                  [--adapter KIND] [--latency MS] [--fault FAULT]\n"
        "  --port NAME     port map name to link (default com1)\n"
        "  --pace          answer at the pace of a 4800 baud line (the same as --baud 4800)\n"
        "  --fault FAULT   silence | wrong-ack[=BYTE] | stop-in-row=ROW |\n"
        "                  stop-after-rows | bad-checksum\n";
    const SimCommandLine::Rules rules{.lateDelay = false, .own = {pace}, .faultMistake = Q47Fault::Kinds().MistakeIn()};
    return SimProgram::Run(argc, argv, {"dspq47-sim", SimCommandLine::Usage(usage), rules, makeUnit});
}
