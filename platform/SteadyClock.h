#pragma once

#include "platform/Clock.h"

// The real clock: std::chrono::steady_clock in milliseconds.
class SteadyClock : public Clock {
public:
    std::uint64_t NowMs() override;
    void SleepMs(std::uint32_t ms) override;
};
