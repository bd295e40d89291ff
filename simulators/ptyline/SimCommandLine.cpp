#include "simulators/ptyline/SimCommandLine.h"

#include <charconv>

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
        if (i + 1 >= args.size()) {
            error = option.rfind("--", 0) == 0 ? option + " needs a value" : "unknown argument " + option;
            return std::nullopt;
        }
        const std::string& value = args[++i];
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
        } else if (!own(option, value, error)) {
            return std::nullopt;
        }
    }
    return line;
}
