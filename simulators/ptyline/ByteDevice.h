#pragma once

#include <cstdint>
#include <span>
#include <vector>

// The device end of a serial line as a byte-in, byte-out machine: what the
// PC sends goes in through Receive(), the device's answers come out of
// TakeOutput() in the order the device produced them. Implementations are
// safe to call from any thread.
class ByteDevice {
public:
    // One piece of output. A late piece reaches the PC only after the PC
    // has waited for it in vain: in-process, after the next read has timed
    // out; on a pseudo-terminal, after the server's late delay.
    struct Output {
        std::vector<std::uint8_t> bytes;
        bool late = false;
    };

    virtual ~ByteDevice() = default;
    virtual void Receive(std::span<const std::uint8_t> bytes) = 0;
    virtual std::vector<Output> TakeOutput() = 0;
};
