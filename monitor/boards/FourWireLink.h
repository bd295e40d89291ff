#pragma once

#include "monitor/boards/LPTDigitalInstrument.h"
#include "monitor/core/LinkResult.h"
#include "platform/Clock.h"

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

// The four-wire bit-serial link to an ADSP-21xx target on the parallel port.
// Its lines, bit handshake, value layout, commands, start-up handshake and
// timings are tabled in docs/fourwire21xx.md, section "Wire protocol". Commands
// 1, 3, 5, 6 and 8 are tried up to `attempts` times with a pause of the time-out
// after each failed attempt but the last.
//
// No failure leaves the link as an exception: every operation returns a
// LinkResult, NoPortAccess when the port cannot be reached, NoResponse when
// the target did not answer right, OutOfRange for a request that does not fit.
// A transfer ends at the first port access that cannot be made, without
// further attempts, so that a missing port is announced once per operation.
class FourWireLink {
public:
    static constexpr std::size_t kFlashBlockSize = 256;
    using FlashBlock = std::array<std::uint8_t, kFlashBlockSize>;

    enum Command : std::uint8_t {
        kGetVersion = 1,
        kWriteData = 3,
        kWriteProgram = 4,
        kWriteFlash = 5,
        kReadData = 6,
        kReadProgram = 7,
        kReadFlash = 8,
    };
    static constexpr std::uint8_t kVersionOk = 0xF1;

    static constexpr std::uint32_t kStartUpLimitMs = 30000;
    static constexpr std::uint32_t kStartUpHoldMs = 1000;
    static constexpr std::uint32_t kStartUpStepMs = 100;

    // The port LPT1 and the steady clock.
    FourWireLink();
    FourWireLink(LPTDigitalInstrument port, Clock& clock);
    virtual ~FourWireLink() = default;
    FourWireLink(FourWireLink&&) = default;
    FourWireLink& operator=(FourWireLink&&) = default;

    // Whether `count` words from `address` fit the word operation `command`: at
    // least one word, all of them within the 16-bit word space, and for a program
    // read (kReadProgram) at most 0x7FFF, since the command carries twice the count.
    // The word operations refuse anything else as OutOfRange and send nothing.
    static bool WordsFit(std::int64_t address, std::int64_t count, Command command);

    // The span's size is the word count.
    LinkResult GetVersion(std::uint16_t& version);                                          // 1
    LinkResult WriteDataWords(std::int32_t address, std::span<const std::uint16_t> words);  // 3
    LinkResult WriteFlashBlock(std::uint32_t address, const FlashBlock& block);             // 5
    LinkResult ReadDataWords(std::int32_t address, std::span<std::uint16_t> words);         // 6
    LinkResult ReadFlashBlock(std::uint32_t address, FlashBlock& block);                    // 8
    // Without attempts.
    LinkResult ReadProgramWords(std::int32_t address, std::span<std::uint32_t> words);         // 7
    LinkResult WriteProgramWords(std::int32_t address, std::span<const std::uint32_t> words);  // 4

    // Part of a flash block at a 24-bit address: the first `count` bytes of the
    // block read, or `bytes` written with the rest of the block erased (0xFF).
    // More than a block is FlashReadTooLong or FlashWriteTooLong, an address
    // beyond 24 bits OutOfRange; nothing is sent then.
    LinkResult ReadFlash(std::int32_t address, std::size_t count, std::vector<std::uint8_t>& bytes);
    LinkResult WriteFlash(std::int32_t address, std::span<const std::uint8_t> bytes);

    // The power-on handshake followed by the version query.
    LinkResult StartUp(std::uint16_t& version);

    // Waits `ms` milliseconds.
    void Delay(std::uint32_t ms);

    std::uint16_t timeoutMs() const { return timeoutMs_; }
    void SetTimeoutMs(std::uint16_t ms) { timeoutMs_ = ms; }
    std::uint16_t settleTimeMs() const { return settleTimeMs_; }
    void SetSettleTimeMs(std::uint16_t ms) { settleTimeMs_ = ms; }
    std::uint16_t attempts() const { return attempts_; }
    void SetAttempts(std::uint16_t attempts) { attempts_ = attempts; }

    LPTDigitalInstrument& port() { return port_; }
    const LPTDigitalInstrument& port() const { return port_; }

protected:
    // The steps the operations are made of; each answers whether it went through.
    bool SendByte(std::uint8_t value);
    bool ReceiveByte(std::uint8_t& value);
    bool SendWord(std::uint16_t value);
    bool ReceiveWord(std::uint16_t& value);
    // Blocks succeed only when every item went through; an empty block fails.
    bool SendBytes(std::span<const std::uint8_t> values);
    bool ReceiveBytes(std::span<std::uint8_t> values);
    bool SendWords(std::span<const std::uint16_t> values);
    bool ReceiveWords(std::span<std::uint16_t> values);

    // Runs `command` with attempts: each attempt sends the command byte and then
    // runs `exchange`, which sends the rest and checks the reply.
    bool Transact(std::uint8_t command, const std::function<bool()>& exchange);


private:
    // The result of an operation that went through or not.
    LinkResult Outcome(bool ok);

    enum Line : std::uint8_t { kData = 0,
                               kClock = 1 };

    // One access of the port each; false when the port cannot be reached.
    bool SetOutput(Line line, bool level);
    bool ReadInput(std::uint8_t line, bool& level);
    // Polls input 1 until it reads `level`; false once more than the time-out
    // has passed since the wait began.
    bool WaitForTargetClock(bool level);
    // Ends every byte transfer: clock low, then data low.
    bool EndByte(bool ok);
    bool SendAddress24(std::uint32_t address);
    bool ReceiveCheckSum(std::uint16_t expected);
    // Start-up steps 2 to 4: the target's answers to the PC's attention.
    bool WaitForInputsHeldHigh();
    bool WaitForDataDropFirst();
    bool WaitForClockDrop();

    std::uint16_t timeoutMs_ = 1000;
    std::uint16_t settleTimeMs_ = 0;
    std::uint16_t attempts_ = 5;
    LPTDigitalInstrument port_;
    Clock* clock_;
};
