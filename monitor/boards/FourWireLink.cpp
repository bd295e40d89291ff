#include "monitor/boards/FourWireLink.h"

#include <algorithm>
#include <numeric>

namespace {

constexpr std::int64_t kWordSpace = 0x10000;     // 16-bit addresses and counts
constexpr std::int64_t kFlashSpace = 0x1000000;  // 24-bit flash addresses
constexpr std::uint8_t kErasedFlash = 0xFF;

constexpr std::uint8_t kTargetData = 0;
constexpr std::uint8_t kTargetClock = 1;

std::uint16_t Low16(std::uint32_t value)
{
    return static_cast<std::uint16_t>(value & 0xFFFF);
}

std::uint8_t Bits23To16(std::uint32_t word)
{
    return static_cast<std::uint8_t>((word >> 16) & 0xFF);
}

template <class Values>
std::uint16_t SumOf(const Values& values)
{
    return Low16(std::accumulate(values.begin(), values.end(), std::uint32_t{0}));
}

// Transfers the items one by one up to the first failure; an empty block fails.
template <class Values, class Transfer>
bool EveryItem(Values values, Transfer transfer)
{
    if (values.empty())
        return false;
    for (auto& value : values)
        if (!transfer(value))
            return false;
    return true;
}

}  // namespace

FourWireLink::FourWireLink() : FourWireLink(LPTDigitalInstrument(), Clock::Steady()) {}

FourWireLink::FourWireLink(LPTDigitalInstrument port, Clock& clock)
    : port_(std::move(port)), clock_(&clock)
{
    port_.SetDigitalOutput(kData, 0);
    port_.SetDigitalOutput(kClock, 0);
}

bool FourWireLink::SetOutput(Line line, bool level)
{
    port_.SetDigitalOutput(line, level ? 1 : 0);
    return port_.HasPortAccess();
}

bool FourWireLink::ReadInput(std::uint8_t line, bool& level)
{
    level = port_.GetDigitalInput(line);
    return port_.HasPortAccess();
}

bool FourWireLink::WaitForTargetClock(bool level)
{
    const std::uint64_t start = clock_->NowMs();
    for (;;) {
        bool clock = false;
        if (!ReadInput(kTargetClock, clock))
            return false;
        if (clock == level)
            return true;
        if (clock_->NowMs() - start > timeoutMs_)
            return false;
    }
}

bool FourWireLink::EndByte(bool ok)
{
    // Without the port there is nothing to set low, and trying would only
    // announce the lost port again.
    if (port_.HasPortAccess() && SetOutput(kClock, false))
        SetOutput(kData, false);
    return ok && port_.HasPortAccess();
}

bool FourWireLink::SendByte(std::uint8_t value)
{
    for (int bit = 7; bit >= 0; --bit) {
        const bool ok = WaitForTargetClock(false) && SetOutput(kData, (value >> bit) & 1) && SetOutput(kClock, true) && WaitForTargetClock(true) && SetOutput(kClock, false) && WaitForTargetClock(false);
        if (!ok)
            return EndByte(false);
    }
    return EndByte(true);
}

bool FourWireLink::ReceiveByte(std::uint8_t& value)
{
    value = 0;
    for (int bit = 7; bit >= 0; --bit) {
        bool data = false;
        const bool ok = WaitForTargetClock(true) && ReadInput(kTargetData, data) && SetOutput(kClock, true) && WaitForTargetClock(false) && SetOutput(kClock, false);
        if (!ok)
            return EndByte(false);
        if (data)
            value = static_cast<std::uint8_t>(value | (1u << bit));
    }
    return EndByte(true);
}

bool FourWireLink::SendWord(std::uint16_t value)
{
    return SendByte(static_cast<std::uint8_t>(value >> 8)) && SendByte(static_cast<std::uint8_t>(value & 0xFF));
}

bool FourWireLink::ReceiveWord(std::uint16_t& value)
{
    std::uint8_t high = 0;
    std::uint8_t low = 0;
    if (!ReceiveByte(high) || !ReceiveByte(low))
        return false;
    value = static_cast<std::uint16_t>((high << 8) | low);
    return true;
}

bool FourWireLink::SendBytes(std::span<const std::uint8_t> values)
{
    return EveryItem(values, [this](std::uint8_t value) { return SendByte(value); });
}

bool FourWireLink::ReceiveBytes(std::span<std::uint8_t> values)
{
    return EveryItem(values, [this](std::uint8_t& value) { return ReceiveByte(value); });
}

bool FourWireLink::SendWords(std::span<const std::uint16_t> values)
{
    return EveryItem(values, [this](std::uint16_t value) { return SendWord(value); });
}

bool FourWireLink::ReceiveWords(std::span<std::uint16_t> values)
{
    return EveryItem(values, [this](std::uint16_t& value) { return ReceiveWord(value); });
}

bool FourWireLink::ReceiveCheckSum(std::uint16_t expected)
{
    std::uint16_t sum = 0;
    return ReceiveWord(sum) && sum == expected;
}

bool FourWireLink::SendAddress24(std::uint32_t address)
{
    return SendByte(Bits23To16(address)) && SendByte(static_cast<std::uint8_t>((address >> 8) & 0xFF)) && SendByte(static_cast<std::uint8_t>(address & 0xFF));
}

void FourWireLink::Delay(std::uint32_t ms)
{
    if (ms != 0)
        clock_->SleepMs(ms);
}

LinkResult FourWireLink::Outcome(bool ok)
{
    if (ok)
        return {};
    return {port_.HasPortAccess() ? LinkResult::NoResponse : LinkResult::NoPortAccess};
}

bool FourWireLink::Transact(std::uint8_t command, const std::function<bool()>& exchange)
{
    for (std::uint16_t attempt = 1; attempt <= attempts_; ++attempt) {
        const bool another = attempt < attempts_;
        const bool sent = SendByte(command);
        const bool ok = sent && exchange();
        if (sent)
            Delay(settleTimeMs_);
        if (ok)
            return true;
        // A port that cannot be reached will not come back for another attempt.
        if (!port_.HasPortAccess())
            return false;
        if (another)
            Delay(timeoutMs_);
    }
    return false;
}

LinkResult FourWireLink::GetVersion(std::uint16_t& version)
{
    return Outcome(Transact(kGetVersion, [&] {
        std::uint16_t received = 0;
        std::uint8_t status = 0;
        if (!ReceiveWord(received) || !ReceiveByte(status) || status != kVersionOk)
            return false;
        version = received;
        return true;
    }));
}

bool FourWireLink::WordsFit(std::int64_t address, std::int64_t count, Command command)
{
    const std::int64_t maxCount = command == kReadProgram ? kWordSpace / 2 - 1 : kWordSpace - 1;
    return address >= 0 && count >= 1 && count <= maxCount && address + count <= kWordSpace;
}

LinkResult FourWireLink::WriteDataWords(std::int32_t address, std::span<const std::uint16_t> words)
{
    if (!WordsFit(address, static_cast<std::int64_t>(words.size()), kWriteData))
        return {LinkResult::OutOfRange};
    const auto count = static_cast<std::uint16_t>(words.size());
    return Outcome(Transact(kWriteData, [&] {
        return SendWord(address) && SendWord(count) && SendWords(words) && ReceiveCheckSum(SumOf(words));
    }));
}

LinkResult FourWireLink::WriteFlashBlock(std::uint32_t address, const FlashBlock& block)
{
    return Outcome(Transact(kWriteFlash, [&] {
        return SendAddress24(address) && SendBytes(block) && ReceiveCheckSum(SumOf(block));
    }));
}

LinkResult FourWireLink::ReadDataWords(std::int32_t address, std::span<std::uint16_t> words)
{
    if (!WordsFit(address, static_cast<std::int64_t>(words.size()), kReadData))
        return {LinkResult::OutOfRange};
    const auto count = static_cast<std::uint16_t>(words.size());
    return Outcome(Transact(kReadData, [&] {
        return SendWord(address) && SendWord(count) && ReceiveWords(words) && ReceiveCheckSum(SumOf(words));
    }));
}

LinkResult FourWireLink::ReadFlashBlock(std::uint32_t address, FlashBlock& block)
{
    return Outcome(Transact(kReadFlash, [&] {
        return SendAddress24(address) && ReceiveBytes(block) && ReceiveCheckSum(SumOf(block));
    }));
}

LinkResult FourWireLink::ReadFlash(std::int32_t address, std::size_t count, std::vector<std::uint8_t>& bytes)
{
    if (count > kFlashBlockSize)
        return {LinkResult::FlashReadTooLong};
    if (address < 0 || address >= kFlashSpace)
        return {LinkResult::OutOfRange};
    FlashBlock block{};
    const LinkResult outcome = ReadFlashBlock(static_cast<std::uint32_t>(address), block);
    bytes.assign(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(count));
    return outcome;
}

LinkResult FourWireLink::WriteFlash(std::int32_t address, std::span<const std::uint8_t> bytes)
{
    if (bytes.size() > kFlashBlockSize)
        return {LinkResult::FlashWriteTooLong};
    if (address < 0 || address >= kFlashSpace)
        return {LinkResult::OutOfRange};
    FlashBlock block;
    block.fill(kErasedFlash);
    std::copy(bytes.begin(), bytes.end(), block.begin());
    return WriteFlashBlock(static_cast<std::uint32_t>(address), block);
}

LinkResult FourWireLink::ReadProgramWords(std::int32_t address, std::span<std::uint32_t> words)
{
    if (!WordsFit(address, static_cast<std::int64_t>(words.size()), kReadProgram))
        return {LinkResult::OutOfRange};
    if (!SendByte(kReadProgram) || !SendWord(address) || !SendWord(static_cast<std::uint16_t>(2 * words.size())))
        return Outcome(false);
    std::uint32_t sum = 0;
    for (std::uint32_t& word : words) {
        std::uint8_t high = 0;
        std::uint16_t low = 0;
        if (!ReceiveByte(high) || !ReceiveWord(low))
            return Outcome(false);
        word = (std::uint32_t{high} << 16) | low;
        sum += std::uint32_t{high} + low;
    }
    return Outcome(ReceiveCheckSum(Low16(sum)));
}

LinkResult FourWireLink::WriteProgramWords(std::int32_t address, std::span<const std::uint32_t> words)
{
    if (!WordsFit(address, static_cast<std::int64_t>(words.size()), kWriteProgram))
        return {LinkResult::OutOfRange};
    if (!SendByte(kWriteProgram) || !SendWord(address) || !SendWord(static_cast<std::uint16_t>(words.size())))
        return Outcome(false);
    std::uint32_t sum = 0;
    for (std::uint32_t word : words) {
        if (!SendByte(Bits23To16(word)) || !SendWord(Low16(word)))
            return Outcome(false);
        sum += std::uint32_t{Bits23To16(word)} + Low16(word);
    }
    return Outcome(ReceiveCheckSum(Low16(sum)));
}

bool FourWireLink::WaitForInputsHeldHigh()
{
    const std::uint64_t start = clock_->NowMs();
    bool holding = false;
    std::uint64_t heldSince = start;
    for (;;) {
        bool data = false;
        bool clock = false;
        if (!ReadInput(kTargetData, data) || !ReadInput(kTargetClock, clock))
            return false;
        // The hold counts from the reads that saw it. A target that takes the PC's
        // raise late (a write is not answered) may raise its lines only after a
        // time taken before those reads, and it wants a whole second from its raise.
        const std::uint64_t now = clock_->NowMs();
        if (now - start > kStartUpLimitMs)
            return false;
        if (!data || !clock) {
            holding = false;
        } else if (!holding) {
            holding = true;
            heldSince = now;
        } else if (now - heldSince >= kStartUpHoldMs) {
            return true;
        }
    }
}

bool FourWireLink::WaitForDataDropFirst()
{
    const std::uint64_t start = clock_->NowMs();
    for (;;) {
        bool data = false;
        bool clock = false;
        if (!ReadInput(kTargetData, data) || !ReadInput(kTargetClock, clock))
            return false;
        if (!data && clock)
            return true;
        if (data && !clock)
            return false;  // the target's clock fell first
        if (clock_->NowMs() - start > kStartUpStepMs)
            return false;
    }
}

bool FourWireLink::WaitForClockDrop()
{
    const std::uint64_t start = clock_->NowMs();
    for (;;) {
        bool clock = false;
        if (!ReadInput(kTargetClock, clock))
            return false;
        if (!clock)
            return true;
        if (clock_->NowMs() - start > kStartUpStepMs)
            return false;
    }
}

LinkResult FourWireLink::StartUp(std::uint16_t& version)
{
    const bool awake = SetOutput(kData, true) && SetOutput(kClock, true) && WaitForInputsHeldHigh() && SetOutput(kData, false) && WaitForDataDropFirst() && SetOutput(kClock, false) && WaitForClockDrop();
    return awake ? GetVersion(version) : Outcome(false);
}
