#include "simulators/ptyline/SimCommandLine.h"

#include "platform/ProgramInfo.h"

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

void SimCommandLine::PrintUsage(std::FILE* to, const char* ownUsage)
{
    std::fputs(ownUsage, to);
    std::fputs(SimLineOptions::Usage(), to);
    std::fputs(CommonUsage(), to);
}

std::optional<SimCommandLine> SimCommandLine::Parse(const std::vector<std::string>& args, const OwnOption& own,
                                                    std::string& error)
{
    SimCommandLine line;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (option == "--help" || option == "-h") {
            line.help = true;
            continue;
        }
        if (option == "--background") {
            line.background = true;
            continue;
        }
        const bool common = option == "--port" || option == "--late-ms" || option == "--fault"
                            || SimLineOptions::IsLineOption(option);
        if (common && i + 1 >= args.size()) {
            error = option + " needs a value";
            return std::nullopt;
        }
        // The program's own handler names an unknown option, with or without a value.
        const std::string value = i + 1 < args.size() ? args[++i] : std::string();
        if (option == "--port") {
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
            if (!fault) {
                error = "bad fault " + value;
                return std::nullopt;
            }
            line.faults.push_back(*fault);
        } else if (SimLineOptions::IsLineOption(option)) {
            if (!line.lineOptions.Take(option, value, error))
                return std::nullopt;
        } else if (!own(option, value, error)) {
            return std::nullopt;
        }
    }
    return line;
}
