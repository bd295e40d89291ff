#include "simulators/ez2181/Ez2181SimOptions.h"

#include <charconv>
#include <limits>

namespace {

// A decimal or 0x-prefixed hexadecimal number within 0...max, the whole text.
std::optional<unsigned long> Number(std::string_view text, unsigned long max)
{
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::string_view digits = hex ? text.substr(2) : text;
    unsigned long value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, hex ? 16 : 10);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() || value > max)
        return std::nullopt;
    return value;
}

struct FaultName {
    std::string_view name;
    Ez2181FaultKind kind;
};

constexpr FaultName kFaultNames[] = {
    {"sync", Ez2181FaultKind::WrongSync},     {"address", Ez2181FaultKind::WrongAddress},
    {"length", Ez2181FaultKind::WrongLength}, {"status", Ez2181FaultKind::WrongStatus},
    {"check", Ez2181FaultKind::WrongCheckByte}, {"drop", Ez2181FaultKind::DroppedByte},
    {"silence", Ez2181FaultKind::Silence},
};

}  // namespace

std::optional<Ez2181Fault> Ez2181SimOptions::ParseFault(std::string_view text)
{
    std::optional<std::uint8_t> value;
    if (const auto equals = text.find('='); equals != std::string_view::npos) {
        const auto number = Number(text.substr(equals + 1), 0xFF);
        if (!number)
            return std::nullopt;
        value = static_cast<std::uint8_t>(*number);
        text = text.substr(0, equals);
    }
    unsigned request = 1;
    if (const auto at = text.find('@'); at != std::string_view::npos) {
        const auto number = Number(text.substr(at + 1), std::numeric_limits<unsigned>::max());
        if (!number || *number == 0)
            return std::nullopt;
        request = static_cast<unsigned>(*number);
        text = text.substr(0, at);
    }
    for (const FaultName& f : kFaultNames) {
        if (f.name == text) {
            // Check bytes and silence take no value.
            if (value && (f.kind == Ez2181FaultKind::WrongCheckByte || f.kind == Ez2181FaultKind::Silence))
                return std::nullopt;
            return Ez2181Fault(f.kind, request, value);
        }
    }
    return std::nullopt;
}

std::optional<Ez2181SimOptions> Ez2181SimOptions::Parse(const std::vector<std::string>& args, std::string& error)
{
    Ez2181SimOptions options;
    bool portGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--background") {
            options.background = true;
        } else if (arg == "--verbose" || arg == "-v") {
            options.verbose = true;
        } else if (arg == "--strict-rate") {
            options.strictRate = true;
        } else if (arg == "--power-up") {
            options.powerUp = true;
        } else if (SimLineOptions::IsLineOption(arg) || arg == "--power-up-every" || arg == "--fault"
                   || arg == "--port") {
            if (!hasValue) {
                error = arg + " needs a value";
                return std::nullopt;
            }
            const std::string& value = args[++i];
            if (arg == "--port") {
                options.port = value;
                portGiven = true;
            } else if (arg == "--fault") {
                const auto fault = ParseFault(value);
                if (!fault) {
                    error = "unknown fault \"" + value + "\"";
                    return std::nullopt;
                }
                options.faults.push_back(*fault);
            } else if (SimLineOptions::IsLineOption(arg)) {
                if (!options.line.Take(arg, value, error))
                    return std::nullopt;
            } else {
                const auto number = Number(value, std::numeric_limits<std::uint32_t>::max());
                if (!number || *number == 0) {
                    error = arg + " needs a number above 0, not \"" + value + "\"";
                    return std::nullopt;
                }
                options.powerUpEveryMs = static_cast<unsigned>(*number);
            }
        } else if (!arg.empty() && arg[0] != '-' && !portGiven) {
            options.port = arg;
            portGiven = true;
        } else if (!arg.empty() && arg[0] == '-') {
            error = "unknown option \"" + arg + "\"";
            return std::nullopt;
        } else {
            error = "unexpected \"" + arg + "\"";
            return std::nullopt;
        }
    }
    if (options.powerUpEveryMs != 0)
        options.powerUp = true;
    if (options.strictRate && options.line.baud == 0) {
        error = "--strict-rate needs --baud";
        return std::nullopt;
    }
    if (options.port.empty() || options.port.find('/') != std::string::npos) {
        error = "the port name \"" + options.port + "\" is not a plain name such as com1";
        return std::nullopt;
    }
    return options;
}

std::string Ez2181SimOptions::Usage()
{
    return std::string("usage: ez2181-sim [options] [PORT]\n"
           "A simulated ADSP-2181 EZ-KIT board: its monitor serves a pseudo-terminal that is\n"
           "linked into the port map as PORT (default com1) until SIGINT or SIGTERM, which\n"
           "remove the link again. SIGUSR1 power-cycles the board: memories are lost, flash\n"
           "is kept and the power-on frame FA 00 03 07 02 F8 is sent.\n"
           "\n"
           "  --port NAME          the same as PORT\n")
           + std::string(SimLineOptions::Usage()) +
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
