#pragma once

#include "platform/CommDevice.h"
#include "platform/LowLatencyMode.h"

#include <termios.h>

// A serial line over a Linux tty: exclusive open (TIOCEXCL and flock, as root passes
// TIOCEXCL), raw binary mode, poll() for the time-outs and ioctls for the modem lines.
// Pseudo-terminals have no modem lines: Escape, GetModemStatus and the RTS and DTR
// modes simply do not reach a line there.
//
// Linux has one flag (CRTSCTS) for both directions of hardware handshake, and it also
// makes output wait for CTS. It is set only while CTS output flow is asked for; RTS
// handshake alone cannot be had and keeps RTS asserted. A line that comes with the flag
// set reads as CTS output flow on and RTS handshake until its settings are written.
//
// Open asks the driver for low-latency mode (LowLatencyMode) and Close puts its flags
// back. Where the line is a USB adapter whose latency timer still stays above 2 ms after
// that, Open says so once on standard error, with the fix (UsbLatencyTimer).
class TermiosCommDevice : public CommDevice {
public:
    TermiosCommDevice() = default;
    // For tests: a stand-in for the driver's serial requests and a sysfs of their own.
    TermiosCommDevice(LowLatencyMode::Driver& driver, std::string sysfsRoot);
    ~TermiosCommDevice() override;
    TermiosCommDevice(const TermiosCommDevice&) = delete;
    TermiosCommDevice& operator=(const TermiosCommDevice&) = delete;

    bool Open(const std::string& path) override;
    void Close() override;
    bool IsOpen() const override { return fd_ >= 0; }

    bool GetSettings(CommSettings& out) override;
    bool SetSettings(const CommSettings& s) override;

    void SetReadTimeouts(std::uint32_t intervalMs, std::uint32_t totalMs) override;
    long Read(std::uint8_t* buffer, std::size_t count) override;
    long ReadArrived(std::uint8_t* buffer, std::size_t count, std::uint32_t waitMs) override;
    long Write(const std::uint8_t* data, std::size_t count,
               std::uint32_t writeTimeoutMs = 0) override;

    bool Escape(EscapeFunction f) override;
    bool GetModemStatus(std::uint32_t& status) override;
    bool PurgeInput() override;
    bool WaitTransmitterEmpty(std::uint32_t timeoutMs) override;

    std::string LastError() const override { return lastError_; }
    // The latency warning of the last Open; empty when there was none.
    const std::string& LatencyWarning() const { return latencyWarning_; }

    // The termios speed constant for a rate in baud, or B0 for a rate without one.
    static speed_t SpeedFor(std::uint32_t baudRate);
    // The rate in baud of a termios speed constant, 0 for an unknown one.
    static std::uint32_t RateOf(speed_t speed);

private:
    bool Fail(int error);  // keeps the text of `error`, returns false
    bool SetModemLine(int line, bool on);
    int WaitReadable(int waitMs);
    bool OutputQueueEmpty(std::uint64_t deadline);  // a Clock::Steady() time

    int fd_ = -1;
    LowLatencyMode lowLatency_;
    std::string sysfsRoot_ = "/sys";
    std::string latencyWarning_;
    std::uint32_t intervalMs_ = 0;
    std::uint32_t totalMs_ = 0;
    // What a tty has no field for, kept so that it reads back as written.
    bool dsrOutFlow_ = false;
    bool ctsOutFlow_ = false;
    int rtsControl_ = 1;
    int dtrControl_ = 1;
    std::string lastError_;
};
