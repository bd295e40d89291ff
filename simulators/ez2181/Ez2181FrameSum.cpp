#include "simulators/ez2181/Ez2181FrameSum.h"

void Ez2181FrameSum::Reset()
{
    sum1_ = 0;
    sum2_ = 0;
}

void Ez2181FrameSum::Add(std::uint8_t byte)
{
    sum1_ += byte;
    if (sum1_ >= 255)
        sum1_ -= 255;
    sum2_ += sum1_;
    if (sum2_ >= 255)
        sum2_ -= 255;
}

std::uint8_t Ez2181FrameSum::CheckByte() const
{
    unsigned t = sum1_ + sum2_;
    if (t >= 255)
        t -= 255;
    return static_cast<std::uint8_t>(255 - t);
}
