#include "simulators/ptyline/FaultSpec.h"

#include "simulators/ptyline/SimCommandLine.h"

std::optional<FaultSpec> FaultSpec::Parse(std::string_view text)
{
    FaultSpec spec;
    if (const std::size_t equals = text.find('='); equals != std::string_view::npos) {
        const auto value = SimCommandLine::ParseNumber(std::string(text.substr(equals + 1)), 0xFFFFFFFFu);
        if (!value)
            return std::nullopt;
        spec.value = *value;
        text = text.substr(0, equals);
    }
    if (const std::size_t at = text.find('@'); at != std::string_view::npos) {
        const auto request = SimCommandLine::ParseNumber(std::string(text.substr(at + 1)), 1'000'000);
        if (!request || *request < 1)
            return std::nullopt;
        spec.request = *request;
        text = text.substr(0, at);
    }
    if (text.empty())
        return std::nullopt;
    spec.kind = std::string(text);
    return spec;
}
