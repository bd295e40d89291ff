#include "simulators/dspq47/Q47Fault.h"

#include <charconv>

namespace {

// The number after "=" in `text`, within 0...max.
std::optional<unsigned> NumberAfter(std::string_view text, std::string_view name, unsigned max)
{
    if (text.size() <= name.size() + 1 || text.substr(0, name.size()) != name || text[name.size()] != '=')
        return std::nullopt;
    const std::string_view digits = text.substr(name.size() + 1);
    const bool hex = digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X');
    const std::string_view number = hex ? digits.substr(2) : digits;
    unsigned value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value, hex ? 16 : 10);
    if (error != std::errc() || end != number.data() + number.size() || value > max)
        return std::nullopt;
    return value;
}

}  // namespace

std::optional<Q47Fault> Q47Fault::Parse(std::string_view text)
{
    if (text == "none")
        return Q47Fault{Q47FaultKind::None, 0};
    if (text == "silence")
        return Q47Fault{Q47FaultKind::Silence, 0};
    if (text == "wrong-ack")
        return Q47Fault{Q47FaultKind::WrongAcknowledge, 0x15};
    if (text == "stop-after-rows")
        return Q47Fault{Q47FaultKind::StopAfterRows, 0};
    if (text == "bad-checksum")
        return Q47Fault{Q47FaultKind::BadChecksum, 0};
    if (const auto value = NumberAfter(text, "wrong-ack", 0xFF))
        return Q47Fault{Q47FaultKind::WrongAcknowledge, *value};
    if (const auto row = NumberAfter(text, "stop-in-row", 99))
        return Q47Fault{Q47FaultKind::StopInRow, *row};
    return std::nullopt;
}
