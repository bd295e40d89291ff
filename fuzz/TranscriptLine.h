#pragma once

#include "platform/tests/FakeCommDevice.h"

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

// A line to a simulated device that keeps every byte the PC read, in order:
// exactly what a reply fuzz target's line must hand out to repeat the call.
class TranscriptLine : public FakeCommDevice {
public:
    using Bytes = std::vector<std::uint8_t>;
    // Takes what the PC wrote (nothing on a read) and gives what the device sent meanwhile.
    using Device = std::function<Bytes(std::span<const std::uint8_t>)>;

    TranscriptLine(Device device, Bytes& transcript) : device_(std::move(device)), transcript_(transcript) {}

    long Write(const std::uint8_t* data, std::size_t count, std::uint32_t timeoutMs = 0) override
    {
        const long written = FakeCommDevice::Write(data, count, timeoutMs);
        QueueInput(device_(std::span(data, count)));
        return written;
    }
    long Read(std::uint8_t* buffer, std::size_t count) override
    {
        QueueInput(device_({}));
        const long read = FakeCommDevice::Read(buffer, count);
        if (read > 0)
            transcript_.insert(transcript_.end(), buffer, buffer + read);
        return read;
    }

private:
    Device device_;
    Bytes& transcript_;
};
