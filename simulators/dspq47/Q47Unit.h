#pragma once

#include "simulators/dspq47/Q47Fault.h"
#include "simulators/ptyline/ByteDevice.h"
#include "simulators/ptyline/FaultSchedule.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

// The DSP-Q47 radio interface unit as its serial line shows it, a byte-in, byte-out
// state machine. The unit keeps its configuration as the 938 field bytes of its stream:
//   - command 0x42 and 940 bytes (fields and checksum): with a right checksum the unit
//     takes the fields and answers 0x41, else it answers 0x15 and keeps what it had;
//   - command 0x41: the unit answers with its fields and their checksum.
// The checksum is the sum, modulo 65536, of the byte fields (0-255), the word fields
// (16 bits, high byte first) and the 50 text bytes (each a signed 8-bit number).
// The unit's line runs at 4800 baud (kBaud), for a PtyLineServer that paces it.
// All members may be called from any thread.
class Q47Unit : public ByteDevice {
public:
    static constexpr std::uint32_t kBaud = 4800;
    // A configuration that stops arriving for this long is given up.
    static constexpr std::chrono::milliseconds kStreamGiveUp{300};

    static constexpr std::uint8_t kWriteConfig = 0x42;
    static constexpr std::uint8_t kReadConfig = 0x41;
    static constexpr std::uint8_t kAccepted = 0x41;
    static constexpr std::uint8_t kRefused = 0x15;

    static constexpr std::size_t kFieldBytes = 938;
    static constexpr std::size_t kStreamBytes = kFieldBytes + 2;
    static constexpr std::size_t kHeaderBytes = 12;
    static constexpr std::size_t kRows = 100;
    static constexpr std::size_t kRowBytes = 8;
    static constexpr std::size_t kRowsEnd = kHeaderBytes + kRows * kRowBytes;
    static constexpr std::size_t kTextOffset = 888;

    using Fields = std::array<std::uint8_t, kFieldBytes>;

    // A unit as it leaves the factory.
    Q47Unit();

    // One byte from the line; returns what the unit answers to it (often nothing).
    std::vector<std::uint8_t> Receive(std::uint8_t byte);
    // The line as a ByteDevice: the answers to the bytes go to TakeOutput().
    void Receive(std::span<const std::uint8_t> bytes) override;
    std::vector<Output> TakeOutput() override;
    // True while a configuration is half received; the line staying quiet for
    // kStreamGiveUp makes the unit forget it.
    bool InFrame() const override;
    void AbandonPartialFrame() override;
    std::chrono::milliseconds FrameTimeout() const override { return kStreamGiveUp; }

    // The unit shows `fault` from now on, in place of the one it had.
    void SetFault(Q47Fault fault);

    Fields StoredFields() const;
    void SetStoredFields(const Fields& fields);

    // The checksum of a set of fields, as the unit computes it.
    static std::uint16_t Checksum(const Fields& fields);
    static Fields FactoryFields();

    std::size_t ConfigurationsTaken() const;
    std::size_t ConfigurationsRefused() const;
    std::size_t ReadRequests() const;

private:
    std::vector<std::uint8_t> FinishStream();
    std::vector<std::uint8_t> Answer() const;

    mutable std::mutex mutex_;
    Fields fields_;
    FaultSchedule<Q47Fault> faults_;  // one standing fault at the most (SetFault)
    bool inStream_ = false;
    std::vector<std::uint8_t> incoming_;
    std::vector<std::uint8_t> output_;
    std::size_t taken_ = 0;
    std::size_t refused_ = 0;
    std::size_t readRequests_ = 0;
};
