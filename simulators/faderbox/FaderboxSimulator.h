#pragma once

#include "simulators/ptyline/ByteDevice.h"
#include "simulators/ptyline/FaultSchedule.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

// A fault the simulated console injects on request.
enum class FaderboxFaultKind {
    Silence,         // no reply: to `value` pings in a row, or, without a value, to
                     // every ping until the faults are cleared
    WrongFirstByte,  // the reply starts with `value` (default 0x5A) instead of 0xA5
    WrongThirdByte,  // the reply's third byte is `value` (default 0x80) instead of 0x7F
    ShortReply,      // only the first `value` bytes of the reply (default 4) are sent
    Garbage,         // `value` stray bytes (default 3) follow the reply
    Late,            // the reply comes late: after the PC has given up waiting for it
};

// `request` counts the pings the console takes in from the moment the fault
// is injected: 1 is the next one.
struct FaderboxFault {
    FaderboxFaultKind kind = FaderboxFaultKind::Silence;
    unsigned request = 1;
    std::optional<std::uint32_t> value;

    bool operator==(const FaderboxFault&) const = default;
};

// The processor of a digital mixing console as seen on its serial line. The
// ping it answers is tabled in docs/ezkit21k-and-faderbox.md, section "Wire
// protocol of the console". A request is four bytes: 0xA5, the console's
// address byte, a command byte and a parameter byte. Requests for another
// address and other commands are taken in and not answered; bytes before a
// 0xA5 are skipped.
class FaderboxSimulator : public ByteDevice {
public:
    static constexpr std::uint8_t kStart = 0xA5;
    static constexpr std::uint8_t kPing = 0x80;
    static constexpr std::uint8_t kPingReply = 0x7F;

    explicit FaderboxSimulator(std::uint8_t address = 0x00);

    void Receive(std::span<const std::uint8_t> bytes) override;
    std::vector<Output> TakeOutput() override;

    // The two values a ping returns.
    void SetPingValues(std::uint16_t first, std::uint16_t second);

    void InjectFault(const FaderboxFault& fault);
    void ClearFaults();

    std::size_t PingsReceived() const;
    // Every byte as it came; recording is on by default.
    std::vector<std::uint8_t> ReceivedBytes() const;
    void SetRecording(bool on);

private:
    void FinishRequest();
    void QueuePingReply();

    mutable std::mutex mutex_;
    const std::uint8_t address_;
    std::uint16_t firstValue_ = 0x0102;
    std::uint16_t secondValue_ = 0x0304;
    std::vector<std::uint8_t> request_;
    std::vector<Output> output_;

    FaultSchedule<FaderboxFault> faults_{FaderboxFaultKind::Silence};

    bool recording_ = true;
    std::size_t pings_ = 0;
    std::vector<std::uint8_t> receivedBytes_;
};
