#pragma once

#include "simulators/ez2181/Ez2181Frame.h"
#include "simulators/ez2181/Ez2181FrameSum.h"
#include "simulators/ptyline/ByteDevice.h"
#include "simulators/ptyline/FaultSchedule.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

// A fault the simulated monitor injects on request.
enum class Ez2181FaultKind {
    WrongSync,       // the reply starts with `value` (default 0x00) instead of 0xFA
    WrongAddress,    // the reply's address byte is `value` (default 0x01)
    WrongLength,     // the reply's length byte is `value` (default: the right one + 1);
                     // the payload itself is sent unchanged
    WrongStatus,     // the reply's status is `value` (default 0x00) instead of 0xFE
    WrongCheckByte,  // the reply's second check byte is off by one
    DroppedByte,     // byte number `value` of the reply frame (0 = sync; default: the
                     // last check byte) is left out
    Silence,         // from that frame on the monitor has hung: it neither carries out
                     // nor answers anything until ClearFaults() or PowerUp(); with a
                     // `value`, only that many frames in a row
};

// `request` counts the request frames the monitor accepts (check bytes right)
// from the moment the fault is injected: 1 is the next one (0 counts as 1).
// All kinds but Silence spoil only the reply to that one frame; a frame that
// gets no reply (the 0xFE acknowledgement) uses such a fault up without effect.
// The monitor keeps them in a FaultSchedule.
struct Ez2181Fault {
    Ez2181Fault() = default;
    Ez2181Fault(Ez2181FaultKind k, unsigned r = 1, std::optional<std::uint8_t> v = std::nullopt)
        : kind(k), request(r), value(v)
    {
    }

    Ez2181FaultKind kind = Ez2181FaultKind::WrongCheckByte;
    unsigned request = 1;
    std::optional<std::uint8_t> value;

    bool operator==(const Ez2181Fault&) const = default;
};

// The resident monitor of an ADSP-2181 EZ-KIT board as a byte-in, byte-out
// state machine. Bytes from the PC go in through Receive(); the monitor's
// replies and its power-on frame come out through TakeOutput(). All public
// members are safe to call from any thread, so a test may look into the board
// while a PtyLineServer serves it on another thread. Its frames and commands are
// tabled in docs/ez2181.md, section "Wire protocol".
//
// Memory as the wire addresses it: commands 0x01/0x02 reach program memory at
// line addresses 0x0000-0x3FFF and data memory at 0x4000-0x7FFF; higher address
// bits are ignored, as the chip's 14-bit address bus ignores them. Commands
// 0x0B/0x0C reach the 2048 words of I/O memory (address bits above 11 ignored).
// Program words keep 24 bits, data and I/O words 16; reads give them back
// zero-extended in 32-bit words.
//
// Flash: 1 MiB, erased to 0xFF at construction. Command 0x09 loads bytes into the
// load buffer; command 0x0A programs the bytes loaded since the previous 0x0A
// (buffer offsets 0 up to the highest loaded end) at the flash address given,
// replacing what was there (the monitor erases as needed). A 0x0A with no load
// since the previous one programs the previous buffer contents again, as a
// monitor that does not clear its buffer would.
//
// A request the monitor cannot carry out (unknown command, payload length that
// does not fit the command, count outside the command's range, addresses
// beyond flash or the load buffer) is answered with status kStatusRefused and
// no payload. A frame with wrong check bytes, a length below 3, or an address
// byte other than 0xFF or the board's own is dropped without an answer.
class Ez2181Simulator : public ByteDevice {
public:
    static constexpr std::uint8_t kSync = 0xFA;
    static constexpr std::uint8_t kPcAddress = 0xFF;
    static constexpr std::uint8_t kBoardAddress = 0x00;
    static constexpr std::uint8_t kStatusOk = 0xFE;
    static constexpr std::uint8_t kStatusPowerOn = 0x07;
    static constexpr std::uint8_t kStatusRefused = 0x15;

    static constexpr std::uint8_t kWriteMemory = 0x01;
    static constexpr std::uint8_t kReadMemory = 0x02;
    static constexpr std::uint8_t kRun = 0x03;
    static constexpr std::uint8_t kReset = 0x04;
    static constexpr std::uint8_t kReadFlash = 0x08;
    static constexpr std::uint8_t kLoadFlashBuffer = 0x09;
    static constexpr std::uint8_t kProgramFlash = 0x0A;
    static constexpr std::uint8_t kReadIo = 0x0B;
    static constexpr std::uint8_t kWriteIo = 0x0C;
    static constexpr std::uint8_t kAcknowledgePowerOn = 0xFE;

    static constexpr std::size_t kMaxMemoryWords = 40;
    static constexpr std::size_t kMaxFlashRead = 190;
    static constexpr std::size_t kMaxFlashLoad = 185;

    static constexpr std::size_t kProgramWords = 0x4000;
    static constexpr std::size_t kDataWords = 0x4000;
    static constexpr std::size_t kIoWords = 0x800;
    static constexpr std::size_t kFlashBytes = 0x100000;
    static constexpr std::size_t kLoadBufferBytes = kFlashBytes;

    Ez2181Simulator();

    // --- the line ---
    void Receive(std::uint8_t byte);
    void Receive(std::span<const std::uint8_t> bytes) override;
    // The board's output as one piece; the monitor never answers late.
    std::vector<Output> TakeOutput() override;
    bool HasOutput() const;
    // Called (from whichever thread queued it) whenever output is queued.
    void SetOutputListener(std::function<void()> listener) override;
    // Called for every accepted request frame, after the board has handled it
    // (on the thread that fed the bytes in); for a program's trace of the line.
    void SetFrameListener(std::function<void(const Ez2181Frame&)> listener);
    // True while a frame has begun but not ended; AbandonPartialFrame() forgets
    // it, as the monitor does when the line stays quiet in the middle of a frame
    // for the frame time-out (500 ms unless set).
    bool InFrame() const override;
    void AbandonPartialFrame() override;
    std::chrono::milliseconds FrameTimeout() const override;
    void SetFrameTimeout(std::chrono::milliseconds timeout) { frameTimeoutMs_ = timeout.count(); }

    // A power cycle: the half-received frame, unsent output, program, data and
    // I/O memory and the load buffer are lost (memories read 0, the buffer
    // 0xFF), flash is kept, a hung monitor (Silence) runs again, and the
    // power-on frame FA 00 03 07 02 F8 is queued.
    void PowerUp();
    // Queues the power-on frame only, leaving the board's state alone.
    void SendPowerOnFrame();
    // Queues bytes as they are, to put odd traffic on the line.
    void SendRaw(std::span<const std::uint8_t> bytes);
    bool PowerOnAcknowledged() const;

    // --- faults ---
    void InjectFault(const Ez2181Fault& fault);
    void ClearFaults();
    std::size_t PendingFaultCount() const;
    bool Silent() const;

    // --- memories and flash, straight access for tests ---
    std::uint32_t ProgramWord(std::size_t address) const;
    void SetProgramWord(std::size_t address, std::uint32_t word);
    std::uint16_t DataWord(std::size_t address) const;
    void SetDataWord(std::size_t address, std::uint16_t word);
    std::uint16_t IoWord(std::size_t address) const;
    void SetIoWord(std::size_t address, std::uint16_t word);
    std::uint8_t FlashByte(std::size_t address) const;
    void SetFlashByte(std::size_t address, std::uint8_t byte);
    void FlipFlashByte(std::size_t address);  // inverts every bit of that byte
    // Empty when the range leaves flash; the single-word accessors throw std::out_of_range.
    std::vector<std::uint8_t> FlashBytes(std::size_t address, std::size_t count) const;
    std::uint8_t LoadBufferByte(std::size_t offset) const;
    std::size_t LoadedLength() const;  // what the next 0x0A would program

    // --- what happened on the line ---
    std::size_t FramesReceived() const;  // accepted request frames
    std::size_t FramesRejected() const;  // dropped: check bytes, length or address
    std::size_t FramesSent() const;      // replies and power-on frames
    std::vector<Ez2181Frame> ReceivedFrames() const;
    std::vector<std::uint8_t> ReceivedBytes() const;  // every byte, as it came
    // Recording the frames and bytes above is on by default; a long-running
    // program turns it off so that the logs do not grow without end.
    void SetRecording(bool on);
    void ClearLog();
    std::size_t ResetCount() const;
    std::size_t RunCount() const;
    std::optional<std::uint32_t> LastRunOperand() const;

private:
    enum class RxState { Sync,
                         Address,
                         Length,
                         Body };

    struct Reply {
        std::uint8_t status = kStatusOk;
        std::vector<std::uint8_t> payload;
    };

    void ReceiveLocked(std::uint8_t byte);
    void FinishFrame();
    std::optional<Reply> Execute(const Ez2181Frame& frame);
    Reply WriteWords(const std::vector<std::uint8_t>& payload, bool io);
    Reply ReadWords(const std::vector<std::uint8_t>& payload, bool io);
    Reply ReadFlash(const std::vector<std::uint8_t>& payload);
    Reply LoadFlashBuffer(const std::vector<std::uint8_t>& payload);
    Reply ProgramFlash(const std::vector<std::uint8_t>& payload);
    std::uint32_t LineWord(std::uint32_t lineAddress, bool io) const;
    void SetLineWord(std::uint32_t lineAddress, bool io, std::uint32_t word);
    void QueueFrame(std::uint8_t address, std::uint8_t status, const std::vector<std::uint8_t>& payload,
                    const std::vector<Ez2181Fault>& faults);
    void QueueBytes(std::span<const std::uint8_t> bytes);
    void ClearRam();

    mutable std::mutex mutex_;
    std::function<void()> listener_;
    std::function<void(const Ez2181Frame&)> frameListener_;
    std::vector<Ez2181Frame> framesToReport_;

    RxState rxState_ = RxState::Sync;
    Ez2181FrameSum rxSum_;
    std::uint8_t rxAddress_ = 0;
    std::uint8_t rxLength_ = 0;
    std::vector<std::uint8_t> rxBody_;
    std::vector<std::uint8_t> output_;

    std::vector<std::uint32_t> program_;
    std::vector<std::uint16_t> data_;
    std::vector<std::uint16_t> io_;
    std::vector<std::uint8_t> flash_;
    std::vector<std::uint8_t> loadBuffer_;
    std::size_t loadedLength_ = 0;
    bool loadedSinceProgram_ = false;

    FaultSchedule<Ez2181Fault> faults_{Ez2181FaultKind::Silence};
    std::atomic<std::int64_t> frameTimeoutMs_{kDefaultFrameTimeout.count()};
    bool powerOnAcknowledged_ = false;

    bool recording_ = true;
    std::size_t framesReceived_ = 0;
    std::size_t framesRejected_ = 0;
    std::size_t framesSent_ = 0;
    std::vector<Ez2181Frame> receivedFrames_;
    std::vector<std::uint8_t> receivedBytes_;
    std::size_t resetCount_ = 0;
    std::size_t runCount_ = 0;
    std::optional<std::uint32_t> lastRunOperand_;
};
