#include "configurator/UnitConversions.h"

#include <climits>
#include <cstdint>

namespace {

constexpr std::int64_t kMorseScaleNumerator = 65536;  // 8.192 = 65536 / 8000
constexpr std::int64_t kMorseScaleDenominator = 8000;

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Reads the digits at the start of `text` into a saturated non-negative value.
std::int64_t DigitsValue(std::string_view text)
{
    std::int64_t value = 0;
    for (char c : text) {
        if (!IsDigit(c))
            break;
        value = value * 10 + (c - '0');
        if (value > static_cast<std::int64_t>(INT_MAX) + 1)
            value = static_cast<std::int64_t>(INT_MAX) + 1;
    }
    return value;
}

std::string_view SkipBlanks(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    return text.substr(i);
}

int Clamp(std::int64_t value)
{
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

}  // namespace

int UnitConversions::LeadingInteger(std::string_view text)
{
    text = SkipBlanks(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    const std::int64_t value = DigitsValue(text);
    return Clamp(negative ? -value : value);
}

int UnitConversions::RelayNumber(std::string_view relayText)
{
    if (relayText.empty())
        return 0;
    return Clamp(DigitsValue(SkipBlanks(relayText.substr(1))));
}

std::string UnitConversions::RelayText(int relayNumber)
{
    if (relayNumber == 0)
        return {};
    const char* padding = (relayNumber > 0 && relayNumber < 10) ? "R0" : "R";
    return padding + std::to_string(relayNumber);
}

int UnitConversions::RelayGroup(std::string_view groupText)
{
    const int group = LeadingInteger(groupText);
    return group == 0 ? 1 : group;
}

std::string UnitConversions::RelayGroupText(int group)
{
    return std::to_string(group);
}

int UnitConversions::PttFrequencyValue(std::string_view pttFrequency)
{
    return LeadingInteger(pttFrequency);
}

int UnitConversions::MinutesToSeconds(int minutes)
{
    return Clamp(static_cast<std::int64_t>(minutes) * 60);
}

int UnitConversions::SecondsToMinutes(int seconds)
{
    return seconds / 60;
}

int UnitConversions::MorseFreqToWire(int hz)
{
    // Integer division truncates toward zero, as the unit expects.
    return Clamp(static_cast<std::int64_t>(hz) * kMorseScaleNumerator / kMorseScaleDenominator);
}

int UnitConversions::MorseFreqFromWire(int wire)
{
    const std::int64_t scaled = static_cast<std::int64_t>(wire) * kMorseScaleDenominator;
    const std::int64_t half = kMorseScaleNumerator / 2;
    const std::int64_t rounded = scaled >= 0 ? (scaled + half) / kMorseScaleNumerator
                                             : -((-scaled + half) / kMorseScaleNumerator);
    return Clamp(rounded);
}
