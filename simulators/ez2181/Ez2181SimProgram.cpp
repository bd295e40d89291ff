#include "simulators/ez2181/Ez2181SimProgram.h"

#include "simulators/ez2181/Ez2181SimService.h"
#include "simulators/ez2181/Ez2181Simulator.h"

#include <limits>

const FaultTable<Ez2181FaultKind>& Ez2181SimProgram::Faults()
{
    using Kind = Ez2181FaultKind;
    // Check bytes and silence take no value.
    static const FaultTable<Kind> faults{
        {{"sync", Kind::WrongSync, FaultValue::Optional, 0xFF},
         {"address", Kind::WrongAddress, FaultValue::Optional, 0xFF},
         {"length", Kind::WrongLength, FaultValue::Optional, 0xFF},
         {"status", Kind::WrongStatus, FaultValue::Optional, 0xFF},
         {"check", Kind::WrongCheckByte, FaultValue::None},
         {"drop", Kind::DroppedByte, FaultValue::Optional, 0xFF},
         {"silence", Kind::Silence, FaultValue::None}},
        {.maxRequest = std::numeric_limits<unsigned>::max(), .wording = FaultWording::UnknownQuoted}};
    return faults;
}

SimProgramSetup Ez2181SimProgram::Setup()
{
    using Line = SimCommandLine;
    const auto flag = [](const char* name, bool& on) {
        return Line::Option{{name}, false, [&on](const std::string&, Line&, std::string&) { return on = true; }};
    };
    SimCommandLine::Rules rules;
    rules.lateDelay = false;
    rules.own = {flag("--verbose", verbose), flag("-v", verbose), flag("--strict-rate", strictRate),
                 flag("--power-up", powerUp)};
    rules.own.push_back({{"--power-up-every"}, true, [this](const std::string& value, Line&, std::string& error) {
                             const auto ms = Line::ParseNumber(value, std::numeric_limits<std::uint32_t>::max());
                             if (!ms || *ms == 0)
                                 error = "--power-up-every needs a number above 0, not \"" + value + "\"";
                             powerUpEveryMs = ms.value_or(0);
                             return powerUpEveryMs != 0;
                         }});
    rules.own.push_back({{"--port"}, true, [this](const std::string& value, Line& line, std::string&) {
                             line.port = value;
                             return portGiven_ = true;
                         }});
    rules.other = [this](const std::string& argument, Line& line, std::string& error) {
        if (!argument.empty() && argument[0] != '-' && !portGiven_) {
            line.port = argument;
            return portGiven_ = true;
        }
        const bool option = !argument.empty() && argument[0] == '-';
        error = (option ? "unknown option \"" : "unexpected \"") + argument + "\"";
        return false;
    };
    rules.faultMistake = Faults().MistakeIn();
    rules.check = [this](const Line& line, std::string& error) {
        powerUp = powerUp || powerUpEveryMs != 0;
        if (strictRate && line.lineOptions.baud == 0)
            error = "--strict-rate needs --baud";
        else if (line.port.empty() || line.port.find('/') != std::string::npos)
            error = "the port name \"" + line.port + "\" is not a plain name such as com1";
        return error.empty();
    };
    const auto makeBoard = [this](const Line& line) {
        auto board = std::make_unique<Ez2181Simulator>();
        board->SetRecording(false);
        for (const auto& fault : Faults().ReadAll(line.faults))
            board->InjectFault(Ez2181Fault(fault.kind, fault.request, fault.value));
        return std::make_unique<Ez2181SimService>(std::move(board), *this);
    };
    return {"ez2181-sim", Usage(), rules, makeBoard};
}

std::string Ez2181SimProgram::Usage()
{
    return std::string("usage: ez2181-sim [options] [PORT]\n"
                       "A simulated ADSP-2181 EZ-KIT board: its monitor serves a pseudo-terminal that is\n"
                       "linked into the port map as PORT (default com1) until SIGINT or SIGTERM, which\n"
                       "remove the link again. SIGUSR1 power-cycles the board: memories are lost, flash\n"
                       "is kept and the power-on frame FA 00 03 07 02 F8 is sent.\n"
                       "\n"
                       "  --port NAME          the same as PORT\n") +
           std::string(SimLineOptions::Usage()) +
           "  --strict-rate        with --baud: bytes cross only while the PC's side of the\n"
           "                       line is set to that same rate; otherwise they are lost\n"
           "  --power-up           power-cycle the board when serving starts\n"
           "  --power-up-every MS  after a power-up, send the power-on frame again every MS\n"
           "                       milliseconds until the PC acknowledges it (implies\n"
           "                       --power-up)\n"
           "  --fault KIND[@N][=V] spoil the reply to the N-th request frame (default 1),\n"
           "                       counted from the start; may be given more than once.\n"
           "                       KIND is one of\n"
           "                         sync     first byte V (default 0x00) instead of 0xFA\n"
           "                         address  address byte V (default 0x01)\n"
           "                         length   length byte V (default one too many)\n"
           "                         status   status V (default 0x00) instead of 0xFE\n"
           "                         check    second check byte off by one\n"
           "                         drop     byte number V of the frame left out\n"
           "                                  (0 = sync; default the last check byte)\n"
           "                         silence  from frame N on, no request is carried\n"
           "                                  out or answered until the next power-up\n"
           "                       Only frames whose check bytes are right are counted.\n"
           "  --verbose            write every request frame received to standard error\n"
           "  --background         return to the shell only once the port is linked and\n"
           "                       served; prints the simulator's process number (stop it\n"
           "                       with kill)\n"
           "  --help               show this text\n"
           "  --version            (alone) the program's version and licence\n"
           "\n"
           "The port's link in $XDG_CONFIG_HOME/dosdevices is made only where there is none,\n"
           "where it is stale (a /dev/pts/N that no longer exists) or already this line's; a\n"
           "link to anything else is left alone and the simulator does not start (a link to\n"
           "a live /dev/pts/N, a simulator that is ending, gets two seconds to go). At the end\n"
           "the link is removed if it is still this line's; the dosdevices folder stays.\n";
}
