// faderbox-sim: a simulated mixing console on a pseudo-terminal, linked into the port
// map so that the monitor server reaches it as COM1 (or the port named).

#include "simulators/faderbox/FaderboxSimulator.h"
#include "simulators/ptyline/SimCommandLine.h"
#include "simulators/ptyline/SimProgram.h"
#include "platform/ProgramInfo.h"

#include <cstdio>
#include <map>

namespace {

const char kUsage[] =
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

}  // namespace

int main(int argc, char** argv)
{
    if (SimCommandLine::PrintVersionIfAsked("faderbox-sim", argc, argv)) return 0;
    static const std::map<std::string, FaderboxFaultKind> kKinds{
        {"silence", FaderboxFaultKind::Silence}, {"first", FaderboxFaultKind::WrongFirstByte},
        {"third", FaderboxFaultKind::WrongThirdByte}, {"short", FaderboxFaultKind::ShortReply},
        {"garbage", FaderboxFaultKind::Garbage},  {"late", FaderboxFaultKind::Late}};

    std::uint32_t values[2] = {0x0102, 0x0304};
    const auto own = [&values](const std::string& option, const std::string& value, std::string& error) {
        const std::size_t comma = value.find(',');
        std::optional<std::uint32_t> first;
        std::optional<std::uint32_t> second;
        if (comma != std::string::npos) {
            first = SimCommandLine::ParseNumber(value.substr(0, comma), 0xFFFF);
            second = SimCommandLine::ParseNumber(value.substr(comma + 1), 0xFFFF);
        }
        if (option != "--values" || !first || !second) {
            error = option != "--values" ? "unknown option " + option : "--values takes two numbers up to 65535";
            return false;
        }
        values[0] = *first;
        values[1] = *second;
        return true;
    };
    std::string error;
    const auto line = SimCommandLine::Parse(std::vector<std::string>(argv + 1, argv + argc), own, error);
    if (!line) {
        std::fputs(ProgramInfo::UsageMistake("faderbox-sim", error).c_str(), stderr);
        return 2;
    }
    if (line->help) {
        SimCommandLine::PrintUsage(stdout, kUsage);
        return 0;
    }

    FaderboxSimulator console;
    console.SetRecording(false);
    console.SetPingValues(static_cast<std::uint16_t>(values[0]), static_cast<std::uint16_t>(values[1]));
    for (const FaultRequest& fault : line->faults) {
        const auto kind = kKinds.find(fault.kind);
        if (kind == kKinds.end()) {
            std::fputs(ProgramInfo::UsageMistake("faderbox-sim", "unknown fault " + fault.kind).c_str(), stderr);
            return 2;
        }
        console.InjectFault({kind->second, fault.request, fault.value});
    }
    return ServeUntilSignal(console, *line, "faderbox-sim", "Mixing console");
}
