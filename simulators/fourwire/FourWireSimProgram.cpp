#include "simulators/fourwire/FourWireSimProgram.h"

#include "simulators/fourwire/FourWireSimService.h"

#include <cstdlib>
#include <limits>
#include <unistd.h>

namespace {

constexpr std::uint32_t kMaxMs = 60000;

// An own option whose value `read` takes; `mistake` followed by the value when it does not.
SimCommandLine::Option ValueOption(std::vector<std::string> names, const char* mistake,
                                   std::function<bool(const std::string& value)> read)
{
    return {std::move(names), true, [mistake, read](const std::string& value, SimCommandLine&, std::string& error) {
                if (read(value))
                    return true;
                error = mistake + value;
                return false;
            }};
}

}  // namespace

const FaultTable<FourWireFaultKind>& FourWireSimProgram::Faults()
{
    using Kind = FourWireFaultKind;
    // Only a stall waits for a byte.
    static const FaultTable<Kind> faults{
        {{"stall", Kind::StallMidByte, FaultValue::None, 0, std::nullopt, true},
         {"status", Kind::WrongStatus, FaultValue::None},
         {"checksum", Kind::BadCheckSum, FaultValue::None},
         {"dead", Kind::NeverPowerUp, FaultValue::None},
         {"clock-first", Kind::DropInput1Early, FaultValue::None}},
        {.requests = false, .times = true, .wording = FaultWording::NotAFault}};
    return faults;
}

SimProgramSetup FourWireSimProgram::Setup()
{
    SimCommandLine::Rules rules;
    rules.defaultPort = "lpt1";
    rules.lateDelay = false;
    rules.lineOptions = false;
    rules.own.push_back({{"--port"}, true, [](const std::string& value, SimCommandLine& line, std::string& error) {
                             if (value.empty() || value.find('/') != std::string::npos)
                                 error = "not a port name: " + value;
                             else
                                 line.port = value;
                             return error.empty();
                         }});
    rules.own.push_back(ValueOption({"--socket"}, "", [this](const std::string& value) {
        socketPath = value;
        return true;
    }));
    // "--version N" is the old spelling of "--target-version N".
    rules.own.push_back(ValueOption({"--target-version", "--version"}, "not a 16-bit version: ",
                                    [this](const std::string& value) {
                                        const auto number = SimCommandLine::ParseNumber(value, 0xFFFF);
                                        version = static_cast<std::uint16_t>(number.value_or(version));
                                        return number.has_value();
                                    }));
    rules.own.push_back(ValueOption({"--answer-delay"}, "not a delay in milliseconds: ", [this](const std::string& value) {
        const auto ms = SimCommandLine::ParseNumber(value, kMaxMs);
        answerDelayMs = ms.value_or(answerDelayMs);
        return ms.has_value();
    }));
    rules.own.push_back(ValueOption({"--hold-drop"}, "not a hold drop: ", [this](const std::string& value) {
        const auto drop = ParseHoldDrop(value);
        holdDrop = drop.value_or(holdDrop);
        return drop.has_value();
    }));
    rules.faultMistake = Faults().MistakeIn();
    const auto makeTarget = [this](const SimCommandLine& line) {
        auto service = std::make_unique<FourWireSimService>(version, socketPath);
        for (const auto& fault : Faults().ReadAll(line.faults))
            service->Target().InjectFault({fault.kind, fault.times, fault.skip});
        service->Target().SetAnswerDelayMs(answerDelayMs);
        service->Target().SetHoldDrop(holdDrop);
        return service;
    };
    return {"fourwire-sim", Usage(), rules, makeTarget};
}

std::optional<FourWireTarget::HoldDrop> FourWireSimProgram::ParseHoldDrop(std::string_view text)
{
    const auto colon = text.find(':');
    if (colon == std::string_view::npos)
        return std::nullopt;
    const std::string_view line = text.substr(0, colon);
    const auto ms = SimCommandLine::ParseNumber(std::string(text.substr(colon + 1)), kMaxMs);
    if (!ms || (line != "data" && line != "clock"))
        return std::nullopt;
    return FourWireTarget::HoldDrop{line == "data" ? FourWireTarget::Line::Data : FourWireTarget::Line::Clock, *ms};
}

std::string FourWireSimProgram::DefaultSocketPath()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string folder = runtime != nullptr && runtime[0] == '/' ? runtime : "/tmp";
    return folder + "/fourwire-sim-" + std::to_string(getpid()) + ".sock";
}

const char* FourWireSimProgram::Usage()
{
    return "Usage: fourwire-sim [--port NAME] [--background] [--socket PATH] [--target-version N]\n"
           "                    [--answer-delay MS] [--hold-drop LINE:MS] [--fault KIND[*TIMES][+SKIP]]...\n"
           "\n"
           "Simulates an ADSP-21xx target on the four-wire parallel-port link: the bit\n"
           "handshake, the start-up handshake, commands 1 and 3 to 8, 64K words of data\n"
           "and program memory and a flash written in blocks of 256 bytes.\n"
           "\n"
           "The simulated port is served on a Unix socket, and the port map name (default\n"
           "lpt1) is linked to it: $XDG_CONFIG_HOME/dosdevices/lpt1 -> the socket. A monitor\n"
           "server started with the same XDG_CONFIG_HOME finds the link, sees a socket\n"
           "instead of a /dev/parportN device, and drives this target in place of a\n"
           "parallel port, so that Varnix.FourWire21xx can be scripted end to end.\n"
           "One client at a time holds the port. The program serves until SIGINT or\n"
           "SIGTERM and then removes the socket and its link.\n"
           "\n"
           "A server started by the session bus gets the bus's environment, so set\n"
           "XDG_CONFIG_HOME before the bus starts. For example:\n"
           "  sim=$(fourwire-sim --background)\n"
           "  varnix-call varnix.fourwire21xx PowerOn 'ReadDM(0x20, 3, 0, 0)'\n"
           "  kill \"$sim\"\n"
           "\n"
           "  --port NAME     port map name to link (default lpt1)\n"
           "  --socket PATH   socket to serve (default DIR/fourwire-sim-<pid>.sock, DIR\n"
           "                  being $XDG_RUNTIME_DIR, or /tmp without it)\n"
           "  --target-version N\n"
           "                  the target's version, answered to command 1 (default 0x0102);\n"
           "                  the old spelling --version N still works\n"
           "  --answer-delay MS\n"
           "                  answer every change of the PC's lines MS milliseconds late,\n"
           "                  as a slow target does, and miss what the PC changes and\n"
           "                  takes back meanwhile (default 0; the start-up wants answers\n"
           "                  within 100 ms)\n"
           "  --hold-drop LINE:MS\n"
           "                  during the start-up hold lower LINE (data or clock) for MS\n"
           "                  milliseconds, 300 ms after raising both; the PC must then\n"
           "                  see another unbroken second before it lets go\n"
           "  --fault F       inject a fault; may be repeated. KIND is one of\n"
           "                    stall        stop clocking after four bits of a byte\n"
           "                    status       answer command 1 with status 0xF0\n"
           "                    checksum     send a check sum one too high\n"
           "                    dead         never power up: answer nothing at all, ever\n"
           "                    clock-first  at start-up lower the clock before the data\n"
           "                  *TIMES: how often it strikes (default 1, 0 = always);\n"
           "                  +SKIP (stall only): whole bytes that go through first\n"
           "  --background    return to the shell only once the port is linked and\n"
           "                  served; prints the simulator's process number (stop it\n"
           "                  with kill)\n"
           "  --help          this text\n"
           "  --version       (alone) the program's version and licence\n"
           "\n"
           "The link is made only where the port has none, or one to this same socket, or\n"
           "a stale one to a /dev/pts/N that no longer exists; a link to anything else is\n"
           "left alone and the program does not start. The dosdevices folder stays.\n"
           "\n"
           "Socket conversation (one request at a time): on connecting the server sends\n"
           "'K', or 'B' when another client holds the port; 'W' v sets the data register\n"
           "to v; 'R' asks for the status register, answered with one byte.\n";
}
