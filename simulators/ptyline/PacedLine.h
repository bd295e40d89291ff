#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <vector>

// One direction of a serial line at a given rate: every byte put on it becomes
// due one byte time (10 bits) after the line was free for it, so a burst
// drains at the line's rate and an idle line passes a byte after one byte
// time. At rate 0 every byte is due at once.
class PacedLine {
public:
    using Clock = std::chrono::steady_clock;

    static std::chrono::nanoseconds ByteTime(std::uint32_t baud);

    void Put(std::span<const std::uint8_t> bytes, Clock::time_point now, std::uint32_t baud);
    // The bytes due by `now`, oldest first; they stay queued until Drop().
    std::vector<std::uint8_t> Due(Clock::time_point now) const;
    void Drop(std::size_t count);
    std::optional<Clock::time_point> NextDue() const;
    // When the last byte put on the line is through.
    Clock::time_point FreeAt() const { return free_; }
    bool Empty() const { return queue_.empty(); }
    void Clear() { queue_.clear(); }

private:
    struct Entry {
        Clock::time_point due;
        std::uint8_t byte;
    };
    std::deque<Entry> queue_;
    Clock::time_point free_{};
};
