#include "simulators/fourwire/FourWireTarget.h"

#include "platform/Clock.h"


namespace {

constexpr std::uint8_t kPcData = 0x01;
constexpr std::uint8_t kPcClock = 0x02;
constexpr std::uint8_t kStatusData = 0x80;      // input 0 as read
constexpr std::uint8_t kStatusClockLow = 0x40;  // input 1, inverted
constexpr int kStallAfterBits = 4;
constexpr std::size_t kFlashBlock = 256;
constexpr std::size_t kHeader = 5;  // command, address (2), count (2)

}  // namespace

FourWireTarget::FourWireTarget(Clock& clock, std::uint16_t version)
    : clock_(clock), version_(version), lastWriteMs_(clock.NowMs())
{
}

std::uint8_t FourWireTarget::ReadStatusRegister()
{
    const std::uint64_t now = Timed() ? clock_.NowMs() : lastWriteMs_;
    Service(now);
    const std::uint8_t status = static_cast<std::uint8_t>((shown_.data ? kStatusData : 0) | (shown_.clock ? 0 : kStatusClockLow));
    // The PC has now seen the clock low: the reply may begin.
    if (presentOnRead_ && !pending_ && !shown_.clock) {
        presentOnRead_ = false;
        PresentNextBit();
        Answer(now);
    }
    return status;
}

void FourWireTarget::WriteDataRegister(std::uint8_t value)
{
    const std::uint64_t now = clock_.NowMs();
    const bool startingUp = mode_ == Mode::StartUpHeld || mode_ == Mode::StartUpDataLow;
    if (now - lastWriteMs_ > kResyncGapMs && !startingUp)
        StartAfresh();
    lastWriteMs_ = now;
    pcRegister_ = value;
    Service(now);
}

void FourWireTarget::Service(std::uint64_t now)
{
    if (pending_) {
        if (now < pending_->atMs)
            return;
        shown_ = pending_->lines;
        pending_.reset();
    }
    if (mode_ == Mode::StartUpHeld && holdDrop_.ms > 0)
        FollowHoldDrop(now);
    TakePcLines(now);
    Answer(now);
}

void FourWireTarget::Answer(std::uint64_t now)
{
    const Lines lines{dataLine_, clockLine_};
    if (lines == shown_ || pending_)
        return;
    if (answerDelayMs_ == 0)
        shown_ = lines;
    else
        pending_ = PendingAnswer{now + answerDelayMs_, lines};
}

void FourWireTarget::FollowHoldDrop(std::uint64_t now)
{
    if (holdDropDone_)
        return;
    const std::uint64_t dropStart = raisedSinceMs_ + kHoldDropAfterMs;
    const std::uint64_t dropEnd = dropStart + holdDrop_.ms;
    if (now < dropStart)
        return;
    bool& line = holdDrop_.line == Line::Data ? dataLine_ : clockLine_;
    line = now >= dropEnd;
    if (line) {
        raisedSinceMs_ = dropEnd;
        holdDropDone_ = true;
    }
}

void FourWireTarget::TakePcLines(std::uint64_t now)
{
    const std::uint8_t before = pcSeen_;
    const std::uint8_t value = pcRegister_;
    pcSeen_ = value;
    if (faults_.Find(FourWireFaultKind::NeverPowerUp) != nullptr)
        return;
    if (value == before) {
        // Nothing changed; the attention below is a level, not an edge.
    } else if (mode_ == Mode::StartUpBroken) {
        StartAfresh();
    } else {
        if ((before & kPcData) && !(value & kPcData))
            OnDataFall(now);
        if (!(before & kPcClock) && (value & kPcClock))
            OnClockRise((value & kPcData) != 0);
        else if ((before & kPcClock) && !(value & kPcClock))
            OnClockFall();
    }
    // Attention: both PC lines high while nothing is under way. A command byte
    // never starts with a 1, so this is no bit of a request.
    if (mode_ == Mode::Receiving && bitsIn_ == 0 && request_.empty() && (value & kPcData) && (value & kPcClock)) {
        mode_ = Mode::StartUpHeld;
        dataLine_ = true;
        clockLine_ = true;
        raisedSinceMs_ = now;
        holdDropDone_ = false;
    }
}

void FourWireTarget::StartAfresh()
{
    mode_ = Mode::Receiving;
    dataLine_ = false;
    clockLine_ = false;
    bitsIn_ = 0;
    shiftIn_ = 0;
    request_.clear();
    reply_.clear();
    presentOnRead_ = false;
    stallThisByte_ = false;
}

void FourWireTarget::OnClockRise(bool pcData)
{
    switch (mode_) {
    case Mode::Receiving:
        if (bitsIn_ == 0 && request_.empty() && pcData)
            return;  // the start-up attention, taken up by WriteDataRegister
        if (bitsIn_ == 0)
            stallThisByte_ = faults_.Strikes(FourWireFaultKind::StallMidByte);
        if (stallThisByte_ && bitsIn_ == kStallAfterBits) {
            mode_ = Mode::Stalled;
            return;
        }
        shiftIn_ = static_cast<std::uint8_t>((shiftIn_ << 1) | (pcData ? 1 : 0));
        ++bitsIn_;
        clockLine_ = true;
        return;
    case Mode::Sending:
        clockLine_ = false;
        return;
    default:
        return;
    }
}

void FourWireTarget::OnClockFall()
{
    switch (mode_) {
    case Mode::Receiving:
        clockLine_ = false;
        if (bitsIn_ == 8) {
            bitsIn_ = 0;
            ++bytesTransferred_;
            OnByteReceived(shiftIn_);
        }
        return;
    case Mode::Sending:
        if (bitOut_ > 0) {
            --bitOut_;
        } else {
            ++bytesTransferred_;
            reply_.pop_front();
            bitOut_ = 7;
            if (reply_.empty()) {
                StartAfresh();
                return;
            }
            stallThisByte_ = faults_.Strikes(FourWireFaultKind::StallMidByte);
        }
        PresentNextBit();
        return;
    case Mode::StartUpDataLow:
        clockLine_ = false;
        mode_ = Mode::Receiving;
        ++startUps_;
        return;
    default:
        return;
    }
}

void FourWireTarget::OnDataFall(std::uint64_t now)
{
    if (mode_ == Mode::StartUpHeld) {
        // Released before the PC can have seen a whole unbroken hold: the target
        // keeps holding.
        if (!dataLine_ || !clockLine_ || now - raisedSinceMs_ < kStartUpHoldMs)
            return;
        if (faults_.Strikes(FourWireFaultKind::DropInput1Early)) {
            clockLine_ = false;
            mode_ = Mode::StartUpBroken;
        } else {
            dataLine_ = false;
            mode_ = Mode::StartUpDataLow;
        }
    }
}

void FourWireTarget::PresentNextBit()
{
    if (stallThisByte_ && bitOut_ == 7 - kStallAfterBits) {
        mode_ = Mode::Stalled;
        clockLine_ = false;
        return;
    }
    dataLine_ = ((reply_.front() >> bitOut_) & 1) != 0;
    clockLine_ = true;
}

void FourWireTarget::Reply(std::vector<std::uint8_t> bytes)
{
    reply_.assign(bytes.begin(), bytes.end());
    bitOut_ = 7;
    mode_ = Mode::Sending;
    stallThisByte_ = faults_.Strikes(FourWireFaultKind::StallMidByte);
    presentOnRead_ = true;
}

void FourWireTarget::OnByteReceived(std::uint8_t byte)
{
    request_.push_back(byte);
    if (RequestComplete()) {
        requests_.push_back(request_);
        Execute();
        request_.clear();
    }
}

bool FourWireTarget::RequestComplete() const
{
    const std::size_t size = request_.size();
    switch (request_[0]) {
    case 1:
        return true;
    case 3:
        return size >= kHeader && size == kHeader + 2 * std::size_t{RequestWord(3)};
    case 4:
        return size >= kHeader && size == kHeader + 3 * std::size_t{RequestWord(3)};
    case 5:
        return size == 4 + kFlashBlock;
    case 6:
    case 7:
        return size == kHeader;
    case 8:
        return size == 4;
    default:
        return true;  // not a command: dropped by Execute
    }
}

void FourWireTarget::Execute()
{
    std::vector<std::uint8_t> out;
    std::uint32_t sum = 0;
    switch (request_[0]) {
    case 1:
        AppendWord(out, version_);
        out.push_back(faults_.Strikes(FourWireFaultKind::WrongStatus) ? kStatusWrong : kStatusOk);
        break;
    case 3: {
        const std::uint16_t address = RequestWord(1);
        for (std::uint16_t i = 0; i < RequestWord(3); ++i) {
            const std::uint16_t word = RequestWord(kHeader + 2 * i);
            data_[static_cast<std::uint16_t>(address + i)] = word;
            sum += word;
        }
        AppendWord(out, CheckSum(sum));
        break;
    }
    case 4: {
        const std::uint16_t address = RequestWord(1);
        for (std::uint16_t i = 0; i < RequestWord(3); ++i) {
            const std::size_t at = kHeader + 3 * std::size_t{i};
            const std::uint16_t low = RequestWord(at + 1);
            program_[static_cast<std::uint16_t>(address + i)] = (std::uint32_t{request_[at]} << 16) | low;
            sum += std::uint32_t{request_[at]} + low;
        }
        AppendWord(out, CheckSum(sum));
        break;
    }
    case 5: {
        const std::uint32_t address = RequestAddress24(1);
        for (std::size_t i = 0; i < kFlashBlock; ++i) {
            SetFlashByte(address + static_cast<std::uint32_t>(i), request_[4 + i]);
            sum += request_[4 + i];
        }
        AppendWord(out, CheckSum(sum));
        break;
    }
    case 6: {
        const std::uint16_t address = RequestWord(1);
        for (std::uint16_t i = 0; i < RequestWord(3); ++i) {
            const std::uint16_t word = data_[static_cast<std::uint16_t>(address + i)];
            AppendWord(out, word);
            sum += word;
        }
        AppendWord(out, CheckSum(sum));
        break;
    }
    case 7: {
        // The request carries twice the number of words.
        const std::uint16_t address = RequestWord(1);
        for (std::uint16_t i = 0; i < RequestWord(3) / 2; ++i) {
            const std::uint32_t word = program_[static_cast<std::uint16_t>(address + i)];
            const auto high = static_cast<std::uint8_t>(word >> 16);
            const auto low = static_cast<std::uint16_t>(word & 0xFFFF);
            out.push_back(high);
            AppendWord(out, low);
            sum += std::uint32_t{high} + low;
        }
        AppendWord(out, CheckSum(sum));
        break;
    }
    case 8: {
        const std::uint32_t address = RequestAddress24(1);
        for (std::size_t i = 0; i < kFlashBlock; ++i) {
            const std::uint8_t byte = FlashByte(address + static_cast<std::uint32_t>(i));
            out.push_back(byte);
            sum += byte;
        }
        AppendWord(out, CheckSum(sum));
        break;
    }
    default:
        requests_.pop_back();
        return;
    }
    Reply(std::move(out));
}

std::uint16_t FourWireTarget::CheckSum(std::uint32_t sum)
{
    if (faults_.Strikes(FourWireFaultKind::BadCheckSum))
        ++sum;
    return static_cast<std::uint16_t>(sum & 0xFFFF);
}

void FourWireTarget::AppendWord(std::vector<std::uint8_t>& bytes, std::uint16_t value)
{
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
    bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

std::uint16_t FourWireTarget::RequestWord(std::size_t offset) const
{
    return static_cast<std::uint16_t>((request_[offset] << 8) | request_[offset + 1]);
}

std::uint32_t FourWireTarget::RequestAddress24(std::size_t offset) const
{
    return (std::uint32_t{request_[offset]} << 16) | (std::uint32_t{request_[offset + 1]} << 8) | request_[offset + 2];
}

std::uint8_t FourWireTarget::FlashByte(std::uint32_t address) const
{
    address &= 0xFFFFFF;
    const auto block = flash_.find(address / kFlashBlock);
    return block == flash_.end() ? 0xFF : block->second[address % kFlashBlock];
}

void FourWireTarget::SetFlashByte(std::uint32_t address, std::uint8_t value)
{
    address &= 0xFFFFFF;
    auto [block, added] = flash_.try_emplace(address / kFlashBlock);
    if (added)
        block->second.fill(0xFF);
    block->second[address % kFlashBlock] = value;
}

void FourWireTarget::InjectFault(const FourWireFault& fault)
{
    faults_.AddStanding(fault, fault.times, fault.kind == FourWireFaultKind::StallMidByte ? fault.skipBytes : 0);
}

void FourWireTarget::ClearFaults()
{
    faults_.Clear();
}
