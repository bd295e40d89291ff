#include "simulators/ptyline/FaultRequest.h"

#include "simulators/ptyline/SimCommandLine.h"

std::optional<FaultRequest> FaultRequest::Parse(std::string_view text)
{
    FaultRequest fault;
    if (const std::size_t equals = text.find('='); equals != std::string_view::npos) {
        const auto value = SimCommandLine::ParseNumber(std::string(text.substr(equals + 1)), 0xFFFFFFFFu);
        if (!value)
            return std::nullopt;
        fault.value = *value;
        text = text.substr(0, equals);
    }
    if (const std::size_t at = text.find('@'); at != std::string_view::npos) {
        const auto request = SimCommandLine::ParseNumber(std::string(text.substr(at + 1)), 1'000'000);
        if (!request || *request < 1)
            return std::nullopt;
        fault.request = *request;
        text = text.substr(0, at);
    }
    if (text.empty())
        return std::nullopt;
    fault.kind = std::string(text);
    return fault;
}
