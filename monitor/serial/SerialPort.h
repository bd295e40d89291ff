#pragma once

#include "monitor/serial/SerialPortException.h"
#include "platform/CommDevice.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The monitor server's access to a COM port: opens "COM<n>" through the port map,
// fixes the line at 9600 8N1, and moves bytes and 16- or 32-bit words one byte at a time
// through the two virtual transfers, so that a derived class sees every byte.
// The board links, which frame whole requests and replies, move them as blocks instead
// (SendBlock, ReceiveBlock), in as few system calls as the line allows.
// Failed transfers throw SerialPortException by value.
//
// A line that fails under a transfer (unplugged, its other end gone) is closed at
// once, so that the device is free for whoever plugs it in again; the next transfer
// or line setting (the rate aside) opens the port again through the port map, with
// the line settings it had. SelectPort moves the line to another port the same way.
// Such an open is tried once a call (BeginCall): a network port that does not answer
// costs its time-out once, not once for every step of the call.
class SerialPort {
public:
    explicit SerialPort(std::int32_t endianMode);
    // For tests and special lines: the port drives `device` instead of a tty.
    SerialPort(std::int32_t endianMode, std::unique_ptr<CommDevice> device);
    virtual ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    virtual void WriteByte(std::uint8_t b);  // throws code 2
    virtual std::uint8_t ReadByte();         // throws code 1

    // Port selection. Numbers below 1 and above 9 leave the selection unchanged.
    void SetPort(std::int16_t number);
    // Selects a port by its port-map name, "com1" to "com255" in any case, and closes
    // the line; the next transfer or line setting opens the new port with the line
    // settings this port had (the rate set last, also while it was closed). False,
    // changing nothing, for any other name.
    bool SelectPort(std::string_view name);
    // True for "com1" to "com255" in any case, the names SelectPort takes.
    static bool IsPortName(std::string_view name);
    static constexpr int kHighestPortNumber = 255;
    std::int16_t GetPort() const { return portNumber_; }
    const std::string& GetPortName() const { return portName_; }
    // The port's name in the port map: "com1".
    std::string PortMapName() const;
    bool Open();
    // Sets what Open sets, but leaves the port closed until the first transfer or
    // line setting (the rate aside) opens it.
    void OpenWhenUsed();
    void Close();
    bool IsOpen() const;

    std::int32_t GetEndianMode() const { return endianMode_; }
    void SetEndianMode(std::int32_t mode) { endianMode_ = mode; }

    // Line control; every value reads as 0 while the port is closed. A setting on a
    // closed port fails and changes nothing, except that the rate is kept for the next
    // time the line opens by itself (a lost line, a selected port).
    // The rate never opens a closed line: it is kept for the next open.
    bool SetBaudRate(std::uint32_t rate);
    std::uint32_t GetBaudRate();
    bool SetCtsFlow(bool on);
    int GetCtsFlow();
    bool SetRtsControl(int mode);  // 3 = RTS toggled by software around each block
    int GetRtsControl();
    int GetCTS();
    int GetDSR();
    bool SetRts(bool on);
    bool SetDtr(bool on);
    bool PurgeInput();
    bool TransmitterEmpty();

    bool TryReadByte(std::uint8_t* out);  // never throws

    void WriteWord16(std::uint16_t w);
    void WriteWord32(std::uint32_t v);
    std::uint16_t ReadWord16();
    std::uint32_t ReadWord32();

    void WriteBytes(int count, const std::uint8_t* data);
    void WriteWords32(int count, const std::uint32_t* values);
    void ReadBytes(int count, std::uint8_t* buffer);
    void ReadWords16(int count, std::uint16_t* buffer);
    void ReadWords32(int count, std::uint32_t* buffer);

    // The text of the device's last failure, for callers that show why a port did not open.
    std::string LastError() const;
    // Why the port is not open after Open() or a reopen failed: "COM1 is not in the port
    // map ..." or "COM1 (<device>): <reason>"; empty while the port is open, after Close()
    // and when it was never asked to open.
    const std::string& OpenFailure() const { return openFailure_; }

    // A new client call begins: a lost or moved line whose open failed in an earlier call
    // is tried again at its next use.
    void BeginCall() { openFailedThisCall_ = false; }

    // Longest wait for the transmitter after a block in toggle mode: the time `count` bytes
    // need at `baudRate` (10 bits a byte) and a margin.
    static std::uint32_t TransmitTimeLimitMs(int count, std::uint32_t baudRate);

protected:
    // For links that frame whole requests and replies, a block in as few driver calls as
    // the line allows; the bytes do not pass through WriteByte and ReadByte.
    // Sends `bytes` in one write; fails as WriteByte does (code 2).
    void SendBlock(std::span<const std::uint8_t> bytes);
    // Fills `bytes`, each read taking what has arrived; every byte waits as long as
    // ReadByte would. Fails as ReadByte does (code 1) at the first missing byte, with
    // the bytes before it in place.
    void ReceiveBlock(std::span<std::uint8_t> bytes);
    // The port's byte order, as WriteWord32 sends a value and ReadWord16/32 assemble one.
    void AppendWord32(std::vector<std::uint8_t>& out, std::uint32_t value) const;
    std::uint16_t Word16At(const std::uint8_t* bytes) const;
    std::uint32_t Word32At(const std::uint8_t* bytes) const;

private:
    bool MostSignificantFirst() const { return endianMode_ == 1; }
    bool ReadOneByte(std::uint8_t& out);
    // The device's settings, opening a line that is lost or was moved first.
    bool ReadSettings(CommSettings& out);
    bool ApplySettings(const CommSettings& settings);
    // Opens the port again after a lost line; false when it stays closed.
    bool ReopenLostLine();
    // Opens the device the port name leads to; false with OpenFailure() set when it does not.
    bool OpenDevice();
    // A transfer failed on the open device: the line is given up.
    void DropLine();
    void EndToggledBlock(int bytesSent);

    std::unique_ptr<CommDevice> device_;  // the handle: open or not
    std::int32_t endianMode_;
    std::int16_t portNumber_ = 1;
    std::string portName_ = "COM1";
    bool rtsToggle_ = false;
    // Opened by Open() and not closed by Close(): a lost line is opened again.
    bool wantedOpen_ = false;
    std::string openFailure_;
    bool openFailedThisCall_ = false;  // ReopenLostLine tries no more until BeginCall
    bool inToggledBlock_ = false;      // WriteBytes in toggle mode is under way
    bool lineLost_ = false;            // a write failed there; dropped when the block ends
    CommSettings settings_;            // the settings for a line that opens again by itself
};
