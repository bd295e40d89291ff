#pragma once

#include "platform/CommDevice.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

class Ez2181Simulator;
class FakeClock;

// A serial line whose other end is a simulated 2181 board in the same process, for tests
// that need no pseudo-terminal: every byte written reaches the board at once, and reads
// take what the board has answered. A read that finds nothing is a read time-out: it
// moves the fake clock (when there is one) on by the line's total read time-out.
class SimulatedBoardLine : public CommDevice {
public:
    explicit SimulatedBoardLine(Ez2181Simulator& board, FakeClock* clock = nullptr);

    bool Open(const std::string& path) override;
    void Close() override { open_ = false; }
    bool IsOpen() const override { return open_; }

    bool GetSettings(CommSettings& out) override;
    bool SetSettings(const CommSettings& s) override;
    void SetReadTimeouts(std::uint32_t intervalMs, std::uint32_t totalMs) override;
    long Read(std::uint8_t* buffer, std::size_t count) override;
    long Write(const std::uint8_t* data, std::size_t count, std::uint32_t writeTimeoutMs = 0) override;
    bool Escape(EscapeFunction) override { return open_; }
    bool GetModemStatus(std::uint32_t& status) override;
    bool PurgeInput() override;
    bool WaitTransmitterEmpty(std::uint32_t) override { return open_; }
    std::string LastError() const override { return open_ ? "" : "Bad file descriptor"; }

    // Runs `action` once, right after the next purge of the input: the way to put bytes
    // on the line that a request or a wait must not throw away.
    void AfterNextPurge(std::function<void()> action) { afterPurge_ = std::move(action); }

    // Everything the PC wrote, in order.
    const std::vector<std::uint8_t>& written() const { return written_; }
    void ClearWritten() { written_.clear(); }
    const std::string& openedPath() const { return openedPath_; }
    const CommSettings& settings() const { return settings_; }
    int purges() const { return purges_; }

private:
    Ez2181Simulator& board_;
    FakeClock* clock_;
    bool open_ = false;
    std::string openedPath_;
    CommSettings settings_;
    std::uint32_t readTotalMs_ = 0;
    std::deque<std::uint8_t> input_;
    std::vector<std::uint8_t> written_;
    std::function<void()> afterPurge_;
    int purges_ = 0;
};
