#pragma once

#include "simulators/fourwire/FourWireFault.h"
#include "simulators/ptyline/FaultSchedule.h"

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <vector>

class Clock;

// The target end of the four-wire link, written from its handshake and command
// tables in docs/fourwire21xx.md, section "Wire protocol". It sees the PC's
// data register (bit 0 the PC's data, bit 1 its clock) and answers in the
// status register: bit 7 is the target's data as the PC reads it, bit 6 the
// target's clock inverted (0 = raised).
//
// A bit from the PC: on the PC's clock rising the target takes the data line
// and raises its clock; on the PC's clock falling it lowers its clock. A bit to
// the PC: the target puts the bit on its data line and raises its clock; on the
// PC's clock rising it lowers its clock; on the PC's clock falling it presents
// the next bit. The first bit of a reply is presented only after the PC has read
// the status once with the clock low, as firmware would after a short turn-around.
//
// Every command byte starts with bit 0, so the PC's data high at the first clock
// of a request is the start-up attention: the target raises both lines, lowers
// its data when the PC's data falls, and its clock when the PC's clock falls.
//
// A target left in the middle of a byte or request (the PC gave up) starts
// afresh when the PC's next register write comes more than kResyncGapMs after
// the one before.
//
// A slow target can be asked for: with an answer delay each change of the
// target's lines shows only that many milliseconds after the PC's change that
// caused it, and while an answer is on its way the target does not look at the
// PC's lines, so a pulse the PC makes and takes back in that time goes unseen.
// With a hold drop the target lowers one of its lines for a while during the
// start-up hold. Either way the target takes the PC's release of the attention
// only after its lines have stood raised for kStartUpHoldMs without a break.
//
// Memories: 64K data words of 16 bits, 64K program words of 24 bits, and a
// 16 MB flash (erased bytes read 0xFF) written 256 bytes at a time.
class FourWireTarget {
public:
    static constexpr std::uint32_t kResyncGapMs = 500;
    static constexpr std::uint8_t kStatusOk = 0xF1;
    static constexpr std::uint8_t kStatusWrong = 0xF0;
    static constexpr std::uint32_t kStartUpHoldMs = 1000;
    // How long into the start-up hold a hold drop begins.
    static constexpr std::uint32_t kHoldDropAfterMs = 300;

    enum class Line { Data,
                      Clock };
    // One line of the target lowered for `ms` milliseconds during the start-up
    // hold; 0 ms for none.
    struct HoldDrop {
        Line line = Line::Data;
        std::uint32_t ms = 0;
    };

    explicit FourWireTarget(Clock& clock, std::uint16_t version = 0x0102);

    // The PC wrote its data register.
    void WriteDataRegister(std::uint8_t value);
    // The PC reads the status register.
    std::uint8_t ReadStatusRegister();

    void InjectFault(const FourWireFault& fault);
    void ClearFaults();

    std::uint32_t answerDelayMs() const { return answerDelayMs_; }
    void SetAnswerDelayMs(std::uint32_t ms) { answerDelayMs_ = ms; }
    const HoldDrop& holdDrop() const { return holdDrop_; }
    void SetHoldDrop(const HoldDrop& drop) { holdDrop_ = drop; }

    std::uint16_t version() const { return version_; }
    void SetVersion(std::uint16_t version) { version_ = version; }

    std::uint16_t DataWord(std::uint16_t address) const { return data_[address]; }
    void SetDataWord(std::uint16_t address, std::uint16_t value) { data_[address] = value; }
    std::uint32_t ProgramWord(std::uint16_t address) const { return program_[address]; }
    void SetProgramWord(std::uint16_t address, std::uint32_t value) { program_[address] = value & 0xFFFFFF; }
    std::uint8_t FlashByte(std::uint32_t address) const;
    void SetFlashByte(std::uint32_t address, std::uint8_t value);

    // Every complete request the target carried out, command byte first.
    const std::vector<std::vector<std::uint8_t>>& requests() const { return requests_; }
    void ClearRequests() { requests_.clear(); }
    // Start-up handshakes the target completed.
    int startUps() const { return startUps_; }
    // Bytes that went through in both directions.
    std::uint64_t bytesTransferred() const { return bytesTransferred_; }

private:
    enum class Mode {
        Receiving,       // taking bits from the PC (idle when nothing is collected)
        Sending,         // presenting the bytes of a reply
        StartUpHeld,     // both lines raised, waiting for the PC's data to fall
        StartUpDataLow,  // data lowered, waiting for the PC's clock to fall
        StartUpBroken,   // clock lowered before data; starts afresh at the next change
        Stalled,         // stopped clocking; only a resync gap brings it back
    };

    // Shows an answer that is due, then follows the PC's lines, unless an
    // answer is still on its way.
    void Service(std::uint64_t now);
    // Follows what changed on the PC's lines since the target last looked.
    void TakePcLines(std::uint64_t now);
    // Sends the target's lines on their way to the PC when they changed.
    void Answer(std::uint64_t now);
    void FollowHoldDrop(std::uint64_t now);
    // True when the clock has to be read to serve a status read.
    bool Timed() const { return answerDelayMs_ > 0 || holdDrop_.ms > 0; }

    void OnClockRise(bool pcData);
    void OnClockFall();
    void OnDataFall(std::uint64_t now);
    void OnByteReceived(std::uint8_t byte);
    // True when the request collected so far is complete.
    bool RequestComplete() const;
    void Execute();
    void Reply(std::vector<std::uint8_t> bytes);
    void PresentNextBit();
    void StartAfresh();
    std::uint16_t CheckSum(std::uint32_t sum);

    void AppendWord(std::vector<std::uint8_t>& bytes, std::uint16_t value);
    std::uint16_t RequestWord(std::size_t offset) const;
    std::uint32_t RequestAddress24(std::size_t offset) const;

    Clock& clock_;
    std::uint16_t version_;

    std::uint8_t pcRegister_ = 0;  // as the PC last wrote it
    std::uint8_t pcSeen_ = 0;      // as the target last followed it
    std::uint64_t lastWriteMs_;
    bool dataLine_ = false;   // the target's data as the PC reads it (input 0)
    bool clockLine_ = false;  // the target's clock raised (input 1 true)
    Mode mode_ = Mode::Receiving;

    // The lines as the PC reads them, and an answer still on its way there.
    struct Lines {
        bool data = false;
        bool clock = false;
        friend bool operator==(const Lines&, const Lines&) = default;
    };
    struct PendingAnswer {
        std::uint64_t atMs;
        Lines lines;
    };
    Lines shown_;
    std::optional<PendingAnswer> pending_;
    std::uint32_t answerDelayMs_ = 0;

    HoldDrop holdDrop_;
    std::uint64_t raisedSinceMs_ = 0;  // start-up lines up without a break since
    bool holdDropDone_ = false;

    bool stallThisByte_ = false;
    int bitsIn_ = 0;
    std::uint8_t shiftIn_ = 0;
    std::vector<std::uint8_t> request_;

    std::deque<std::uint8_t> reply_;
    int bitOut_ = 7;
    bool presentOnRead_ = false;

    // Standing faults: each kind strikes at its own occasions (a stall's: every byte
    // that starts, in either direction).
    FaultSchedule<FourWireFault> faults_;

    std::vector<std::uint16_t> data_ = std::vector<std::uint16_t>(0x10000);
    std::vector<std::uint32_t> program_ = std::vector<std::uint32_t>(0x10000);
    std::map<std::uint32_t, std::array<std::uint8_t, 256>> flash_;

    std::vector<std::vector<std::uint8_t>> requests_;
    int startUps_ = 0;
    std::uint64_t bytesTransferred_ = 0;
};
