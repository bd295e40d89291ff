#pragma once

#include "platform/CommDevice.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

// A comm device for tests of modem-line logic, which pseudo-terminals cannot show.
// It records what reaches the line, in order: "write 41 42" (one event a Write call,
// bytes in hex), "SETRTS", "CLRRTS", "SETDTR", "CLRDTR", "txempty", "purge".
// Reads take queued input bytes and end at once when none are left (a time-out).
class FakeCommDevice : public CommDevice {
public:
    bool Open(const std::string& path) override;
    void Close() override { open_ = false; }
    bool IsOpen() const override { return open_; }

    bool GetSettings(CommSettings& out) override;
    bool SetSettings(const CommSettings& s) override;

    void SetReadTimeouts(std::uint32_t intervalMs, std::uint32_t totalMs) override;
    long Read(std::uint8_t* buffer, std::size_t count) override;
    long Write(const std::uint8_t* data, std::size_t count,
               std::uint32_t writeTimeoutMs = 0) override;

    bool Escape(EscapeFunction f) override;
    bool GetModemStatus(std::uint32_t& status) override;
    bool PurgeInput() override;
    bool WaitTransmitterEmpty(std::uint32_t timeoutMs) override;

    std::string LastError() const override { return lastError_; }

    // What happened.
    const std::vector<std::string>& events() const { return events_; }
    void ClearEvents() { events_.clear(); }
    const std::vector<std::uint8_t>& written() const { return written_; }
    const std::string& openedPath() const { return openedPath_; }
    const CommSettings& settings() const { return settings_; }
    std::uint32_t readIntervalMs() const { return intervalMs_; }
    std::uint32_t readTotalMs() const { return totalMs_; }
    std::uint32_t lastTransmitterTimeoutMs() const { return lastTransmitterTimeoutMs_; }
    bool rts() const { return rts_; }
    bool dtr() const { return dtr_; }

    // What the test arranges.
    void QueueInput(const std::vector<std::uint8_t>& bytes);
    std::size_t pendingInput() const { return input_.size(); }
    void SetModemStatus(std::uint32_t status) { modemStatus_ = status; }
    void FailOpen(const std::string& error) { openError_ = error; }
    void FailGetSettings(bool fail) { failGetSettings_ = fail; }
    void FailSetSettings(bool fail) { failSetSettings_ = fail; }
    void FailReads(bool fail) { failReads_ = fail; }
    // Writes take `bytes` more bytes, then fail.
    void FailWritesAfter(std::size_t bytes)
    {
        writesLeft_ = bytes;
        limitWrites_ = true;
    }
    void FailEscapes(bool fail) { failEscapes_ = fail; }
    // The transmitter never empties: every wait for it runs out.
    void TransmitterNeverEmpties(bool never) { transmitterStuck_ = never; }

private:
    bool Fail(const std::string& error);

    bool open_ = false;
    std::string openedPath_;
    CommSettings settings_;
    std::uint32_t intervalMs_ = 0;
    std::uint32_t totalMs_ = 0;
    std::deque<std::uint8_t> input_;
    std::vector<std::uint8_t> written_;
    std::vector<std::string> events_;
    std::uint32_t modemStatus_ = 0;
    std::uint32_t lastTransmitterTimeoutMs_ = 0;
    bool rts_ = false;
    bool dtr_ = false;

    std::string openError_;
    bool failGetSettings_ = false;
    bool failSetSettings_ = false;
    bool failReads_ = false;
    bool limitWrites_ = false;
    std::size_t writesLeft_ = 0;
    bool failEscapes_ = false;
    bool transmitterStuck_ = false;
    std::string lastError_;
};
