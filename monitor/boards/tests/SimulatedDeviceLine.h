#pragma once

#include "platform/CommDevice.h"
#include "simulators/ptyline/ByteDevice.h"

class FakeClock;

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

// A serial line whose other end is a simulated device in the same process,
// for tests that need no pseudo-terminal: every byte written reaches the
// device at once, reads take what it has answered, and a read that finds
// nothing is a read time-out at once: it moves the fake clock (when there is
// one) on by the line's total read time-out. A late answer arrives only when a
// read has timed out waiting for it, so it waits on the line for whatever comes next.
class SimulatedDeviceLine : public CommDevice {
public:
    explicit SimulatedDeviceLine(ByteDevice& device, FakeClock* clock = nullptr) : device_(device), clock_(clock) {}

    bool Open(const std::string& path) override;
    void Close() override { open_ = false; }
    bool IsOpen() const override { return open_; }

    bool GetSettings(CommSettings& out) override;
    bool SetSettings(const CommSettings& s) override;
    void SetReadTimeouts(std::uint32_t, std::uint32_t totalMs) override { readTotalMs_ = totalMs; }
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
    void ClearWritten();
    // How many bytes had been written at each purge of the input.
    const std::vector<std::size_t>& purgedAt() const { return purgedAt_; }
    // How many bytes had been written at the end of each write: where the writes split.
    const std::vector<std::size_t>& writeEnds() const { return writeEnds_; }
    // Bytes a purge threw away.
    std::size_t bytesPurged() const { return bytesPurged_; }
    std::size_t readTimeouts() const { return readTimeouts_; }
    const std::string& openedPath() const { return openedPath_; }
    const CommSettings& settings() const { return settings_; }
    // Makes writes fail, as on a line that has gone away.
    void FailWrites(bool fail) { failWrites_ = fail; }

private:
    void TakeDeviceOutput();

    ByteDevice& device_;
    FakeClock* clock_;
    bool open_ = false;
    bool failWrites_ = false;
    std::string openedPath_;
    CommSettings settings_;
    std::deque<ByteDevice::Output> input_;
    std::vector<std::uint8_t> written_;
    std::vector<std::size_t> purgedAt_;
    std::vector<std::size_t> writeEnds_;
    std::size_t bytesPurged_ = 0;
    std::size_t readTimeouts_ = 0;
    std::uint32_t readTotalMs_ = 0;
    std::function<void()> afterPurge_;
};
