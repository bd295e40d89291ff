#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "automation/core/ApplicationLock.h"
#include "monitor/core/AutoBase.h"
#include "monitor/serial/SerialPort.h"

// Automation object "Varnix.Sport": a COM port for scripts. Select the port with
// CommPort, open it with PortOpen, then set the line and move bytes as strings
// (Output, Input) or byte arrays (SendBytes, GetBytes). Failures of SendBytes and
// GetBytes go through the error model of AutoBase.
//
// Dispatch map (positions 1 to 15): EndianMode, DTR, RTS, PortOpen, CommPort,
// Output, Input, CTSFlowCtrl, CTS, DSR, baud, RTSFlowCtrl, SendBytes, GetBytes,
// RxCharReady.
class Sport : public AutoBase {
public:
    static const DispatchMap& Map();
    const DispatchMap& GetDispatchMap() const override { return Map(); }

    static constexpr const char* kProgId = "Varnix.Sport";
    static constexpr const char* kClassId = "{6B0D3C41-2F7A-4E55-9A1C-5D0B8E2F7101}";

    // Input stops after this many bytes even while the line keeps delivering,
    // so that a device that never pauses cannot hold the server for ever.
    static constexpr std::size_t kInputLimit = 65536;
    // GetBytes refuses larger counts: each byte may wait a second for the line.
    static constexpr std::int32_t kGetBytesLimit = 1 << 20;

    Sport();
    // For tests: the object drives `port` instead of a tty found through the port map.
    explicit Sport(std::unique_ptr<SerialPort> port);

    std::int16_t GetEndianMode() const;
    void SetEndianMode(std::int16_t mode);
    void SetDTR(bool on);
    void SetRTS(bool on);
    bool GetPortOpen() const;
    void SetPortOpen(bool open);
    std::int16_t GetCommPort() const;
    void SetCommPort(std::int16_t number);
    void SetOutput(const std::string& text);
    std::string GetInput();
    bool GetCTSFlowCtrl();
    void SetCTSFlowCtrl(bool on);
    bool GetCTS();
    bool GetDSR();
    std::int32_t GetBaud();
    void SetBaud(std::int32_t rate);
    std::int32_t GetRTSFlowCtrl();
    void SetRTSFlowCtrl(std::int32_t mode);

    Variant SendBytes(const Variant& data);
    Variant GetBytes(std::int32_t count);
    Variant RxCharReady();

    SerialPort& port() { return *port_; }

private:
    void BeginCall() override { port_->BeginCall(); }
    std::span<const FailureText> FailureTexts() const override;
    std::string LineFailureText(const LinkResult& failure) const override;

    ApplicationLock::Holder lock_;
    std::unique_ptr<SerialPort> port_;
};
