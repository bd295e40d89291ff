#pragma once

#include "monitor/core/LinkResult.h"
#include "monitor/serial/SerialPort.h"

#include <cstdint>
#include <memory>

// The serial line to a mixing console's processor. Its one exchange, the ping,
// is tabled in docs/ezkit21k-and-faderbox.md, section "Wire protocol of the
// console".
class FaderboxLink : public SerialPort {
public:
    static constexpr std::uint8_t kStart = 0xA5;
    static constexpr std::uint8_t kPing = 0x80;
    static constexpr std::uint8_t kPingReply = 0x7F;

    // COM1 on a real line (not opened yet).
    FaderboxLink();
    // For tests: the port drives `device`.
    explicit FaderboxLink(std::unique_ptr<CommDevice> device);

    std::uint8_t AddressByte() const { return addressByte_; }

    // Discards waiting input, sends the ping and reads the reply; the values
    // are set only when the reply is right. Reading stops at the first wrong
    // byte: WrongStart when the first reply byte is not A5, WrongStatus when
    // the third is not 7F. A missing byte ends it as SerialFailure.
    LinkResult Ping(std::uint16_t& first, std::uint16_t& second);

private:
    std::uint8_t addressByte_ = 0;
};
