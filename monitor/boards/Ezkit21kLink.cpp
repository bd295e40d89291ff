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
    SendWords({0, Descriptor(kReadType, 4), address, count});
    std::uint8_t header[12];
    ReceiveBlock(header);
    if (Word16At(header + 6) != (kReadType | kReplyBit))
        return {LinkResult::InvalidHeader};
    std::uint8_t length[4];
    ReceiveBlock(length);
    if (Word32At(length) != count)
        return {LinkResult::UnexpectedLength};
    words.resize(count);
    std::vector<std::uint8_t> data(4 * static_cast<std::size_t>(count));
    ReceiveBlock(data);
    for (std::size_t i = 0; i < count; ++i)
        words[i] = Word32At(data.data() + 4 * i);
    return {};
}

LinkResult Ezkit21kLink::WriteData(std::uint32_t address, std::span<const std::uint32_t> words)
{
    return SerialFailure::Catch([&]() -> LinkResult {
        PurgeInput();
        const auto count = static_cast<std::uint32_t>(words.size());
        SendWords({0, Descriptor(kWriteType, 4 + count), address, count}, words);
        std::uint8_t reply[8];
        ReceiveBlock(reply);
        if (Word16At(reply + 6) != (kWriteType | kReplyBit))
            return {LinkResult::InvalidHeader};
        if (Word16At(reply + 4) != 2)
            return {LinkResult::UnexpectedLength};
        return {};
    });
}

LinkResult Ezkit21kLink::Resync()
{
    return SerialFailure::Catch([&]() -> LinkResult {
        PurgeInput();
        SendWords({kSyncWord, 0, Descriptor(kResyncType, 2)});
        std::uint8_t reply[8];
        ReceiveBlock(reply);
        if (Word16At(reply + 6) != (kResyncType | kReplyBit) || Word16At(reply + 4) != 2)
            return {LinkResult::InvalidHeader};
        SendWords({kSyncWord});
        return {};
    });
}

// One packet goes to the driver in one write.
void Ezkit21kLink::SendWords(std::initializer_list<std::uint32_t> head, std::span<const std::uint32_t> body)
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(4 * (head.size() + body.size()));
    for (const std::uint32_t word : head)
        AppendWord32(bytes, word);
    for (const std::uint32_t word : body)
        AppendWord32(bytes, word);
    SendBlock(bytes);
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
