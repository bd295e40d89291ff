#pragma once

#include "platform/Clock.h"

// A clock for tests: time stands still unless the test advances it, and
// every NowMs() call may advance it by a fixed step so that polling loops
// reach their time-outs without real waiting.
class FakeClock : public Clock {
public:
    explicit FakeClock(std::uint64_t stepPerReadMs = 0) : step_(stepPerReadMs) {}

    std::uint64_t NowMs() override
    {
        const std::uint64_t t = now_;
        now_ += step_;
        return t;
    }
    void SleepMs(std::uint32_t ms) override
    {
        now_ += ms;
        slept_ += ms;
        ++sleeps_;
    }

    void Advance(std::uint64_t ms) { now_ += ms; }
    void SetStep(std::uint64_t stepPerReadMs) { step_ = stepPerReadMs; }
    std::uint64_t TotalSleptMs() const { return slept_; }
    int SleepCount() const { return sleeps_; }

private:
    std::uint64_t now_ = 0;
    std::uint64_t step_;
    std::uint64_t slept_ = 0;
    int sleeps_ = 0;
};
