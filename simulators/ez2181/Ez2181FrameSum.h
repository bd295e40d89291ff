#pragma once

#include <cstdint>

// The two running sums modulo 255 that guard every frame on the monitor's line
// (docs/ez2181.md, section "Wire protocol").
// A sender passes each frame byte through Add(), then appends CheckByte() twice
// (the first check byte entering the sums before the second is taken); a
// receiver passes every byte, both check bytes included, and accepts the frame
// when IsZero(). Working modulo 255, a byte 0xFF counts as 0.
class Ez2181FrameSum {
public:
    void Reset();
    void Add(std::uint8_t byte);
    // 255 minus (sum 1 + sum 2) modulo 255: a value from 1 to 255, never 0.
    std::uint8_t CheckByte() const;
    bool IsZero() const { return sum1_ == 0 && sum2_ == 0; }

private:
    unsigned sum1_ = 0;
    unsigned sum2_ = 0;
};
