#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

enum class Parity { None,
                    Odd,
                    Even };

// Line settings of a serial port. The fields that a Linux tty has no place for
// (DSR output flow, the RTS and DTR control modes) are kept by the device itself
// so that what is written can be read back.
struct CommSettings {
    std::uint32_t baudRate = 9600;
    std::uint8_t dataBits = 8;
    Parity parity = Parity::None;
    std::uint8_t stopBits = 1;
    bool ctsOutFlow = false;
    bool dsrOutFlow = false;
    int rtsControl = 1;  // 0 disabled (RTS low), 1 enabled (RTS high), 2 handshake
    int dtrControl = 1;  // 0 disabled (DTR low), 1 enabled (DTR high)
};

enum class EscapeFunction { SetRts,
                            ClrRts,
                            SetDtr,
                            ClrDtr };

// Bits of the modem status word.
enum ModemStatusBits : std::uint32_t {
    ModemCts = 0x10,
    ModemDsr = 0x20,
    ModemRing = 0x40,
    ModemRlsd = 0x80,
};

// One serial line, opened exclusively and always in raw binary mode.
class CommDevice {
public:
    virtual ~CommDevice() = default;

    // Exclusive open of an existing device; false and LastError() on failure.
    virtual bool Open(const std::string& path) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;

    virtual bool GetSettings(CommSettings& out) = 0;
    virtual bool SetSettings(const CommSettings& s) = 0;

    // Read time-outs: a read returns when `count` bytes arrived, when no byte followed the
    // previous one within intervalMs (0 = no interval limit), or when totalMs passed
    // (0 = no total limit). With both 0 a read waits until `count` bytes arrived.
    virtual void SetReadTimeouts(std::uint32_t intervalMs, std::uint32_t totalMs) = 0;

    // Bytes read (0 on a time-out with nothing received), -1 on failure, including a line
    // whose other end has gone away.
    virtual long Read(std::uint8_t* buffer, std::size_t count) = 0;

    // Waits up to waitMs for a first byte, then takes what has arrived, up to `count`,
    // without waiting for more: one call where Read would wait for every byte. Bytes read,
    // 0 when none came in time, -1 on failure. The read time-outs play no part. This
    // default suits devices whose Read never waits for bytes still to come (stand-ins).
    virtual long ReadArrived(std::uint8_t* buffer, std::size_t count, std::uint32_t /*waitMs*/)
    {
        return Read(buffer, count);
    }

    // writeTimeoutMs 0 = never time out; otherwise returns the bytes written when the time
    // ran out. -1 on failure with nothing written.
    virtual long Write(const std::uint8_t* data, std::size_t count,
                       std::uint32_t writeTimeoutMs = 0) = 0;

    virtual bool Escape(EscapeFunction f) = 0;
    virtual bool GetModemStatus(std::uint32_t& status) = 0;  // ModemStatusBits
    virtual bool PurgeInput() = 0;

    // True once the last bit of everything written has left the line; false when that
    // did not happen within timeoutMs (0 = look once) or cannot be found out.
    virtual bool WaitTransmitterEmpty(std::uint32_t timeoutMs) = 0;

    // Text of the last failure ("Permission denied", "Device or resource busy", ...).
    virtual std::string LastError() const = 0;
};
