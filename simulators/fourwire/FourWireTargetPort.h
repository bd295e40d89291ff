#pragma once

#include "platform/ParallelPort.h"

#include <cstdint>

class FourWireTarget;

// A parallel port with the simulated four-wire target on its lines, for use in
// the same process. Counts the register accesses.
class FourWireTargetPort : public ParallelPort {
public:
    explicit FourWireTargetPort(FourWireTarget& target) : target_(target) {}

    bool WriteData(std::uint8_t value) override;
    bool ReadStatus(std::uint8_t& status) override;

    std::uint64_t writes() const { return writes_; }
    std::uint64_t reads() const { return reads_; }

private:
    FourWireTarget& target_;
    std::uint64_t writes_ = 0;
    std::uint64_t reads_ = 0;
};
