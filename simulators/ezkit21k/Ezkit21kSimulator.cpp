#include "simulators/ezkit21k/Ezkit21kSimulator.h"

#include <algorithm>

namespace {

constexpr std::uint8_t kSyncBytes[4] = {0xB4, 0x0D, 0xDC, 0xBA};
constexpr std::uint8_t kGarbageByte = 0x5A;

std::uint32_t WordAt(const std::vector<std::uint8_t>& bytes, std::size_t word)
{
    const std::size_t i = word * 4;
    return static_cast<std::uint32_t>(bytes[i]) | static_cast<std::uint32_t>(bytes[i + 1]) << 8 | static_cast<std::uint32_t>(bytes[i + 2]) << 16 | static_cast<std::uint32_t>(bytes[i + 3]) << 24;
}

std::uint32_t Descriptor(std::uint16_t type, std::uint32_t length)
{
    return static_cast<std::uint32_t>(type) << 16 | (length & 0xFFFF);
}

}  // namespace

void Ezkit21kSimulator::Receive(std::span<const std::uint8_t> bytes)
{
    std::lock_guard lock(mutex_);
    for (std::uint8_t byte : bytes)
        ReceiveByte(byte);
}

std::vector<ByteDevice::Output> Ezkit21kSimulator::TakeOutput()
{
    std::lock_guard lock(mutex_);
    std::vector<Output> taken;
    taken.swap(output_);
    return taken;
}

void Ezkit21kSimulator::ReceiveByte(std::uint8_t byte)
{
    if (recording_)
        receivedBytes_.push_back(byte);
    packetBytes_.push_back(byte);
    const std::size_t n = packetBytes_.size();
    if (n >= 4 && std::equal(std::begin(kSyncBytes), std::end(kSyncBytes), packetBytes_.end() - 4)) {
        packetBytes_.clear();
        ++syncMarks_;
        return;
    }
    if (n == 8 && (WordAt(packetBytes_, 1) & 0xFFFF) < 2) {
        packetBytes_.clear();
        return;
    }
    if (n >= 8 && n == 4 * static_cast<std::size_t>(WordAt(packetBytes_, 1) & 0xFFFF))
        FinishPacket();
}

void Ezkit21kSimulator::FinishPacket()
{
    std::vector<std::uint32_t> packet(packetBytes_.size() / 4);
    for (std::size_t i = 0; i < packet.size(); ++i)
        packet[i] = WordAt(packetBytes_, i);
    packetBytes_.clear();
    if (recording_)
        receivedPackets_.push_back(packet);

    bool silent = false;
    const std::vector<Ezkit21kFault> faults = faults_.Next(silent);
    if (silent)
        return;  // a hung monitor neither carries out nor answers anything
    if (std::optional<std::vector<std::uint32_t>> reply = Execute(packet))
        QueueReply(std::move(*reply), faults);
}

std::optional<std::vector<std::uint32_t>> Ezkit21kSimulator::Execute(const std::vector<std::uint32_t>& packet)
{
    const std::uint16_t type = static_cast<std::uint16_t>(packet[1] >> 16);
    const std::size_t length = packet.size();
    const auto reply = [](std::uint16_t requestType) {
        return std::vector<std::uint32_t>{0, Descriptor(requestType | kReplyBit, 2)};
    };
    if (type == kResyncType && length == 2)
        return reply(kResyncType);
    if (type == kReadType && length == 4) {
        const std::uint32_t address = packet[2];
        const std::uint32_t count = packet[3] <= kMaxWords ? packet[3] : 0;
        std::vector<std::uint32_t> words{0, Descriptor(kReadType | kReplyBit, 4 + count), address, count};
        for (std::uint32_t i = 0; i < count; ++i) {
            const auto found = data_.find(address + i);
            words.push_back(found == data_.end() ? 0 : found->second);
        }
        return words;
    }
    if (type == kWriteType && length >= 4 && packet[3] == length - 4) {
        const std::uint32_t address = packet[2];
        WriteWords(address, std::span<const std::uint32_t>(packet).subspan(4));
        if (kMailboxCommand - address < packet[3])
            RunMailboxCommand();
        return reply(kWriteType);
    }
    return std::nullopt;
}

void Ezkit21kSimulator::WriteWords(std::uint32_t address, std::span<const std::uint32_t> words)
{
    for (std::uint32_t i = 0; i < words.size(); ++i) {
        const std::uint32_t at = address + i;
        data_[at] = words[i];
        if (at - kMailboxBuffer < kBufferWords)
            bufferFill_ = std::max(bufferFill_, at - kMailboxBuffer + 1);
    }
}

void Ezkit21kSimulator::RunMailboxCommand()
{
    const std::uint32_t command = data_[kMailboxCommand];
    const std::uint32_t parameter = data_[kMailboxParameter];
    if (recording_)
        mailboxLog_.push_back({command, parameter});
    switch (command) {
    case 1:
        for (std::uint32_t i = 0; i < kBufferWords; ++i)
            data_[kMailboxBuffer + i] = ReadFlashForBuffer(parameter + i);
        bufferFill_ = 0;
        break;
    case 3:
        for (std::uint32_t i = 0; i < bufferFill_; ++i) {
            StoreFlashByte(parameter + i, static_cast<std::uint8_t>(data_[kMailboxBuffer + i]));
        }
        bufferFill_ = 0;
        break;
    case 4:
        lockoutBits_ |= parameter & 3;
        break;
    case 5:
        if (parameter == 0 || parameter == 1)
            readingStatus_ = parameter == 1;
        break;
    default:
        break;
    }
    data_[kMailboxCommand] = 0;
}

std::uint8_t Ezkit21kSimulator::ReadFlashForBuffer(std::uint32_t address) const
{
    if (readingStatus_) {
        for (int bit = 0; bit < 2; ++bit) {
            if (address != kLockoutStatusAddress[bit])
                continue;
            if (statusOverride_[bit])
                return *statusOverride_[bit];
            return (lockoutBits_ >> bit) & 1 ? 0xFF : 0xFE;
        }
    }
    return FlashByteLocked(address);
}

void Ezkit21kSimulator::QueueReply(std::vector<std::uint32_t> words, const std::vector<Ezkit21kFault>& faults)
{
    Output output;
    std::size_t garbage = 0;
    for (const Ezkit21kFault& fault : faults) {
        switch (fault.kind) {
        case Ezkit21kFaultKind::WrongDescriptor:
            words[1] = fault.value.value_or(words[1] & ~(std::uint32_t{kReplyBit} << 16));
            break;
        case Ezkit21kFaultKind::WrongCount:
            if (words.size() >= 4 && (words[1] >> 16) == (kReadType | kReplyBit))
                words[3] = fault.value.value_or(words[3] + 1);
            else
                words[1] = (words[1] & 0xFFFF0000) | (fault.value.value_or(3) & 0xFFFF);
            break;
        case Ezkit21kFaultKind::Garbage:
            garbage = fault.value.value_or(5);
            break;
        case Ezkit21kFaultKind::Late:
            output.late = true;
            break;
        case Ezkit21kFaultKind::Silence:
            break;
        }
    }
    for (std::uint32_t word : words) {
        for (int shift = 0; shift < 32; shift += 8)
            output.bytes.push_back(static_cast<std::uint8_t>(word >> shift));
    }
    output.bytes.insert(output.bytes.end(), garbage, kGarbageByte);
    output_.push_back(std::move(output));
}

void Ezkit21kSimulator::InjectFault(const Ezkit21kFault& fault)
{
    std::lock_guard lock(mutex_);
    faults_.Add(fault);
}

void Ezkit21kSimulator::ClearFaults()
{
    std::lock_guard lock(mutex_);
    faults_.Clear();
}

std::uint32_t Ezkit21kSimulator::DataWord(std::uint32_t address) const
{
    std::lock_guard lock(mutex_);
    const auto found = data_.find(address);
    return found == data_.end() ? 0 : found->second;
}

void Ezkit21kSimulator::SetDataWord(std::uint32_t address, std::uint32_t word)
{
    std::lock_guard lock(mutex_);
    data_[address] = word;
}

std::uint8_t Ezkit21kSimulator::FlashByteLocked(std::uint32_t address) const
{
    const auto page = flashPages_.find(address >> 8);
    if (address >= kFlashBytes || page == flashPages_.end())
        return 0xFF;
    return page->second[address & 0xFF];
}

std::uint8_t Ezkit21kSimulator::FlashByte(std::uint32_t address) const
{
    std::lock_guard lock(mutex_);
    return FlashByteLocked(address);
}

void Ezkit21kSimulator::SetFlashByte(std::uint32_t address, std::uint8_t byte)
{
    std::lock_guard lock(mutex_);
    StoreFlashByte(address, byte);
}

void Ezkit21kSimulator::StoreFlashByte(std::uint32_t address, std::uint8_t byte)
{
    if (address < kFlashBytes) {
        auto [page, added] = flashPages_.try_emplace(address >> 8);
        if (added)
            page->second.fill(0xFF);
        page->second[address & 0xFF] = byte;
    }
}

std::vector<std::uint8_t> Ezkit21kSimulator::FlashBytes(std::uint32_t address, std::size_t count) const
{
    std::lock_guard lock(mutex_);
    std::vector<std::uint8_t> bytes(count);
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = FlashByteLocked(address + static_cast<std::uint32_t>(i));
    return bytes;
}

std::uint32_t Ezkit21kSimulator::LockoutBits() const
{
    std::lock_guard lock(mutex_);
    return lockoutBits_;
}

void Ezkit21kSimulator::SetLockoutBits(std::uint32_t bits)
{
    std::lock_guard lock(mutex_);
    lockoutBits_ = bits & 3;
}

void Ezkit21kSimulator::SetLockoutStatusByte(int bit, std::uint8_t value)
{
    std::lock_guard lock(mutex_);
    if (bit == 0 || bit == 1)
        statusOverride_[static_cast<std::size_t>(bit)] = value;
}

bool Ezkit21kSimulator::ReadingLockoutStatus() const
{
    std::lock_guard lock(mutex_);
    return readingStatus_;
}

std::vector<std::vector<std::uint32_t>> Ezkit21kSimulator::ReceivedPackets() const
{
    std::lock_guard lock(mutex_);
    return receivedPackets_;
}

std::vector<std::uint8_t> Ezkit21kSimulator::ReceivedBytes() const
{
    std::lock_guard lock(mutex_);
    return receivedBytes_;
}

std::vector<Ezkit21kSimulator::MailboxCommand> Ezkit21kSimulator::MailboxLog() const
{
    std::lock_guard lock(mutex_);
    return mailboxLog_;
}

std::size_t Ezkit21kSimulator::SyncMarksSeen() const
{
    std::lock_guard lock(mutex_);
    return syncMarks_;
}

void Ezkit21kSimulator::SetRecording(bool on)
{
    std::lock_guard lock(mutex_);
    recording_ = on;
}

void Ezkit21kSimulator::ClearLog()
{
    std::lock_guard lock(mutex_);
    receivedPackets_.clear();
    receivedBytes_.clear();
    mailboxLog_.clear();
    syncMarks_ = 0;
}
