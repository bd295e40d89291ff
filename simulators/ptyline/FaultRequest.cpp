#include "simulators/ptyline/FaultRequest.h"

#include "simulators/ptyline/SimCommandLine.h"

#include <limits>

namespace {

// Takes "<mark>NUMBER" off the end of `text` into `number`; false when the mark is
// there and the number is not.
bool TakeSuffix(std::string_view& text, char mark, std::optional<std::uint32_t>& number, std::uint32_t max)
{
    const std::size_t at = text.find(mark);
    if (at == std::string_view::npos)
        return true;
    number = SimCommandLine::ParseNumber(std::string(text.substr(at + 1)), max);
    text = text.substr(0, at);
    return number.has_value();
}

}  // namespace

std::optional<FaultRequest> FaultRequest::Parse(std::string_view text)
{
    constexpr std::uint32_t kMaxCount = std::numeric_limits<unsigned>::max();
    std::optional<std::uint32_t> value, skip, times, request;
    if (!TakeSuffix(text, '=', value, 0xFFFFFFFFu) || !TakeSuffix(text, '+', skip, kMaxCount) || !TakeSuffix(text, '*', times, kMaxCount) || !TakeSuffix(text, '@', request, kMaxCount))
        return std::nullopt;
    if (text.empty() || (request && *request < 1))
        return std::nullopt;
    FaultRequest fault;
    fault.kind = std::string(text);
    fault.request = request.value_or(1);
    fault.requestGiven = request.has_value();
    fault.value = value;
    fault.times = times;
    fault.skip = skip;
    return fault;
}
