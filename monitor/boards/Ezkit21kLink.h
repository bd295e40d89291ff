#pragma once

#include "monitor/core/LinkResult.h"
#include "monitor/serial/SerialPort.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <vector>

// The packet layer of the ADSP-21k EZ-KIT monitor line: 32-bit words, least
// significant byte first, and flash reached through a mailbox in the monitor's
// data memory. Packets, mailbox and timings are tabled in
// docs/ezkit21k-and-faderbox.md, section "Wire protocol of the 21k monitor".
//
// Input waiting on the line is discarded before each request (and each
// retry), so that a reply that came too late is never taken for the answer
// to a later request. No transfer throws: serial failures come back as a
// LinkResult, with InvalidHeader and UnexpectedLength for a reply that is
// not the one expected and InvalidLockoutValue for a wrong status byte.
class Ezkit21kLink : public SerialPort {
public:
    static constexpr std::uint32_t kSyncWord = 0xBADC0DB4;
    static constexpr std::uint16_t kReadType = 0x0105;
    static constexpr std::uint16_t kWriteType = 0x0005;
    static constexpr std::uint16_t kResyncType = 0x0208;
    static constexpr std::uint16_t kReplyBit = 0x8000;
    // The write descriptor's low half holds 4 + n.
    static constexpr std::uint32_t kMaxWriteWords = 0xFFFF - 4;
    static constexpr int kReadAttempts = 4;

    static constexpr std::uint32_t kMailboxParameter = 0xD14A;
    static constexpr std::uint32_t kMailboxCommand = 0xD043;
    static constexpr std::uint32_t kMailboxBuffer = 0xD049;
    static constexpr std::uint32_t kMailboxBufferWords = 256;
    enum MailboxCommand : std::uint32_t {
        kReadFlash = 1,
        kProgramFlash = 3,
        kSetLockout = 4,
        kLockoutStatus = 5,
    };
    static constexpr std::uint32_t kLockoutStatusAddress[2] = {0x000002, 0xFFFFF2};
    static constexpr std::uint8_t kLockedStatus = 0xFF;
    static constexpr std::uint8_t kUnlockedStatus = 0xFE;

    // COM1 on a real line (not opened yet).
    Ezkit21kLink();
    // For tests: the link drives `device`.
    explicit Ezkit21kLink(std::unique_ptr<CommDevice> device);

    // `count` words of data memory from `address` into `words`. A serial
    // failure starts the request again, up to kReadAttempts attempts in all;
    // a wrong descriptor or count is not retried.
    LinkResult ReadData(std::uint32_t address, std::uint32_t count, std::vector<std::uint32_t>& words);
    // Writes the words (at most kMaxWriteWords, which the caller checks) in one packet.
    LinkResult WriteData(std::uint32_t address, std::span<const std::uint32_t> words);
    LinkResult Resync();

    // Mailbox operations; each stops at its first failing transfer.
    // `count` (at most the buffer's 256 words, which the caller checks) flash bytes from `address`.
    LinkResult ReadFlash(std::uint32_t address, std::uint32_t count, std::vector<std::uint32_t>& values);
    // Programs the byte values (at most 256) into flash at `address`.
    LinkResult WriteFlash(std::uint32_t address, std::span<const std::uint32_t> values);
    LinkResult SetLockout(std::uint32_t value);
    // The lockout bit mask (bit 0 from address 2, bit 1 from 0xFFFFF2). Once
    // the monitor has been told to show its status bytes it is always told
    // to stop again (parameter 0, command 5), even after a failure in
    // between; the first failure is the result, `mask` holds the bits read.
    LinkResult ReadLockout(std::int32_t& mask);

private:
    // Both status bytes into `mask`. A byte that cannot be read leaves its bit
    // clear and the next one is still read; a byte that is neither 0xFF nor
    // 0xFE ends the reading. The first failure is the result.
    LinkResult ReadLockoutStatusBytes(std::int32_t& mask);
    LinkResult ReadDataOnce(std::uint32_t address, std::uint32_t count, std::vector<std::uint32_t>& words);
    LinkResult Command(std::uint32_t parameter, MailboxCommand command);
    // The words of a packet, in one write.
    void SendWords(std::initializer_list<std::uint32_t> head, std::span<const std::uint32_t> body = {});
};
