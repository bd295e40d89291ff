#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
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

    static constexpr std::chrono::milliseconds kDefaultFrameTimeout{500};

    virtual ~ByteDevice() = default;
    virtual void Receive(std::span<const std::uint8_t> bytes) = 0;
    virtual std::vector<Output> TakeOutput() = 0;

    // A device that also produces output on its own (a power-up asked for from
    // another thread) calls the listener whenever it has queued some, so that
    // the server sends it at once. The server sets it while it serves.
    virtual void SetOutputListener(std::function<void()> /*listener*/) {}

    // A device that gives up a half-received request when the line goes quiet
    // in the middle of it tells so with InFrame(); the server calls
    // AbandonPartialFrame() once the line has been quiet for FrameTimeout().
    virtual bool InFrame() const { return false; }
    virtual void AbandonPartialFrame() {}
    virtual std::chrono::milliseconds FrameTimeout() const { return kDefaultFrameTimeout; }

protected:
    // For a device that never answers late: `bytes` as one piece of output,
    // leaving `bytes` empty; no piece at all when there are none.
    static std::vector<Output> TakeAsOnePiece(std::vector<std::uint8_t>& bytes)
    {
        std::vector<Output> out;
        if (!bytes.empty())
            out.push_back({std::move(bytes), false});
        bytes.clear();
        return out;
    }
};
