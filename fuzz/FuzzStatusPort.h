#pragma once

#include "platform/ParallelPort.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// A parallel port whose status register answers with the bytes of a fuzz
// input, one a read; once they are used up a read fails, as on a port that
// was unplugged, so that every handshake ends. Writes always succeed.
class FuzzStatusPort : public ParallelPort {
public:
    explicit FuzzStatusPort(std::vector<std::uint8_t> statuses) : statuses_(std::move(statuses)) {}

    bool WriteData(std::uint8_t) override { return true; }
    bool ReadStatus(std::uint8_t& status) override
    {
        if (next_ >= statuses_.size())
            return false;
        status = statuses_[next_++];
        return true;
    }

private:
    std::vector<std::uint8_t> statuses_;
    std::size_t next_ = 0;
};
