#pragma once

#include "monitor/core/LinkResult.h"
#include "monitor/serial/SerialPort.h"
#include "platform/Clock.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

// The packet layer of the ADSP-2181 EZ-KIT monitor line, most significant byte first.
// Its frames, check bytes, commands and timings are tabled in docs/ez2181.md,
// section "Wire protocol". Every byte written and every byte read through ReadByte
// passes through the check sums; data memory goes on the line at 0x4000 plus its
// address.
//
// Every operation returns a LinkResult and lets no exception out: a byte that
// does not come within the read time-out, or a failed write, ends it as
// SerialFailure. A reply fault carries the number the protocol gives it as its
// code (below).
class Ez2181Link : public SerialPort {
public:
    static constexpr std::uint8_t kSync = 0xFA;
    static constexpr std::uint8_t kPcAddress = 0xFF;
    static constexpr std::uint8_t kStatusDone = 0xFE;

    enum Command : std::uint8_t {
        kWriteWords = 0x01,
        kReadWords = 0x02,
        kRun = 0x03,
        kReset = 0x04,
        kReadFlash = 0x08,
        kLoadFlashBuffer = 0x09,
        kProgramFlash = 0x0A,
        kReadIoWords = 0x0B,
        kWriteIoWords = 0x0C,
        kAcknowledgePowerOn = 0xFE,
    };

    static constexpr int kMaxWordsPerFrame = 40;
    static constexpr int kMaxFlashReadPerFrame = 190;
    static constexpr int kMaxFlashLoadPerFrame = 185;
    static constexpr std::uint32_t kPowerOnWaitMs = 10000;

    // COM1 on a real line (not opened yet).
    explicit Ez2181Link(Clock& clock = Clock::Steady());
    // For tests: the link drives `device`.
    Ez2181Link(std::unique_ptr<CommDevice> device, Clock& clock);

    void WriteByte(std::uint8_t b) override;  // adds b to the sums, then sends it
    std::uint8_t ReadByte() override;         // receives a byte and adds it to the sums

    void ResetSums();
    void AddToSums(std::uint8_t b);
    std::uint8_t CheckByte() const;

    // Command 04. Reply faults: 1 WrongStart (no sync byte), 2 WrongAddress
    // (neither 00 nor FF), 3 ShortLength (below 3), 4 UnexpectedLength (not 3)
    // or WrongStatus (not FE), 6 BadCheckBytes.
    LinkResult Reset();
    // Command 03 with its operand.
    LinkResult Run(std::uint32_t operand);

    // `count` words of one memory space from `address`, in frames of at most 40.
    // Reply faults are those of ReadReplyHeader, or BadCheckBytes with code 1 (as
    // for Run). Frames already answered stay done on the board; a count of 0
    // sends nothing.
    LinkResult ReadData(std::uint32_t address, std::uint32_t count, std::vector<std::uint32_t>& words);
    LinkResult WriteData(std::uint32_t address, std::span<const std::uint32_t> words);
    LinkResult ReadProgram(std::uint32_t address, std::uint32_t count, std::vector<std::uint32_t>& words);
    LinkResult WriteProgram(std::uint32_t address, std::span<const std::uint32_t> words);
    LinkResult ReadIo(std::uint32_t address, std::uint32_t count, std::vector<std::uint32_t>& words);
    LinkResult WriteIo(std::uint32_t address, std::span<const std::uint32_t> words);

    // Flash in frames of at most 190 bytes read or 185 bytes loaded; any fault of a
    // reply is NoResponse with code 1. A write loads the board's buffer from offset 0
    // and then programs it at `address`; with no bytes to write nothing is sent at all.
    LinkResult ReadFlash(std::uint32_t address, std::uint32_t count, std::vector<std::uint8_t>& bytes);
    LinkResult WriteFlash(std::uint32_t address, std::span<const std::uint8_t> bytes);

    // Waits up to 10 s for the power-on frame and acknowledges it; NoPowerOnFrame
    // with code 1 when none came. A line that cannot be opened fails at once as
    // SerialFailure with code 2, as a request would.
    LinkResult WaitForHello();

protected:
    // The parts of a frame; a byte that does not come leaves them as SerialPortException.
    // Purges the input, starts fresh sums and sends FA, the address byte, length, command.
    void BeginRequest(std::uint8_t command, int payloadLength);
    // Sends the two check bytes.
    void EndRequest();
    // Reads a reply up to its status byte. Ok when the payload length lies between `min`
    // and `max` (or is exactly `min` when `max` is 0); else 1 WrongStart (no sync byte),
    // 2 ShortLength (below 3), 3 WrongStatus (not FE), 4 UnexpectedLength (payload
    // length out of range).
    LinkResult ReadReplyHeader(int min, int max);
    // Reads the two check bytes: Ok when the reply checks, else BadCheckBytes with code 1.
    LinkResult ReadReplyTrailer();
    // Ok when the sums of the reply, its check bytes read, are zero; else BadCheckBytes with code 1.
    LinkResult SumsCheck() const;
    // Reads `bytes` in as few reads as the line allows and adds them to the sums.
    void ReceiveSummed(std::span<std::uint8_t> bytes);

private:
    // A request without payload and its reply without payload.
    LinkResult Exchange(std::uint8_t command);
    // Memory words in frames of at most 40, from `lineAddress` as the board addresses it.
    LinkResult ReadWords(std::uint8_t command, std::uint32_t lineAddress, std::uint32_t count,
                         std::vector<std::uint32_t>& words);
    LinkResult WriteWords(std::uint8_t command, std::uint32_t lineAddress, std::span<const std::uint32_t> words);
    // Reads a reply without payload: a ReadReplyHeader or ReadReplyTrailer result.
    LinkResult ReadEmptyReply();
    // One command with a 32-bit operand and an empty reply; a byte that does not
    // come leaves as SerialPortException.
    LinkResult SendOperandFrame(std::uint8_t command, std::uint32_t operand);
    // The body of WaitForHello; a byte that does not come leaves as SerialPortException.
    LinkResult AwaitPowerOnFrame();

    Clock& clock_;
    std::uint8_t addressByte_ = kPcAddress;
    std::int32_t sum1_ = 0;
    std::int32_t sum2_ = 0;
    // A request being framed (BeginRequest to EndRequest) and the bytes of a reply.
    bool requestOpen_ = false;
    std::vector<std::uint8_t> request_;
    std::vector<std::uint8_t> reply_;
};
