#pragma once

#include <cstdint>

// Millisecond tick source for every time-out and pause of the board links.
// Production code uses SteadyClock; tests hand in a FakeClock so that waits
// of ten or thirty seconds run at once.
class Clock {
public:
    virtual ~Clock() = default;

    // Milliseconds since an arbitrary, fixed origin; never goes backwards.
    virtual std::uint64_t NowMs() = 0;

    // Gives the time until NowMs() has advanced by `ms`. Links call it for
    // their pauses between attempts; a fake clock simply advances.
    virtual void SleepMs(std::uint32_t ms) = 0;

    // The clock shared by all production code.
    static Clock& Steady();
};
