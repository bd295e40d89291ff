#include "monitor/boards/Ezkit21kLink.h"

namespace {

constexpr std::uint32_t Descriptor(std::uint16_t type, std::uint32_t length)
{
    return static_cast<std::uint32_t>(type) << 16 | (length & 0xFFFF);
}

Ezkit21kLink::Result SerialFailure(const SerialPortException& failure)
{
    return {Ezkit21kLink::Result::SerialFailure, failure.code()};
}

}  // namespace

Ezkit21kLink::Ezkit21kLink() : SerialPort(0) {}

Ezkit21kLink::Ezkit21kLink(std::unique_ptr<CommDevice> device) : SerialPort(0, std::move(device)) {}

Ezkit21kLink::Result Ezkit21kLink::ReadData(std::uint32_t address, std::uint32_t count,
                                            std::vector<std::uint32_t>& words)
{
    for (int attempt = 1;; ++attempt) {
        try {
            return ReadDataOnce(address, count, words);
        } catch (const SerialPortException& failure) {
            if (attempt == kReadAttempts)
                return SerialFailure(failure);
        }
    }
}

Ezkit21kLink::Result Ezkit21kLink::ReadDataOnce(std::uint32_t address, std::uint32_t count,
                                                std::vector<std::uint32_t>& words)
{
    PurgeInput();
    const std::uint32_t request[] = {0, Descriptor(kReadType, 4), address, count};
    WriteWords32(4, request);
    std::uint16_t header[6];
    ReadWords16(6, header);
    if (header[3] != (kReadType | kReplyBit))
        return {Result::InvalidHeader};
    if (ReadWord32() != count)
        return {Result::UnexpectedLength};
    words.resize(count);
    ReadWords32(static_cast<int>(count), words.data());
    return {};
}

Ezkit21kLink::Result Ezkit21kLink::WriteData(std::uint32_t address, std::span<const std::uint32_t> words)
{
    try {
        PurgeInput();
        const auto count = static_cast<std::uint32_t>(words.size());
        const std::uint32_t request[] = {0, Descriptor(kWriteType, 4 + count), address, count};
        WriteWords32(4, request);
        WriteWords32(static_cast<int>(count), words.data());
        std::uint16_t reply[4];
        ReadWords16(4, reply);
        if (reply[3] != (kWriteType | kReplyBit))
            return {Result::InvalidHeader};
        if (reply[2] != 2)
            return {Result::UnexpectedLength};
        return {};
    } catch (const SerialPortException& failure) {
        return SerialFailure(failure);
    }
}

Ezkit21kLink::Result Ezkit21kLink::Resync()
{
    try {
        PurgeInput();
        const std::uint32_t request[] = {kSyncWord, 0, Descriptor(kResyncType, 2)};
        WriteWords32(3, request);
        std::uint16_t reply[4];
        ReadWords16(4, reply);
        if (reply[3] != (kResyncType | kReplyBit) || reply[2] != 2)
            return {Result::InvalidHeader};
        WriteWord32(kSyncWord);
        return {};
    } catch (const SerialPortException& failure) {
        return SerialFailure(failure);
    }
}

Ezkit21kLink::Result Ezkit21kLink::Command(std::uint32_t parameter, MailboxCommand command)
{
    Result result = WriteData(kMailboxParameter, std::span(&parameter, 1));
    if (!result.ok())
        return result;
    const std::uint32_t word = command;
    return WriteData(kMailboxCommand, std::span(&word, 1));
}

Ezkit21kLink::Result Ezkit21kLink::ReadFlash(std::uint32_t address, std::uint32_t count,
                                             std::vector<std::uint32_t>& values)
{
    // The monitor is given no time between the command and the read.
    Result result = Command(address, kReadFlash);
    if (!result.ok())
        return result;
    return ReadData(kMailboxBuffer, count, values);
}

Ezkit21kLink::Result Ezkit21kLink::WriteFlash(std::uint32_t address, std::span<const std::uint32_t> values)
{
    Result result = WriteData(kMailboxBuffer, values);
    if (!result.ok())
        return result;
    return Command(address, kProgramFlash);
}

Ezkit21kLink::Result Ezkit21kLink::SetLockout(std::uint32_t value)
{
    return Command(value, kSetLockout);
}

Ezkit21kLink::Result Ezkit21kLink::ReadLockout(std::int32_t& mask)
{
    mask = 0;
    const std::uint32_t show = 1;
    Result result = WriteData(kMailboxParameter, std::span(&show, 1));
    if (!result.ok())
        return result;  // the monitor has not been told anything yet
    const std::uint32_t statusCommand = kLockoutStatus;
    result = WriteData(kMailboxCommand, std::span(&statusCommand, 1));
    if (result.ok())
        result = ReadLockoutStatusBytes(mask);
    const Result closing = Command(0, kLockoutStatus);
    return result.ok() ? closing : result;
}

Ezkit21kLink::Result Ezkit21kLink::ReadLockoutStatusBytes(std::int32_t& mask)
{
    Result first;
    for (int bit = 0; bit < 2; ++bit) {
        std::vector<std::uint32_t> status;
        const Result read = ReadFlash(kLockoutStatusAddress[bit], 1, status);
        if (!read.ok()) {
            if (first.ok())
                first = read;
            continue;
        }
        if (status[0] == kLockedStatus)
            mask |= 1 << bit;
        else if (status[0] != kUnlockedStatus)
            return first.ok() ? Result{Result::InvalidLockoutValue, static_cast<std::int32_t>(status[0])} : first;
    }
    return first;
}
