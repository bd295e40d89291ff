#include "monitor/boards/Ez2181Link.h"

#include "monitor/core/Ad21xx.h"
#include "monitor/serial/SerialFailure.h"

#include <algorithm>

namespace {

constexpr std::int32_t kModulus = 255;
constexpr std::int32_t kMostSignificantFirst = 1;
// Frame bytes around the payload that the length byte counts: command (or status) and
// the two check bytes.
constexpr int kLengthOverhead = 3;
constexpr int kAddressAndCount = 5;
constexpr int kAddressOnly = 4;

// The power-on frame up to its check bytes: sync, board address 00, length 3, status 07.
constexpr std::uint8_t kPowerOnFrame[] = {0xFA, 0x00, 0x03, 0x07};

// Pause after a read attempt that gave nothing, so that a closed or hung-up line, whose
// reads fail at once, is not polled without end.
constexpr std::uint32_t kIdlePauseMs = 10;

// Any fault of a reply to a flash frame.
constexpr LinkResult kNoFlashResponse{LinkResult::NoResponse, 1};

}  // namespace

Ez2181Link::Ez2181Link(Clock& clock) : SerialPort(kMostSignificantFirst), clock_(clock)
{
}

Ez2181Link::Ez2181Link(std::unique_ptr<CommDevice> device, Clock& clock)
    : SerialPort(kMostSignificantFirst, std::move(device)), clock_(clock)
{
}

void Ez2181Link::ResetSums()
{
    sum1_ = 0;
    sum2_ = 0;
}

void Ez2181Link::AddToSums(std::uint8_t b)
{
    sum1_ += b;
    if (sum1_ >= kModulus) sum1_ -= kModulus;
    sum2_ += sum1_;
    if (sum2_ >= kModulus) sum2_ -= kModulus;
}

std::uint8_t Ez2181Link::CheckByte() const
{
    std::int32_t t = sum1_ + sum2_;
    if (t >= kModulus) t -= kModulus;
    return static_cast<std::uint8_t>(kModulus - t);
}

// Between BeginRequest and EndRequest the bytes gather, so that a frame goes to the
// driver in one write.
void Ez2181Link::WriteByte(std::uint8_t b)
{
    AddToSums(b);
    if (requestOpen_) {
        request_.push_back(b);
        return;
    }
    SerialPort::WriteByte(b);
}

std::uint8_t Ez2181Link::ReadByte()
{
    const std::uint8_t b = SerialPort::ReadByte();
    AddToSums(b);
    return b;
}

void Ez2181Link::BeginRequest(std::uint8_t command, int payloadLength)
{
    PurgeInput();
    ResetSums();
    request_.clear();
    requestOpen_ = true;
    WriteByte(kSync);
    WriteByte(addressByte_);
    WriteByte(static_cast<std::uint8_t>(payloadLength + kLengthOverhead));
    WriteByte(command);
}

void Ez2181Link::EndRequest()
{
    WriteByte(CheckByte());
    WriteByte(CheckByte());
    requestOpen_ = false;
    SendBlock(request_);
}

void Ez2181Link::ReceiveSummed(std::span<std::uint8_t> bytes)
{
    ReceiveBlock(bytes);
    for (const std::uint8_t b : bytes) AddToSums(b);
}

LinkResult Ez2181Link::ReadReplyHeader(int min, int max)
{
    ResetSums();
    if (ReadByte() != kSync) return {LinkResult::WrongStart, 1};
    ReadByte();  // the board's address, whatever it is
    const int length = ReadByte();
    if (length < kLengthOverhead) return {LinkResult::ShortLength, 2};
    if (ReadByte() != kStatusDone) return {LinkResult::WrongStatus, 3};
    const int payload = length - kLengthOverhead;
    const int upper = max != 0 ? max : min;
    if (payload < min || payload > upper) return {LinkResult::UnexpectedLength, 4};
    return {};
}

LinkResult Ez2181Link::ReadReplyTrailer()
{
    std::uint8_t checkBytes[2];
    ReceiveSummed(checkBytes);
    return SumsCheck();
}

LinkResult Ez2181Link::SumsCheck() const
{
    if (sum1_ == 0 && sum2_ == 0) return {};
    return {LinkResult::BadCheckBytes, 1};
}

LinkResult Ez2181Link::Exchange(std::uint8_t command)
{
    return SerialFailure::Catch([&]() -> LinkResult {
        BeginRequest(command, 0);
        EndRequest();
        ResetSums();
        if (ReadByte() != kSync) return {LinkResult::WrongStart, 1};
        const std::uint8_t address = ReadByte();
        if (address != 0x00 && address != 0xFF) return {LinkResult::WrongAddress, 2};
        const int length = ReadByte();
        if (length < kLengthOverhead) return {LinkResult::ShortLength, 3};
        if (length != kLengthOverhead) return {LinkResult::UnexpectedLength, 4};
        if (ReadByte() != kStatusDone) return {LinkResult::WrongStatus, 4};
        if (!ReadReplyTrailer().ok()) return {LinkResult::BadCheckBytes, 6};
        return {};
    });
}

LinkResult Ez2181Link::ReadEmptyReply()
{
    const LinkResult header = ReadReplyHeader(0, 0);
    if (!header.ok()) return header;
    return ReadReplyTrailer();
}

LinkResult Ez2181Link::Reset()
{
    return Exchange(kReset);
}

LinkResult Ez2181Link::Run(std::uint32_t operand)
{
    return SerialFailure::Catch([&] { return SendOperandFrame(kRun, operand); });
}

LinkResult Ez2181Link::ReadData(std::uint32_t address, std::uint32_t count, std::vector<std::uint32_t>& words)
{
    return ReadWords(kReadWords, address + Ad21xx::kDataSectionBase, count, words);
}

LinkResult Ez2181Link::WriteData(std::uint32_t address, std::span<const std::uint32_t> words)
{
    return WriteWords(kWriteWords, address + Ad21xx::kDataSectionBase, words);
}

LinkResult Ez2181Link::ReadProgram(std::uint32_t address, std::uint32_t count, std::vector<std::uint32_t>& words)
{
    return ReadWords(kReadWords, address, count, words);
}

LinkResult Ez2181Link::WriteProgram(std::uint32_t address, std::span<const std::uint32_t> words)
{
    return WriteWords(kWriteWords, address, words);
}

LinkResult Ez2181Link::ReadIo(std::uint32_t address, std::uint32_t count, std::vector<std::uint32_t>& words)
{
    return ReadWords(kReadIoWords, address, count, words);
}

LinkResult Ez2181Link::WriteIo(std::uint32_t address, std::span<const std::uint32_t> words)
{
    return WriteWords(kWriteIoWords, address, words);
}

LinkResult Ez2181Link::ReadWords(std::uint8_t command, std::uint32_t lineAddress, std::uint32_t count,
                                 std::vector<std::uint32_t>& words)
{
    words.resize(count);
    return SerialFailure::Catch([&]() -> LinkResult {
        for (std::uint32_t done = 0; done < count;) {
            const int n = static_cast<int>(std::min<std::uint32_t>(count - done, kMaxWordsPerFrame));
            BeginRequest(command, kAddressAndCount);
            WriteWord32(lineAddress);
            WriteByte(static_cast<std::uint8_t>(n));
            EndRequest();
            const LinkResult header = ReadReplyHeader(4 * n, 0);
            if (!header.ok()) return header;
            // The payload and the check bytes in one read.
            reply_.resize(4 * static_cast<std::size_t>(n) + 2);
            ReceiveSummed(reply_);
            for (int i = 0; i < n; ++i) words[done + static_cast<std::uint32_t>(i)] = Word32At(reply_.data() + 4 * i);
            const LinkResult trailer = SumsCheck();
            if (!trailer.ok()) return trailer;
            lineAddress += static_cast<std::uint32_t>(n);
            done += static_cast<std::uint32_t>(n);
        }
        return {};
    });
}

LinkResult Ez2181Link::WriteWords(std::uint8_t command, std::uint32_t lineAddress,
                                  std::span<const std::uint32_t> words)
{
    return SerialFailure::Catch([&]() -> LinkResult {
        for (std::size_t done = 0; done < words.size();) {
            const int n = static_cast<int>(std::min<std::size_t>(words.size() - done, kMaxWordsPerFrame));
            BeginRequest(command, 4 * n + kAddressAndCount);
            WriteWord32(lineAddress);
            WriteByte(static_cast<std::uint8_t>(n));
            WriteWords32(n, words.data() + done);
            EndRequest();
            const LinkResult reply = ReadEmptyReply();
            if (!reply.ok()) return reply;
            lineAddress += static_cast<std::uint32_t>(n);
            done += static_cast<std::uint32_t>(n);
        }
        return {};
    });
}

LinkResult Ez2181Link::SendOperandFrame(std::uint8_t command, std::uint32_t operand)
{
    BeginRequest(command, kAddressOnly);
    WriteWord32(operand);
    EndRequest();
    return ReadEmptyReply();
}

LinkResult Ez2181Link::ReadFlash(std::uint32_t address, std::uint32_t count, std::vector<std::uint8_t>& bytes)
{
    bytes.resize(count);
    return SerialFailure::Catch([&]() -> LinkResult {
        for (std::uint32_t done = 0; done < count;) {
            const int n = static_cast<int>(std::min<std::uint32_t>(count - done, kMaxFlashReadPerFrame));
            BeginRequest(kReadFlash, kAddressAndCount);
            WriteWord32(address);
            WriteByte(static_cast<std::uint8_t>(n));
            EndRequest();
            if (!ReadReplyHeader(n, 0).ok()) return kNoFlashResponse;
            reply_.resize(static_cast<std::size_t>(n) + 2);
            ReceiveSummed(reply_);
            std::copy_n(reply_.begin(), n, bytes.begin() + done);
            if (!SumsCheck().ok()) return kNoFlashResponse;
            address += static_cast<std::uint32_t>(n);
            done += static_cast<std::uint32_t>(n);
        }
        return {};
    });
}

// Without data the program command would program whatever the board's buffer still
// holds from an earlier load, so an empty write sends nothing.
LinkResult Ez2181Link::WriteFlash(std::uint32_t address, std::span<const std::uint8_t> bytes)
{
    if (bytes.empty()) return {};
    return SerialFailure::Catch([&]() -> LinkResult {
        std::uint32_t offset = 0;
        for (std::size_t done = 0; done < bytes.size();) {
            const int n = static_cast<int>(std::min<std::size_t>(bytes.size() - done, kMaxFlashLoadPerFrame));
            BeginRequest(kLoadFlashBuffer, n + kAddressAndCount);
            WriteWord32(offset);
            WriteByte(static_cast<std::uint8_t>(n));
            WriteBytes(n, bytes.data() + done);
            EndRequest();
            if (!ReadEmptyReply().ok()) return kNoFlashResponse;
            offset += static_cast<std::uint32_t>(n);
            done += static_cast<std::uint32_t>(n);
        }
        return SendOperandFrame(kProgramFlash, address).ok() ? LinkResult{} : kNoFlashResponse;
    });
}

// A byte that breaks the match is not looked at again as a possible sync byte.
LinkResult Ez2181Link::WaitForHello()
{
    return SerialFailure::Catch([&] { return AwaitPowerOnFrame(); });
}

// A line that cannot be opened fails at once, as a request's first byte would: waiting
// for a frame that cannot come would hide the cause behind a time-out.
LinkResult Ez2181Link::AwaitPowerOnFrame()
{
    PurgeInput();
    if (!IsOpen()) throw SerialPortException(SerialPortException::WriteFailed);
    ResetSums();
    std::size_t position = 0;
    const std::uint64_t start = clock_.NowMs();
    while (clock_.NowMs() - start < kPowerOnWaitMs) {
        std::uint8_t b = 0;
        if (!TryReadByte(&b)) {
            clock_.SleepMs(kIdlePauseMs);
            continue;
        }
        AddToSums(b);
        if (b == kPowerOnFrame[position]) {
            if (position + 1 < std::size(kPowerOnFrame)) {
                ++position;
                continue;
            }
            if (ReadReplyTrailer().ok()) {
                BeginRequest(kAcknowledgePowerOn, 0);
                EndRequest();
                return {};
            }
        }
        position = 0;
        ResetSums();
    }
    return {LinkResult::NoPowerOnFrame, 1};
}
