#pragma once

#include "platform/ParallelPort.h"

#include <cstdint>
#include <memory>
#include <string>

// Two digital outputs and two digital inputs on the first parallel port:
//
//   output 0  data register bit 0 (D0, pin 2)
//   output 1  data register bit 1 (D1, pin 3)
//   input 0   status register bit 7 as read (BUSY, pin 11)
//   input 1   status register bit 6 inverted (ACK, pin 10)
//
// The hardware inverts BUSY, so both inputs read true while their pin is low.
// Where the port cannot be reached, every access announces that through the
// notifier and does nothing; inputs then read true.
class LPTDigitalInstrument {
public:
    static constexpr const char* kPortName = "LPT1";

    // Message texts and captions of a process without port access.
    static constexpr const char* kNoAccessText = "Portlane doesn't work with NT release mode.";
    static constexpr const char* kNoAccessCaption = "LPTDigitalInstrument";
    static constexpr const char* kAccessDeniedText = "NT can not talk directly to hardware port.";
    static constexpr const char* kIllegalParameterText = "Illegal parameter.";
    static constexpr const char* kInputCaption = "GetDigitalInput()";
    static constexpr const char* kOutputCaption = "SetDigitalOutput()";

    // Opens LPT1 through the port map.
    LPTDigitalInstrument();
    // Uses `port`; a null port means no access, for the reason `accessError`.
    // Without access the constructor shows the no-access message and the reason.
    explicit LPTDigitalInstrument(std::unique_ptr<ParallelPort> port, std::string accessError = {});
    virtual ~LPTDigitalInstrument() = default;
    LPTDigitalInstrument(LPTDigitalInstrument&&) = default;
    LPTDigitalInstrument& operator=(LPTDigitalInstrument&&) = default;

    virtual bool GetDigitalInput(std::uint8_t line);
    virtual void SetDigitalOutput(std::uint8_t line, std::uint8_t value);

    bool HasPortAccess() const { return port_ != nullptr; }
    // Why the port cannot be reached; empty while it can.
    const std::string& AccessError() const { return accessError_; }
    // The last value written to the data register (0 before the first write).
    std::uint8_t OutputShadow() const { return outputShadow_; }

private:
    // The constructor's message without access, followed by the reason.
    void AnnounceNoAccess();
    // Called when a register access of an open port failed: from now on the
    // instrument behaves as one without access.
    void LosePort();

    std::unique_ptr<ParallelPort> port_;
    std::string accessError_;
    std::uint8_t outputShadow_ = 0;
};
