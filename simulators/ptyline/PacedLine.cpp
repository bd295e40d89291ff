#include "simulators/ptyline/PacedLine.h"

#include <algorithm>

std::chrono::nanoseconds PacedLine::ByteTime(std::uint32_t baud)
{
    if (baud == 0)
        return std::chrono::nanoseconds(0);
    return std::chrono::nanoseconds(10'000'000'000LL / baud);
}

void PacedLine::Put(std::span<const std::uint8_t> bytes, Clock::time_point now, std::uint32_t baud)
{
    const std::chrono::nanoseconds byteTime = ByteTime(baud);
    for (std::uint8_t b : bytes) {
        free_ = std::max(free_, now) + byteTime;
        queue_.push_back(Entry{free_, b});
    }
}

std::vector<std::uint8_t> PacedLine::Due(Clock::time_point now) const
{
    std::vector<std::uint8_t> due;
    for (const Entry& e : queue_) {
        if (e.due > now)
            break;
        due.push_back(e.byte);
    }
    return due;
}

void PacedLine::Drop(std::size_t count)
{
    queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(std::min(count, queue_.size())));
}

std::optional<PacedLine::Clock::time_point> PacedLine::NextDue() const
{
    if (queue_.empty())
        return std::nullopt;
    return queue_.front().due;
}
