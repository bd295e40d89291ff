#pragma once

#include "platform/tests/FakeCommDevice.h"
#include "simulators/dspq47/Q47Unit.h"

// A recording fake line with a simulated unit at its far end: every byte written goes to
// the unit at once and the unit's answer is queued as input. A read finds the answer or
// ends at once, so time-outs cost no time.
class FakeLineUnit : public FakeCommDevice {
public:
    long Write(const std::uint8_t* data, std::size_t count, std::uint32_t writeTimeoutMs = 0) override;

    Q47Unit& unit() { return unit_; }
    std::uint32_t lastWriteTimeoutMs() const { return lastWriteTimeoutMs_; }

private:
    Q47Unit unit_;
    std::uint32_t lastWriteTimeoutMs_ = 0;
};
