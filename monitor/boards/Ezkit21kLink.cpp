#include "monitor/boards/Ezkit21kLink.h"

#include "monitor/serial/SerialFailure.h"

namespace {

constexpr std::uint32_t Descriptor(std::uint16_t type, std::uint32_t length)
{
    return static_cast<std::uint32_t>(type) << 16 | (length & 0xFFFF);
}

}  // namespace

Ezkit21kLink::Ezkit21kLink() : SerialPort(0) {}

Ezkit21kLink::Ezkit21kLink(std::unique_ptr<CommDevice> device) : SerialPort(0, std::move(device)) {}

LinkResult Ezkit21kLink::ReadData(std::uint32_t address, std::uint32_t count,
                             std::vector<std::uint32_t>& words)
{
    for (int attempt = 1;; ++attempt) {
        const LinkResult result =
            SerialFailure::Catch([&] { return ReadDataOnce(address, count, words); });
        if (result.kind != LinkResult::SerialFailure || attempt == kReadAttempts)
            return result;
    }
}

LinkResult Ezkit21kLink::ReadDataOnce(std::uint32_t address, std::uint32_t count,
                                 std::vector<std::uint32_t>& words)
{
    PurgeInput();
    const std::uint32_t request[] = {0, Descriptor(kReadType, 4), address, count};
    WriteWords32(4, request);
    std::uint16_t header[6];
    ReadWords16(6, header);
    if (header[3] != (kReadType | kReplyBit))
        return {LinkResult::InvalidHeader};
    if (ReadWord32() != count)
        return {LinkResult::UnexpectedLength};
    words.resize(count);
    ReadWords32(static_cast<int>(count), words.data());
    return {};
}

LinkResult Ezkit21kLink::WriteData(std::uint32_t address, std::span<const std::uint32_t> words)
{
    return SerialFailure::Catch([&]() -> LinkResult {
        PurgeInput();
        const auto count = static_cast<std::uint32_t>(words.size());
        const std::uint32_t request[] = {0, Descriptor(kWriteType, 4 + count), address, count};
        WriteWords32(4, request);
        WriteWords32(static_cast<int>(count), words.data());
        std::uint16_t reply[4];
        ReadWords16(4, reply);
        if (reply[3] != (kWriteType | kReplyBit))
            return {LinkResult::InvalidHeader};
        if (reply[2] != 2)
            return {LinkResult::UnexpectedLength};
        return {};
    });
}

LinkResult Ezkit21kLink::Resync()
{
    return SerialFailure::Catch([&]() -> LinkResult {
        PurgeInput();
        const std::uint32_t request[] = {kSyncWord, 0, Descriptor(kResyncType, 2)};
        WriteWords32(3, request);
        std::uint16_t reply[4];
        ReadWords16(4, reply);
        if (reply[3] != (kResyncType | kReplyBit) || reply[2] != 2)
            return {LinkResult::InvalidHeader};
        WriteWord32(kSyncWord);
        return {};
    });
}

LinkResult Ezkit21kLink::Command(std::uint32_t parameter, MailboxCommand command)
{
    LinkResult result = WriteData(kMailboxParameter, std::span(&parameter, 1));
    if (!result.ok())
        return result;
    const std::uint32_t word = command;
    return WriteData(kMailboxCommand, std::span(&word, 1));
}

LinkResult Ezkit21kLink::ReadFlash(std::uint32_t address, std::uint32_t count,
                              std::vector<std::uint32_t>& values)
{
    // The monitor is given no time between the command and the read.
    LinkResult result = Command(address, kReadFlash);
    if (!result.ok())
        return result;
    return ReadData(kMailboxBuffer, count, values);
}

LinkResult Ezkit21kLink::WriteFlash(std::uint32_t address, std::span<const std::uint32_t> values)
{
    LinkResult result = WriteData(kMailboxBuffer, values);
    if (!result.ok())
        return result;
    return Command(address, kProgramFlash);
}

LinkResult Ezkit21kLink::SetLockout(std::uint32_t value)
{
    return Command(value, kSetLockout);
}

LinkResult Ezkit21kLink::ReadLockout(std::int32_t& mask)
{
    mask = 0;
    const std::uint32_t show = 1;
    LinkResult result = WriteData(kMailboxParameter, std::span(&show, 1));
    if (!result.ok())
        return result;  // the monitor has not been told anything yet
    const std::uint32_t statusCommand = kLockoutStatus;
    result = WriteData(kMailboxCommand, std::span(&statusCommand, 1));
    if (result.ok())
        result = ReadLockoutStatusBytes(mask);
    const LinkResult closing = Command(0, kLockoutStatus);
    return result.ok() ? closing : result;
}

LinkResult Ezkit21kLink::ReadLockoutStatusBytes(std::int32_t& mask)
{
    LinkResult first;
    for (int bit = 0; bit < 2; ++bit) {
        std::vector<std::uint32_t> status;
        const LinkResult read = ReadFlash(kLockoutStatusAddress[bit], 1, status);
        if (!read.ok()) {
            if (first.ok())
                first = read;
            continue;
        }
        if (status[0] == kLockedStatus)
            mask |= 1 << bit;
        else if (status[0] != kUnlockedStatus)
            return first.ok() ? LinkResult{LinkResult::InvalidLockoutValue, static_cast<std::int32_t>(status[0])} : first;
    }
    return first;
}
