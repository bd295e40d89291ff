#pragma once

#include "platform/CommDevice.h"
#include "platform/Rfc2217Protocol.h"

#include <cstdint>
#include <string>
#include <string_view>

// A serial line on another machine: a TCP connection to a port server that speaks the
// telnet com-port control option (RFC 2217), such as ser2net with "telnet(rfc2217)".
// Open("rfc2217://HOST:PORT") connects, negotiates binary mode and the option, and asks
// the server for the line's settings; settings, DTR, RTS, purges and modem-state
// notifications then travel as com-port commands in the same byte stream as the data.
// The read time-outs work as on a tty. A connection that is dropped, or whose server
// acknowledges nothing for kUnacknowledgedLimitMs, is a vanished line: reads and writes
// fail (-1) until Close(); the next Open connects again.
//
// Errors name the cause: the host is not found, the connection is refused or not
// answered in time, the peer does not do RFC 2217, the port is in use.
//
// What the protocol cannot promise:
// - Exclusive use is the server's: a server that allows one connection per port (ser2net's
//   default, max-connections 1) refuses a second opener, who then gets "Device or resource
//   busy" as on a tty. A server set up for several connections lets them share the line.
// - DTR and RTS changes keep their place in the stream, but the server applies them when
//   it reads them, which may be before the bytes sent ahead of them have left its UART.
//   RTS toggled around a block therefore rises only as late as WaitTransmitterEmpty waits.
// - WaitTransmitterEmpty cannot see the server's UART. It returns true once the server
//   has taken in every byte written (TCP acknowledged them all) and the line time of those
//   bytes at the set rate has passed since they were written; bytes the server holds back
//   longer than that may still be on their way.
class Rfc2217CommDevice : public CommDevice {
public:
    static constexpr std::string_view kScheme = "rfc2217://";
    // Data the server has not acknowledged for this long ends the connection.
    static constexpr unsigned int kUnacknowledgedLimitMs = 10000;

    // How long the connection and each answer of the server may take.
    struct Timing {
        std::uint32_t connectMs = 5000;
        std::uint32_t answerMs = 3000;
    };

    Rfc2217CommDevice() = default;
    explicit Rfc2217CommDevice(Timing timing) : timing_(timing) {}
    ~Rfc2217CommDevice() override;
    Rfc2217CommDevice(const Rfc2217CommDevice&) = delete;
    Rfc2217CommDevice& operator=(const Rfc2217CommDevice&) = delete;

    // True for a text that names a network port: it begins with rfc2217:// in any case
    // (a scheme is case-insensitive). Open takes rfc2217://HOST:PORT, where HOST may be a
    // name, an IPv4 address or [an IPv6 one].
    static bool NamesNetworkPort(std::string_view text);
    // True for a text Open takes as an address; else Open fails with NotAnAddressText.
    static bool IsAddress(std::string_view text);
    static std::string NotAnAddressText(std::string_view text);

    bool Open(const std::string& address) override;
    void Close() override;
    bool IsOpen() const override { return fd_ >= 0; }

    bool GetSettings(CommSettings& out) override;
    bool SetSettings(const CommSettings& s) override;

    void SetReadTimeouts(std::uint32_t intervalMs, std::uint32_t totalMs) override;
    long Read(std::uint8_t* buffer, std::size_t count) override;
    long ReadArrived(std::uint8_t* buffer, std::size_t count, std::uint32_t waitMs) override;
    long Write(const std::uint8_t* data, std::size_t count, std::uint32_t writeTimeoutMs = 0) override;

    bool Escape(EscapeFunction f) override;
    bool GetModemStatus(std::uint32_t& status) override;
    bool PurgeInput() override;
    bool WaitTransmitterEmpty(std::uint32_t timeoutMs) override;

    std::string LastError() const override { return lastError_; }

private:
    using Bytes = Rfc2217Protocol::Bytes;
    using Command = Rfc2217Protocol::Command;

    static bool SplitAddress(std::string_view text, std::string& host, std::string& port);
    bool Connect(const std::string& host, const std::string& port);
    bool Negotiate();
    bool AskForSettings();
    // Waits until the server has answered `command` more than `answersBefore` times.
    bool AwaitAnswer(Command command, std::uint32_t answersBefore, const char* what);
    // Takes what the connection holds, waiting up to waitMs for it (-1: no limit).
    // False once the connection is gone.
    bool Pump(int waitMs);
    // Sends `bytes` whole within answerMs; false once the connection is gone.
    bool SendCommand(const Bytes& bytes);
    // Sends up to `count` bytes, waiting until `deadline` (0: no limit); the number sent,
    // or -1 once the connection is gone.
    long SendSome(const std::uint8_t* bytes, std::size_t count, std::uint64_t deadline);
    bool Usable();  // open and connected, else false with the reason
    bool Fail(const std::string& text);
    bool Lost(const std::string& why);
    std::size_t TakeData(std::uint8_t* buffer, std::size_t count);

    Timing timing_;
    int fd_ = -1;
    bool lost_ = false;
    bool sendingReplies_ = false;  // Pump is sending the answers owed to the peer
    std::string peer_;             // "HOST:PORT", for the error texts
    Rfc2217Protocol protocol_;
    Bytes data_;  // line data received and not yet read
    std::size_t dataStart_ = 0;
    CommSettings settings_;
    std::uint32_t intervalMs_ = 0;
    std::uint32_t totalMs_ = 0;
    std::uint64_t lineFreeAtUs_ = 0;  // when the bytes written should be off the line
    std::string lastError_;
};
