#include "configurator/UnitConfig.h"

void UnitConfig::ResetToDefaults()
{
    *this = UnitConfig{};
}

bool UnitConfig::ShareRelaySettings(std::size_t row)
{
    if (row >= kToneRows)
        return false;
    const FunctionToneEntry& source = toneTable[row];
    if (source.relayName.empty())
        return false;
    bool changed = false;
    for (std::size_t i = 0; i < kToneRows; ++i) {
        FunctionToneEntry& other = toneTable[i];
        if (i == row || other.relayName != source.relayName)
            continue;
        if (other.relayGroup != source.relayGroup || other.relayDurationMs != source.relayDurationMs) {
            other.relayGroup = source.relayGroup;
            other.relayDurationMs = source.relayDurationMs;
            changed = true;
        }
    }
    return changed;
}

std::array<FunctionToneEntry, UnitConfig::kToneRows> UnitConfig::DefaultToneTable()
{
    std::array<FunctionToneEntry, kToneRows> table{};
    for (std::size_t i = 0; i < kToneRows; ++i)
        table[i].digitalOutput = static_cast<int>(i % 64);
    return table;
}
