#include "simulators/fourwire/FourWireSimOptions.h"

#include "simulators/ptyline/SimCommandLine.h"

#include <cstdlib>
#include <limits>
#include <unistd.h>

namespace {

struct FaultName {
    std::string_view name;
    FourWireFaultKind kind;
};

constexpr FaultName kFaultNames[] = {
    {"stall", FourWireFaultKind::StallMidByte},   {"status", FourWireFaultKind::WrongStatus},
    {"checksum", FourWireFaultKind::BadCheckSum}, {"dead", FourWireFaultKind::NeverPowerUp},
    {"clock-first", FourWireFaultKind::DropInput1Early},
};

constexpr std::uint32_t kMaxCount = std::numeric_limits<unsigned>::max();
constexpr std::uint32_t kMaxMs = 60000;

}  // namespace

std::optional<FourWireFault> FourWireSimOptions::ParseFault(std::string_view text)
{
    FourWireFault fault;
    if (const auto plus = text.find('+'); plus != std::string_view::npos) {
        const auto skip = SimCommandLine::ParseNumber(std::string(text.substr(plus + 1)), kMaxCount);
        if (!skip)
            return std::nullopt;
        fault.skipBytes = static_cast<unsigned>(*skip);
        text = text.substr(0, plus);
    }
    if (const auto star = text.find('*'); star != std::string_view::npos) {
        const auto times = SimCommandLine::ParseNumber(std::string(text.substr(star + 1)), kMaxCount);
        if (!times)
            return std::nullopt;
        fault.times = static_cast<unsigned>(*times);
        text = text.substr(0, star);
    }
    for (const FaultName& f : kFaultNames) {
        if (f.name == text) {
            if (fault.skipBytes != 0 && f.kind != FourWireFaultKind::StallMidByte)
                return std::nullopt;  // only a stall waits for a byte
            fault.kind = f.kind;
            return fault;
        }
    }
    return std::nullopt;
}

std::optional<FourWireTarget::HoldDrop> FourWireSimOptions::ParseHoldDrop(std::string_view text)
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

std::optional<FourWireSimOptions> FourWireSimOptions::Parse(const std::vector<std::string>& args, std::string& error)
{
    FourWireSimOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            continue;
        }
        if (arg == "--background") {
            options.background = true;
            continue;
        }
        // "--version N" is the old spelling of "--target-version N".
        if (arg != "--port" && arg != "--socket" && arg != "--target-version" && arg != "--version" && arg != "--fault"
            && arg != "--answer-delay" && arg != "--hold-drop") {
            error = "unknown option " + arg;
            return std::nullopt;
        }
        if (i + 1 >= args.size()) {
            error = arg + " needs a value";
            return std::nullopt;
        }
        const std::string& value = args[++i];
        if (arg == "--port") {
            if (value.empty() || value.find('/') != std::string::npos) {
                error = "not a port name: " + value;
                return std::nullopt;
            }
            options.port = value;
        } else if (arg == "--socket") {
            options.socketPath = value;
        } else if (arg == "--target-version" || arg == "--version") {
            const auto version = SimCommandLine::ParseNumber(value, 0xFFFF);
            if (!version) {
                error = "not a 16-bit version: " + value;
                return std::nullopt;
            }
            options.version = static_cast<std::uint16_t>(*version);
        } else if (arg == "--answer-delay") {
            const auto ms = SimCommandLine::ParseNumber(value, kMaxMs);
            if (!ms) {
                error = "not a delay in milliseconds: " + value;
                return std::nullopt;
            }
            options.answerDelayMs = *ms;
        } else if (arg == "--hold-drop") {
            const auto drop = ParseHoldDrop(value);
            if (!drop) {
                error = "not a hold drop: " + value;
                return std::nullopt;
            }
            options.holdDrop = *drop;
        } else {
            const auto fault = ParseFault(value);
            if (!fault) {
                error = "not a fault: " + value;
                return std::nullopt;
            }
            options.faults.push_back(*fault);
        }
    }
    return options;
}

std::string FourWireSimOptions::DefaultSocketPath()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string folder = runtime != nullptr && runtime[0] == '/' ? runtime : "/tmp";
    return folder + "/fourwire-sim-" + std::to_string(getpid()) + ".sock";
}

const char* FourWireSimOptions::Usage()
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
