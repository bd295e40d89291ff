#include "simulators/dspq47/Q47Unit.h"

#include <algorithm>

namespace {

// Byte-wide fields of the header; every other header field is a word.
bool IsHeaderByte(std::size_t offset)
{
    return offset == 0 || offset == 1 || offset == 4 || offset == 5;
}

void PutWord(Q47Unit::Fields& f, std::size_t offset, int value)
{
    f[offset] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
    f[offset + 1] = static_cast<std::uint8_t>(value & 0xFF);
}

}  // namespace

Q47Unit::Q47Unit() : fields_(FactoryFields()) {}

Q47Unit::Fields Q47Unit::FactoryFields()
{
    Fields f{};
    for (std::size_t row = 0; row < kRows; ++row) {
        const std::size_t r = kHeaderBytes + row * kRowBytes;
        f[r + 3] = 1;                                    // tone active
        f[r + 4] = 1;                                    // relay group
        f[r + 5] = static_cast<std::uint8_t>(row % 64);  // digital output
    }
    PutWord(f, 820, 2175);  // PTT frequency
    PutWord(f, 828, 1);     // Dig5 active high
    PutWord(f, 830, -20);   // Dig5 tone level
    PutWord(f, 832, 2175);  // Dig5 tone frequency
    PutWord(f, 842, 1);     // Morse on the timer
    PutWord(f, 846, 9830);  // Morse tone, 1200 Hz in the unit's steps
    PutWord(f, 848, -10);   // Morse gain
    PutWord(f, 860, -10);   // VOX trigger level
    PutWord(f, 864, 120);   // VOX timeout
    PutWord(f, 886, 1);     // error beeps
    return f;
}

std::uint16_t Q47Unit::Checksum(const Fields& f)
{
    std::uint32_t sum = 0;
    std::size_t offset = 0;
    auto addWord = [&] {
        sum += static_cast<std::uint32_t>((f[offset] << 8) | f[offset + 1]);
        offset += 2;
    };
    while (offset < kHeaderBytes) {
        if (IsHeaderByte(offset))
            sum += f[offset++];
        else
            addWord();
    }
    while (offset < kRowsEnd) {
        addWord();
        for (int i = 0; i < 6; ++i)
            sum += f[offset++];
    }
    while (offset < kTextOffset)
        addWord();
    for (; offset < kFieldBytes; ++offset)
        sum += static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<std::int8_t>(f[offset])));
    return static_cast<std::uint16_t>(sum & 0xFFFF);
}

std::vector<std::uint8_t> Q47Unit::Receive(std::uint8_t byte)
{
    std::lock_guard lock(mutex_);
    if (faults_.Find(Q47FaultKind::Silence) != nullptr)
        return {};
    if (inStream_) {
        incoming_.push_back(byte);
        if (incoming_.size() < kStreamBytes)
            return {};
        return FinishStream();
    }
    if (byte == kWriteConfig) {
        inStream_ = true;
        incoming_.clear();
        return {};
    }
    if (byte == kReadConfig) {
        ++readRequests_;
        return Answer();
    }
    return {};
}

std::vector<std::uint8_t> Q47Unit::FinishStream()
{
    inStream_ = false;
    Fields received;
    std::copy_n(incoming_.begin(), kFieldBytes, received.begin());
    const std::uint16_t checksum =
        static_cast<std::uint16_t>((incoming_[kFieldBytes] << 8) | incoming_[kFieldBytes + 1]);
    incoming_.clear();
    if (checksum != Checksum(received)) {
        ++refused_;
        return {kRefused};
    }
    if (const Q47Fault* wrongAcknowledge = faults_.Find(Q47FaultKind::WrongAcknowledge)) {
        ++refused_;
        return {static_cast<std::uint8_t>(wrongAcknowledge->value)};
    }
    fields_ = received;
    ++taken_;
    return {kAccepted};
}

std::vector<std::uint8_t> Q47Unit::Answer() const
{
    std::vector<std::uint8_t> out(fields_.begin(), fields_.end());
    std::uint16_t checksum = Checksum(fields_);
    if (const Q47Fault* stopInRow = faults_.Find(Q47FaultKind::StopInRow)) {
        const std::size_t row = stopInRow->value < kRows ? stopInRow->value : kRows - 1;
        out.resize(kHeaderBytes + row * kRowBytes + 4);
        return out;
    }
    if (faults_.Find(Q47FaultKind::StopAfterRows) != nullptr) {
        out.resize(kRowsEnd);
        return out;
    }
    if (faults_.Find(Q47FaultKind::BadChecksum) != nullptr)
        ++checksum;
    out.push_back(static_cast<std::uint8_t>(checksum >> 8));
    out.push_back(static_cast<std::uint8_t>(checksum & 0xFF));
    return out;
}

void Q47Unit::Receive(std::span<const std::uint8_t> bytes)
{
    for (std::uint8_t byte : bytes) {
        const std::vector<std::uint8_t> answer = Receive(byte);
        std::lock_guard lock(mutex_);
        output_.insert(output_.end(), answer.begin(), answer.end());
    }
}

std::vector<ByteDevice::Output> Q47Unit::TakeOutput()
{
    std::lock_guard lock(mutex_);
    return TakeAsOnePiece(output_);
}

void Q47Unit::AbandonPartialFrame()
{
    std::lock_guard lock(mutex_);
    inStream_ = false;
    incoming_.clear();
}

bool Q47Unit::InFrame() const
{
    std::lock_guard lock(mutex_);
    return inStream_;
}

void Q47Unit::SetFault(Q47Fault fault)
{
    std::lock_guard lock(mutex_);
    faults_.Clear();
    if (fault.kind != Q47FaultKind::None)
        faults_.AddStanding(fault);
}

Q47Unit::Fields Q47Unit::StoredFields() const
{
    std::lock_guard lock(mutex_);
    return fields_;
}

void Q47Unit::SetStoredFields(const Fields& fields)
{
    std::lock_guard lock(mutex_);
    fields_ = fields;
}

std::size_t Q47Unit::ConfigurationsTaken() const
{
    std::lock_guard lock(mutex_);
    return taken_;
}

std::size_t Q47Unit::ConfigurationsRefused() const
{
    std::lock_guard lock(mutex_);
    return refused_;
}

std::size_t Q47Unit::ReadRequests() const
{
    std::lock_guard lock(mutex_);
    return readRequests_;
}
