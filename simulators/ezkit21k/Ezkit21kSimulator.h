#pragma once

#include "simulators/ptyline/ByteDevice.h"
#include "simulators/ptyline/FaultSchedule.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

// A fault the simulated 21k monitor injects on request.
enum class Ezkit21kFaultKind {
    Silence,          // no reply: to `value` requests in a row, or, without a value,
                      // to every request until the faults are cleared (a hung monitor)
    WrongDescriptor,  // the reply's descriptor is `value` (default: the request's own
                      // type, bit 15 clear, and the right length)
    WrongCount,       // a read reply's count word is `value` (default: one more than
                      // asked, the data words unchanged); other replies carry the length
                      // `value` (default 3) in their descriptor
    Garbage,          // `value` stray bytes (default 5) follow the reply
    Late,             // the reply comes late: after the PC has given up waiting for it
};

// `request` counts the complete request packets the monitor takes in from the
// moment the fault is injected: 1 is the next one.
struct Ezkit21kFault {
    Ezkit21kFaultKind kind = Ezkit21kFaultKind::Silence;
    unsigned request = 1;
    std::optional<std::uint32_t> value;

    bool operator==(const Ezkit21kFault&) const = default;
};

// The packet monitor of an ADSP-21k EZ-KIT board. Its packets and mailbox
// are tabled in docs/ezkit21k-and-faderbox.md, section "Wire protocol of the
// 21k monitor"; what follows is how this monitor answers them.
//
// It answers read data memory (0x0105), write data memory (0x0005) and
// resynchronise (0x0208). A read count above kMaxWords is answered with count
// 0 and no data; a write count that does not fit the length gets no reply.
// Any other packet is taken in whole (by its length) and not answered; a
// descriptor with a length below 2 is dropped with the word before it.
//
// The bytes B4 0D DC BA (the word 0xBADC0DB4) arriving anywhere in the
// stream, at any byte position, drop whatever packet has begun: the next
// byte starts a new packet. So a data word of that value cannot be written.
//
// Data memory is a sparse 32-bit address space, every word 0 until written.
// Writing the mailbox command word (0xD043) makes the monitor carry out the
// command with the parameter at 0xD14A and the buffer at 0xD049 (256 words,
// one byte value a word), then set the command word back to 0:
//   1  copy 256 flash bytes from the parameter address into the buffer
//   3  program the buffer words written since the last command 1 or 3
//      (offsets 0 up to the highest one written) into flash at the address
//   4  set the lockout bits given in the low two bits of the parameter
//      (lockout bits are never cleared by the monitor)
//   5  parameter 1: command 1 reads the lockout status bytes at flash
//      addresses 2 (bit 0) and 0xFFFFF2 (bit 1) instead of flash;
//      parameter 0: back to flash
// A status byte is 0xFF when its lockout bit is set, 0xFE otherwise, unless a
// test has set it. Other commands are logged and ignored. Flash has 24-bit
// addresses, erased to 0xFF; bytes beyond read 0xFF and are not programmed.
class Ezkit21kSimulator : public ByteDevice {
public:
    static constexpr std::uint32_t kSyncWord = 0xBADC0DB4;
    static constexpr std::uint16_t kReadType = 0x0105;
    static constexpr std::uint16_t kWriteType = 0x0005;
    static constexpr std::uint16_t kResyncType = 0x0208;
    static constexpr std::uint16_t kReplyBit = 0x8000;
    static constexpr std::uint32_t kMaxWords = 65531;

    static constexpr std::uint32_t kMailboxParameter = 0xD14A;
    static constexpr std::uint32_t kMailboxCommand = 0xD043;
    static constexpr std::uint32_t kMailboxBuffer = 0xD049;
    static constexpr std::uint32_t kBufferWords = 256;
    static constexpr std::uint32_t kFlashBytes = 0x1000000;
    static constexpr std::uint32_t kLockoutStatusAddress[2] = {0x000002, 0xFFFFF2};

    struct MailboxCommand {
        std::uint32_t command = 0;
        std::uint32_t parameter = 0;
        bool operator==(const MailboxCommand&) const = default;
    };

    // --- the line ---
    void Receive(std::span<const std::uint8_t> bytes) override;
    std::vector<Output> TakeOutput() override;

    // --- faults ---
    void InjectFault(const Ezkit21kFault& fault);
    void ClearFaults();

    // --- memory and flash, straight access for tests ---
    std::uint32_t DataWord(std::uint32_t address) const;
    void SetDataWord(std::uint32_t address, std::uint32_t word);
    std::uint8_t FlashByte(std::uint32_t address) const;
    void SetFlashByte(std::uint32_t address, std::uint8_t byte);
    std::vector<std::uint8_t> FlashBytes(std::uint32_t address, std::size_t count) const;
    std::uint32_t LockoutBits() const;
    void SetLockoutBits(std::uint32_t bits);  // the low two bits
    // Makes status byte `bit` (0 or 1) read `value` whatever the lockout bits say.
    void SetLockoutStatusByte(int bit, std::uint8_t value);
    bool ReadingLockoutStatus() const;

    // --- what happened on the line ---
    std::vector<std::vector<std::uint32_t>> ReceivedPackets() const;
    std::vector<std::uint8_t> ReceivedBytes() const;
    std::vector<MailboxCommand> MailboxLog() const;
    std::size_t SyncMarksSeen() const;
    // Recording packets and bytes is on by default; a long-running program
    // turns it off so that the logs do not grow without end.
    void SetRecording(bool on);
    void ClearLog();

private:
    void ReceiveByte(std::uint8_t byte);
    void FinishPacket();
    std::optional<std::vector<std::uint32_t>> Execute(const std::vector<std::uint32_t>& packet);
    void WriteWords(std::uint32_t address, std::span<const std::uint32_t> words);
    void RunMailboxCommand();
    std::uint8_t ReadFlashForBuffer(std::uint32_t address) const;
    void QueueReply(std::vector<std::uint32_t> words, const std::vector<Ezkit21kFault>& faults);
    std::uint8_t FlashByteLocked(std::uint32_t address) const;
    void StoreFlashByte(std::uint32_t address, std::uint8_t byte);

    mutable std::mutex mutex_;
    std::vector<std::uint8_t> packetBytes_;
    std::vector<Output> output_;

    std::unordered_map<std::uint32_t, std::uint32_t> data_;
    std::map<std::uint32_t, std::array<std::uint8_t, 256>> flashPages_;
    std::uint32_t bufferFill_ = 0;
    std::uint32_t lockoutBits_ = 0;
    std::array<std::optional<std::uint8_t>, 2> statusOverride_;
    bool readingStatus_ = false;

    FaultSchedule<Ezkit21kFault> faults_{Ezkit21kFaultKind::Silence};

    bool recording_ = true;
    std::vector<std::vector<std::uint32_t>> receivedPackets_;
    std::vector<std::uint8_t> receivedBytes_;
    std::vector<MailboxCommand> mailboxLog_;
    std::size_t syncMarks_ = 0;
};
