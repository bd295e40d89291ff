#pragma once

#include "platform/ParallelPort.h"

#include <cstdint>
#include <vector>

// A parallel port for tests: keeps every value written to the data register,
// answers status reads with a value the test sets, and can be made to fail as a
// port that was unplugged does.
class FakeParallelPort : public ParallelPort {
public:
    bool WriteData(std::uint8_t value) override;
    bool ReadStatus(std::uint8_t& status) override;

    void SetStatus(std::uint8_t status) { status_ = status; }
    void SetFailing(bool failing) { failing_ = failing; }
    const std::vector<std::uint8_t>& writes() const { return writes_; }
    int statusReads() const { return statusReads_; }

private:
    std::uint8_t status_ = 0;
    bool failing_ = false;
    std::vector<std::uint8_t> writes_;
    int statusReads_ = 0;
};
