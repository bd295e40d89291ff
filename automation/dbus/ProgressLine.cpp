#include "automation/dbus/ProgressLine.h"

#include <algorithm>

int ProgressLine::Percent(std::uint64_t done, std::uint64_t total)
{
    if (total == 0 || done >= total) return 100;
    // In floating point: done * 100 could overflow 64 bits.
    return std::clamp(static_cast<int>(static_cast<long double>(done) * 100 / static_cast<long double>(total)), 0, 99);
}

std::string ProgressLine::Text(std::uint64_t done, std::uint64_t total)
{
    return std::to_string(Percent(done, total)) + "% (" + std::to_string(done) + " of " + std::to_string(total) + " bytes)";
}

std::optional<std::string> ProgressLine::Next(std::uint64_t done, std::uint64_t total)
{
    const int percent = Percent(done, total);
    if (percent < lastShown_) lastShown_ = -1;
    const bool due = lastShown_ < 0 || percent >= lastShown_ + step_ || (percent == 100 && lastShown_ != 100);
    if (!due) return std::nullopt;
    lastShown_ = percent;
    return Text(done, total);
}
