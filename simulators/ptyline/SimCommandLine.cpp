#include "simulators/ptyline/SimCommandLine.h"

#include "platform/ProgramInfo.h"

#include <algorithm>
#include <charconv>
#include <cstring>

std::optional<std::uint32_t> SimCommandLine::ParseNumber(const std::string& text, std::uint32_t max)
{
    std::string_view digits = text;
    int base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits.remove_prefix(2);
        base = 16;
    }
    std::uint64_t value = 0;
    const auto [end, failure] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (digits.empty() || failure != std::errc() || end != digits.data() + digits.size() || value > max)
        return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

bool SimCommandLine::PrintVersionIfAsked(const char* program, int argc, char** argv)
{
    if (argc != 2 || std::strcmp(argv[1], "--version") != 0) return false;
    std::fputs(ProgramInfo::VersionText(program).c_str(), stdout);
    return true;
}

const char* SimCommandLine::CommonUsage()
{
    return "  --background    return to the shell only once the port is linked and served;\n"
           "                  prints the simulator's process number (stop it with kill)\n"
           "  --help          this text\n"
           "  --version       (alone) the program's version and licence\n"
           "The port's link in $XDG_CONFIG_HOME/dosdevices is made only where there is none,\n"
           "where it is stale (a /dev/pts/N that no longer exists) or already this line's; a\n"
           "link to anything else is left alone and the simulator does not start (a link to\n"
           "a live /dev/pts/N, a simulator that is ending, gets two seconds to go). At the end\n"
           "(SIGINT, SIGTERM, SIGHUP) the link is removed if it is still this line's; the\n"
           "dosdevices folder stays.\n";
}

std::string SimCommandLine::Usage(const char* ownUsage)
{
    return std::string(ownUsage) + SimLineOptions::Usage() + CommonUsage();
}

SimCommandLine::Option SimCommandLine::NumberOption(const std::string& name, std::uint32_t max,
                                                    const std::string& mistake, std::uint32_t& number)
{
    return {{name}, true, [max, mistake, &number](const std::string& value, SimCommandLine&, std::string& error) {
                const auto parsed = ParseNumber(value, max);
                if (!parsed)
                    error = mistake;
                number = parsed.value_or(number);
                return parsed.has_value();
            }};
}

SimCommandLine::Option SimCommandLine::NumberPairOption(const std::string& name, std::uint32_t max,
                                                        const std::string& mistake, std::uint32_t (&numbers)[2])
{
    return {{name}, true, [max, mistake, &numbers](const std::string& value, SimCommandLine&, std::string& error) {
                const std::size_t comma = value.find(',');
                const auto first = ParseNumber(value.substr(0, comma), max);
                const auto second = comma == std::string::npos ? std::nullopt : ParseNumber(value.substr(comma + 1), max);
                if (!first || !second) {
                    error = mistake;
                    return false;
                }
                numbers[0] = *first;
                numbers[1] = *second;
                return true;
            }};
}

namespace {

const SimCommandLine::Option* FindOption(const std::vector<SimCommandLine::Option>& options, const std::string& name)
{
    for (const SimCommandLine::Option& option : options)
        if (std::find(option.names.begin(), option.names.end(), name) != option.names.end())
            return &option;
    return nullptr;
}

}  // namespace

std::optional<SimCommandLine> SimCommandLine::Parse(const std::vector<std::string>& args, const Rules& rules,
                                                    std::string& error)
{
    SimCommandLine line;
    line.port = rules.defaultPort;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        const Option* own = FindOption(rules.own, option);
        const bool lineOption = rules.lineOptions && SimLineOptions::IsLineOption(option);
        const bool common =
            option == "--port" || option == "--fault" || (rules.lateDelay && option == "--late-ms") || lineOption;
        if (own == nullptr && (option == "--help" || option == "-h")) {
            line.help = true;
            continue;
        }
        if (own == nullptr && option == "--background") {
            line.background = true;
            continue;
        }
        if (own == nullptr && !common) {
            if (!rules.other) {
                error = "unknown option " + option;
                return std::nullopt;
            }
            if (!rules.other(option, line, error))
                return std::nullopt;
            continue;
        }
        if ((own == nullptr || own->takesValue) && i + 1 >= args.size()) {
            error = option + " needs a value";
            return std::nullopt;
        }
        const std::string value = own != nullptr && !own->takesValue ? std::string() : args[++i];
        if (own != nullptr) {
            if (!own->take(value, line, error))
                return std::nullopt;
        } else if (option == "--port") {
            if (value.empty()) {
                error = "--port needs a name";
                return std::nullopt;
            }
            line.port = value;
        } else if (option == "--late-ms") {
            const auto ms = ParseNumber(value, 600'000);
            if (!ms) {
                error = "--late-ms takes milliseconds up to 600000";
                return std::nullopt;
            }
            line.lateDelay = std::chrono::milliseconds(*ms);
        } else if (option == "--fault") {
            const auto fault = FaultRequest::Parse(value);
            error = rules.faultMistake ? rules.faultMistake(value) : fault ? ""
                                                                           : "bad fault " + value;
            if (!error.empty())
                return std::nullopt;
            line.faults.push_back(*fault);
        } else if (!line.lineOptions.Take(option, value, error)) {
            return std::nullopt;
        }
    }
    if (rules.check && !rules.check(line, error))
        return std::nullopt;
    return line;
}
