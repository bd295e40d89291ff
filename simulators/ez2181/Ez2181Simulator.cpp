#include "simulators/ez2181/Ez2181Simulator.h"

#include <algorithm>

namespace {

std::uint32_t BigEndian32(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    return (std::uint32_t{bytes[at]} << 24) | (std::uint32_t{bytes[at + 1]} << 16) |
           (std::uint32_t{bytes[at + 2]} << 8) | std::uint32_t{bytes[at + 3]};
}

void AppendBigEndian32(std::vector<std::uint8_t>& bytes, std::uint32_t value)
{
    bytes.push_back(static_cast<std::uint8_t>(value >> 24));
    bytes.push_back(static_cast<std::uint8_t>(value >> 16));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
    bytes.push_back(static_cast<std::uint8_t>(value));
}

constexpr std::uint32_t kDataMemoryBit = 0x4000;
constexpr std::uint32_t kWordAddressMask = 0x3FFF;
constexpr std::uint32_t kIoAddressMask = 0x7FF;
constexpr std::uint32_t kProgramWordMask = 0xFFFFFF;
constexpr std::size_t kAddressAndCount = 5;

}  // namespace

Ez2181Simulator::Ez2181Simulator()
    : program_(kProgramWords, 0),
      data_(kDataWords, 0),
      io_(kIoWords, 0),
      flash_(kFlashBytes, 0xFF),
      loadBuffer_(kLoadBufferBytes, 0xFF)
{
}

// ---------------------------------------------------------------- the line

void Ez2181Simulator::Receive(std::uint8_t byte)
{
    Receive(std::span<const std::uint8_t>(&byte, 1));
}

void Ez2181Simulator::Receive(std::span<const std::uint8_t> bytes)
{
    std::function<void()> notify;
    std::function<void(const Ez2181Frame&)> report;
    std::vector<Ez2181Frame> frames;
    {
        std::lock_guard lock(mutex_);
        const std::size_t before = output_.size();
        for (std::uint8_t b : bytes)
            ReceiveLocked(b);
        if (output_.size() != before)
            notify = listener_;
        report = frameListener_;
        frames.swap(framesToReport_);
    }
    if (report) {
        for (const Ez2181Frame& frame : frames)
            report(frame);
    }
    if (notify)
        notify();
}

std::vector<ByteDevice::Output> Ez2181Simulator::TakeOutput()
{
    std::lock_guard lock(mutex_);
    return TakeAsOnePiece(output_);
}

bool Ez2181Simulator::HasOutput() const
{
    std::lock_guard lock(mutex_);
    return !output_.empty();
}

void Ez2181Simulator::SetOutputListener(std::function<void()> listener)
{
    std::lock_guard lock(mutex_);
    listener_ = std::move(listener);
}

void Ez2181Simulator::SetFrameListener(std::function<void(const Ez2181Frame&)> listener)
{
    std::lock_guard lock(mutex_);
    frameListener_ = std::move(listener);
}

bool Ez2181Simulator::InFrame() const
{
    std::lock_guard lock(mutex_);
    return rxState_ != RxState::Sync;
}

void Ez2181Simulator::AbandonPartialFrame()
{
    std::lock_guard lock(mutex_);
    if (rxState_ != RxState::Sync)
        ++framesRejected_;
    rxState_ = RxState::Sync;
}

std::chrono::milliseconds Ez2181Simulator::FrameTimeout() const
{
    return std::chrono::milliseconds(frameTimeoutMs_.load());
}

void Ez2181Simulator::ReceiveLocked(std::uint8_t byte)
{
    if (recording_)
        receivedBytes_.push_back(byte);
    switch (rxState_) {
    case RxState::Sync:
        // Anything between frames is line noise to the monitor.
        if (byte == kSync) {
            rxSum_.Reset();
            rxSum_.Add(byte);
            rxState_ = RxState::Address;
        }
        break;
    case RxState::Address:
        rxSum_.Add(byte);
        rxAddress_ = byte;
        rxState_ = RxState::Length;
        break;
    case RxState::Length:
        rxSum_.Add(byte);
        if (byte < 3) {
            ++framesRejected_;
            rxState_ = RxState::Sync;
            break;
        }
        rxLength_ = byte;
        rxBody_.clear();
        rxState_ = RxState::Body;
        break;
    case RxState::Body:
        // The length counts the command, the payload and both check bytes.
        rxSum_.Add(byte);
        rxBody_.push_back(byte);
        if (rxBody_.size() == rxLength_) {
            rxState_ = RxState::Sync;
            FinishFrame();
        }
        break;
    }
}

void Ez2181Simulator::FinishFrame()
{
    if (!rxSum_.IsZero() || (rxAddress_ != kPcAddress && rxAddress_ != kBoardAddress)) {
        ++framesRejected_;
        return;
    }
    Ez2181Frame frame;
    frame.address = rxAddress_;
    frame.command = rxBody_.front();
    frame.payload.assign(rxBody_.begin() + 1, rxBody_.end() - 2);
    ++framesReceived_;
    if (recording_)
        receivedFrames_.push_back(frame);
    if (frameListener_)
        framesToReport_.push_back(frame);

    bool silent = false;
    const std::vector<Ez2181Fault> faults = faults_.Next(silent);
    if (silent)
        return;
    if (const std::optional<Reply> reply = Execute(frame))
        QueueFrame(kBoardAddress, reply->status, reply->payload, faults);
}

void Ez2181Simulator::QueueFrame(std::uint8_t address, std::uint8_t status,
                                 const std::vector<std::uint8_t>& payload,
                                 const std::vector<Ez2181Fault>& faults)
{
    std::uint8_t sync = kSync;
    auto length = static_cast<std::uint8_t>(payload.size() + 3);
    bool spoilCheckByte = false;
    std::optional<std::size_t> dropAt;
    for (const Ez2181Fault& fault : faults) {
        switch (fault.kind) {
        case Ez2181FaultKind::WrongSync: sync = fault.value.value_or(0x00); break;
        case Ez2181FaultKind::WrongAddress: address = fault.value.value_or(0x01); break;
        case Ez2181FaultKind::WrongLength:
            length = fault.value.value_or(static_cast<std::uint8_t>(length + 1));
            break;
        case Ez2181FaultKind::WrongStatus: status = fault.value.value_or(0x00); break;
        case Ez2181FaultKind::WrongCheckByte: spoilCheckByte = true; break;
        case Ez2181FaultKind::DroppedByte: dropAt = fault.value.value_or(payload.size() + 5); break;
        case Ez2181FaultKind::Silence: break;
        }
    }

    std::vector<std::uint8_t> frame{sync, address, length, status};
    frame.insert(frame.end(), payload.begin(), payload.end());
    Ez2181FrameSum sum;
    for (std::uint8_t b : frame)
        sum.Add(b);
    const std::uint8_t check1 = sum.CheckByte();
    sum.Add(check1);
    std::uint8_t check2 = sum.CheckByte();
    // Off by one is a different value modulo 255 too (check bytes are never 0).
    if (spoilCheckByte)
        check2 ^= 0x01;
    frame.push_back(check1);
    frame.push_back(check2);
    if (dropAt)
        frame.erase(frame.begin() + static_cast<std::ptrdiff_t>(std::min(*dropAt, frame.size() - 1)));

    ++framesSent_;
    QueueBytes(frame);
}

void Ez2181Simulator::QueueBytes(std::span<const std::uint8_t> bytes)
{
    output_.insert(output_.end(), bytes.begin(), bytes.end());
}

// ---------------------------------------------------------------- commands

std::optional<Ez2181Simulator::Reply> Ez2181Simulator::Execute(const Ez2181Frame& frame)
{
    const std::vector<std::uint8_t>& payload = frame.payload;
    const Reply refused{kStatusRefused, {}};
    switch (frame.command) {
    case kWriteMemory: return WriteWords(payload, false);
    case kReadMemory: return ReadWords(payload, false);
    case kWriteIo: return WriteWords(payload, true);
    case kReadIo: return ReadWords(payload, true);
    case kRun:
        if (payload.size() != 4)
            return refused;
        ++runCount_;
        lastRunOperand_ = BigEndian32(payload, 0);
        return Reply{};
    case kReset:
        if (!payload.empty())
            return refused;
        ++resetCount_;
        return Reply{};
    case kReadFlash: return ReadFlash(payload);
    case kLoadFlashBuffer: return LoadFlashBuffer(payload);
    case kProgramFlash: return ProgramFlash(payload);
    case kAcknowledgePowerOn:
        // The acknowledgement is never answered, not even when it is malformed.
        if (payload.empty())
            powerOnAcknowledged_ = true;
        return std::nullopt;
    default: return refused;
    }
}

Ez2181Simulator::Reply Ez2181Simulator::WriteWords(const std::vector<std::uint8_t>& payload, bool io)
{
    if (payload.size() < kAddressAndCount)
        return Reply{kStatusRefused, {}};
    const std::uint32_t address = BigEndian32(payload, 0);
    const std::size_t count = payload[4];
    if (count < 1 || count > kMaxMemoryWords || payload.size() != kAddressAndCount + 4 * count)
        return Reply{kStatusRefused, {}};
    for (std::size_t i = 0; i < count; ++i)
        SetLineWord(address + static_cast<std::uint32_t>(i), io, BigEndian32(payload, kAddressAndCount + 4 * i));
    return Reply{};
}

Ez2181Simulator::Reply Ez2181Simulator::ReadWords(const std::vector<std::uint8_t>& payload, bool io)
{
    if (payload.size() != kAddressAndCount)
        return Reply{kStatusRefused, {}};
    const std::uint32_t address = BigEndian32(payload, 0);
    const std::size_t count = payload[4];
    if (count < 1 || count > kMaxMemoryWords)
        return Reply{kStatusRefused, {}};
    Reply reply;
    for (std::size_t i = 0; i < count; ++i)
        AppendBigEndian32(reply.payload, LineWord(address + static_cast<std::uint32_t>(i), io));
    return reply;
}

Ez2181Simulator::Reply Ez2181Simulator::ReadFlash(const std::vector<std::uint8_t>& payload)
{
    if (payload.size() != kAddressAndCount)
        return Reply{kStatusRefused, {}};
    const std::size_t address = BigEndian32(payload, 0);
    const std::size_t count = payload[4];
    if (count < 1 || count > kMaxFlashRead || address > kFlashBytes - count)
        return Reply{kStatusRefused, {}};
    Reply reply;
    reply.payload.assign(flash_.begin() + static_cast<std::ptrdiff_t>(address),
                         flash_.begin() + static_cast<std::ptrdiff_t>(address + count));
    return reply;
}

Ez2181Simulator::Reply Ez2181Simulator::LoadFlashBuffer(const std::vector<std::uint8_t>& payload)
{
    if (payload.size() < kAddressAndCount)
        return Reply{kStatusRefused, {}};
    const std::size_t offset = BigEndian32(payload, 0);
    const std::size_t count = payload[4];
    if (count < 1 || count > kMaxFlashLoad || payload.size() != kAddressAndCount + count ||
        offset > kLoadBufferBytes - count)
        return Reply{kStatusRefused, {}};
    if (!loadedSinceProgram_) {
        loadedLength_ = 0;
        loadedSinceProgram_ = true;
    }
    std::copy(payload.begin() + kAddressAndCount, payload.end(),
              loadBuffer_.begin() + static_cast<std::ptrdiff_t>(offset));
    loadedLength_ = std::max(loadedLength_, offset + count);
    return Reply{};
}

Ez2181Simulator::Reply Ez2181Simulator::ProgramFlash(const std::vector<std::uint8_t>& payload)
{
    if (payload.size() != 4)
        return Reply{kStatusRefused, {}};
    const std::size_t address = BigEndian32(payload, 0);
    if (address > kFlashBytes - loadedLength_)
        return Reply{kStatusRefused, {}};
    std::copy_n(loadBuffer_.begin(), loadedLength_, flash_.begin() + static_cast<std::ptrdiff_t>(address));
    loadedSinceProgram_ = false;
    return Reply{};
}

std::uint32_t Ez2181Simulator::LineWord(std::uint32_t lineAddress, bool io) const
{
    if (io)
        return io_[lineAddress & kIoAddressMask];
    if (lineAddress & kDataMemoryBit)
        return data_[lineAddress & kWordAddressMask];
    return program_[lineAddress & kWordAddressMask];
}

void Ez2181Simulator::SetLineWord(std::uint32_t lineAddress, bool io, std::uint32_t word)
{
    if (io)
        io_[lineAddress & kIoAddressMask] = static_cast<std::uint16_t>(word);
    else if (lineAddress & kDataMemoryBit)
        data_[lineAddress & kWordAddressMask] = static_cast<std::uint16_t>(word);
    else
        program_[lineAddress & kWordAddressMask] = word & kProgramWordMask;
}

// ---------------------------------------------------------------- power

void Ez2181Simulator::PowerUp()
{
    std::function<void()> notify;
    {
        std::lock_guard lock(mutex_);
        rxState_ = RxState::Sync;
        output_.clear();
        ClearRam();
        faults_.EndSilence();
        powerOnAcknowledged_ = false;
        QueueFrame(kBoardAddress, kStatusPowerOn, {}, {});
        notify = listener_;
    }
    if (notify)
        notify();
}

void Ez2181Simulator::SendPowerOnFrame()
{
    std::function<void()> notify;
    {
        std::lock_guard lock(mutex_);
        QueueFrame(kBoardAddress, kStatusPowerOn, {}, {});
        notify = listener_;
    }
    if (notify)
        notify();
}

void Ez2181Simulator::SendRaw(std::span<const std::uint8_t> bytes)
{
    std::function<void()> notify;
    {
        std::lock_guard lock(mutex_);
        QueueBytes(bytes);
        notify = listener_;
    }
    if (notify)
        notify();
}

bool Ez2181Simulator::PowerOnAcknowledged() const
{
    std::lock_guard lock(mutex_);
    return powerOnAcknowledged_;
}

void Ez2181Simulator::ClearRam()
{
    std::fill(program_.begin(), program_.end(), 0);
    std::fill(data_.begin(), data_.end(), 0);
    std::fill(io_.begin(), io_.end(), 0);
    std::fill(loadBuffer_.begin(), loadBuffer_.end(), 0xFF);
    loadedLength_ = 0;
    loadedSinceProgram_ = false;
}

// ---------------------------------------------------------------- faults

void Ez2181Simulator::InjectFault(const Ez2181Fault& fault)
{
    std::lock_guard lock(mutex_);
    faults_.Add(fault);
}

void Ez2181Simulator::ClearFaults()
{
    std::lock_guard lock(mutex_);
    faults_.Clear();
}

std::size_t Ez2181Simulator::PendingFaultCount() const
{
    std::lock_guard lock(mutex_);
    return faults_.PendingCount();
}

bool Ez2181Simulator::Silent() const
{
    std::lock_guard lock(mutex_);
    return faults_.Silent();
}

// ---------------------------------------------------------------- direct access

std::uint32_t Ez2181Simulator::ProgramWord(std::size_t address) const
{
    std::lock_guard lock(mutex_);
    return program_.at(address);
}

void Ez2181Simulator::SetProgramWord(std::size_t address, std::uint32_t word)
{
    std::lock_guard lock(mutex_);
    program_.at(address) = word & kProgramWordMask;
}

std::uint16_t Ez2181Simulator::DataWord(std::size_t address) const
{
    std::lock_guard lock(mutex_);
    return data_.at(address);
}

void Ez2181Simulator::SetDataWord(std::size_t address, std::uint16_t word)
{
    std::lock_guard lock(mutex_);
    data_.at(address) = word;
}

std::uint16_t Ez2181Simulator::IoWord(std::size_t address) const
{
    std::lock_guard lock(mutex_);
    return io_.at(address);
}

void Ez2181Simulator::SetIoWord(std::size_t address, std::uint16_t word)
{
    std::lock_guard lock(mutex_);
    io_.at(address) = word;
}

std::uint8_t Ez2181Simulator::FlashByte(std::size_t address) const
{
    std::lock_guard lock(mutex_);
    return flash_.at(address);
}

void Ez2181Simulator::SetFlashByte(std::size_t address, std::uint8_t byte)
{
    std::lock_guard lock(mutex_);
    flash_.at(address) = byte;
}

void Ez2181Simulator::FlipFlashByte(std::size_t address)
{
    std::lock_guard lock(mutex_);
    flash_.at(address) = static_cast<std::uint8_t>(~flash_.at(address));
}

std::vector<std::uint8_t> Ez2181Simulator::FlashBytes(std::size_t address, std::size_t count) const
{
    std::lock_guard lock(mutex_);
    if (address > flash_.size() || count > flash_.size() - address)
        return {};
    return {flash_.begin() + static_cast<std::ptrdiff_t>(address),
            flash_.begin() + static_cast<std::ptrdiff_t>(address + count)};
}

std::uint8_t Ez2181Simulator::LoadBufferByte(std::size_t offset) const
{
    std::lock_guard lock(mutex_);
    return loadBuffer_.at(offset);
}

std::size_t Ez2181Simulator::LoadedLength() const
{
    std::lock_guard lock(mutex_);
    return loadedLength_;
}

// ---------------------------------------------------------------- log

std::size_t Ez2181Simulator::FramesReceived() const
{
    std::lock_guard lock(mutex_);
    return framesReceived_;
}

std::size_t Ez2181Simulator::FramesRejected() const
{
    std::lock_guard lock(mutex_);
    return framesRejected_;
}

std::size_t Ez2181Simulator::FramesSent() const
{
    std::lock_guard lock(mutex_);
    return framesSent_;
}

std::vector<Ez2181Frame> Ez2181Simulator::ReceivedFrames() const
{
    std::lock_guard lock(mutex_);
    return receivedFrames_;
}

std::vector<std::uint8_t> Ez2181Simulator::ReceivedBytes() const
{
    std::lock_guard lock(mutex_);
    return receivedBytes_;
}

void Ez2181Simulator::SetRecording(bool on)
{
    std::lock_guard lock(mutex_);
    recording_ = on;
}

void Ez2181Simulator::ClearLog()
{
    std::lock_guard lock(mutex_);
    receivedFrames_.clear();
    receivedBytes_.clear();
    framesReceived_ = 0;
    framesRejected_ = 0;
    framesSent_ = 0;
}

std::size_t Ez2181Simulator::ResetCount() const
{
    std::lock_guard lock(mutex_);
    return resetCount_;
}

std::size_t Ez2181Simulator::RunCount() const
{
    std::lock_guard lock(mutex_);
    return runCount_;
}

std::optional<std::uint32_t> Ez2181Simulator::LastRunOperand() const
{
    std::lock_guard lock(mutex_);
    return lastRunOperand_;
}
