#include "configurator/UnitTransfer.h"

#include "configurator/ConfigStream.h"
#include "platform/Clock.h"
#include "platform/CommDevice.h"
#include "platform/PortMap.h"
#include "platform/PortCommDevice.h"

#include <algorithm>
#include <vector>

namespace {

// Milliseconds that `bytes` characters of 10 bits take on the line, rounded up.
std::uint64_t LineTimeMs(std::size_t bytes)
{
    const std::uint64_t bits = static_cast<std::uint64_t>(bytes) * 10;
    return (bits * 1000 + UnitTransfer::kBaudRate - 1) / UnitTransfer::kBaudRate;
}

}  // namespace

UnitTransfer::UnitTransfer(MessagePresenter& presenter, TransferTiming timing)
    : presenter_(presenter), ownDevice_(std::make_unique<PortCommDevice>()), device_(*ownDevice_), timing_(timing)
{
}

UnitTransfer::UnitTransfer(MessagePresenter& presenter, CommDevice& device, TransferTiming timing)
    : presenter_(presenter), device_(device), timing_(timing)
{
}

UnitTransfer::~UnitTransfer() = default;

std::string UnitTransfer::PortName(int portSelection)
{
    return portSelection == 0 ? "Com1" : "Com2";
}

bool UnitTransfer::OpenPort(int portSelection)
{
    const std::string name = PortName(portSelection);
    const std::string path = PortMap::DevicePath(name);
    openFailure_.clear();
    if (path.empty()) {
        openFailure_ = PortMap::NotMappedText(name);
        return false;
    }
    if (!device_.Open(path)) {
        openFailure_ = name + " (" + path + "): " + device_.LastError();
        return false;
    }
    // 4800 8N1; flow control and the rest stay as the port has them. A port that does
    // not take the settings still gets its chance: the exchange itself shows whether
    // the unit understood.
    CommSettings settings;
    if (device_.GetSettings(settings)) {
        settings.baudRate = kBaudRate;
        settings.dataBits = 8;
        settings.parity = Parity::None;
        settings.stopBits = 1;
        device_.SetSettings(settings);
    }
    // Whatever an earlier exchange left unread would be taken for the unit's answer.
    device_.PurgeInput();
    return true;
}

bool UnitTransfer::SendWholly(const std::uint8_t* bytes, std::size_t count)
{
    const long written = device_.Write(bytes, count, timing_.sendLimitMs);
    return written == static_cast<long>(count);
}

bool UnitTransfer::ReadByte(std::uint8_t& byte, std::uint32_t timeoutMs)
{
    device_.SetReadTimeouts(0, timeoutMs);
    return device_.Read(&byte, 1) == 1;
}

TransferResult UnitTransfer::Finish(TransferResult result, const char* message, MessageIcon icon)
{
    device_.Close();
    presenter_.Present(message, icon);
    return result;
}

TransferResult UnitTransfer::SendToUnit(const UnitConfig& config, int portSelection)
{
    if (!OpenPort(portSelection)) {
        presenter_.PresentFailure(kOpenFailed, openFailure_);
        return TransferResult::PortError;
    }
    std::vector<std::uint8_t> bytes{kSendCommand};
    const ConfigStream::Bytes stream = ConfigStream::Encode(config);
    bytes.insert(bytes.end(), stream.begin(), stream.end());

    Clock& clock = Clock::Steady();
    const std::uint64_t start = clock.NowMs();
    if (!SendWholly(bytes.data(), bytes.size()))
        return Finish(TransferResult::NotAccepted, kSendFailed, MessageIcon::Error);

    // The unit answers once the last byte has reached it. A driver that cannot tell
    // when its line is empty (a pseudo-terminal, many USB adapters) returns at once,
    // so the wait for the answer also covers what the line still has to carry.
    const std::uint64_t sendDeadline = start + timing_.sendLimitMs;
    device_.WaitTransmitterEmpty(static_cast<std::uint32_t>(sendDeadline - std::min(sendDeadline, clock.NowMs())));
    const std::uint64_t lineDone = start + LineTimeMs(bytes.size());
    const std::uint64_t now = clock.NowMs();
    const std::uint64_t stillOnLine = lineDone > now ? lineDone - now : 0;

    std::uint8_t answer = 0;
    const bool answered = ReadByte(answer, static_cast<std::uint32_t>(stillOnLine + timing_.readTimeoutMs));
    if (!answered || answer != kAcknowledge)
        return Finish(TransferResult::NotAccepted, kSendFailed, MessageIcon::Error);
    return Finish(TransferResult::Done, kSentOk, MessageIcon::None);
}

TransferResult UnitTransfer::ReceiveFromUnit(UnitConfig& config, int portSelection)
{
    if (!OpenPort(portSelection)) {
        presenter_.PresentFailure(kOpenFailed, openFailure_);
        return TransferResult::PortError;
    }
    const std::uint8_t command = kReceiveCommand;
    SendWholly(&command, 1);

    // The first byte that does not come ends the exchange: the stream is lost either
    // way, and waiting for each further byte would only keep the user waiting. Quiet
    // before the end of the rows counts as a time-out; after them the stream lacks
    // fields and checksum and fails as a wrong checksum does.
    ConfigStream::Bytes stream{};
    std::size_t received = 0;
    while (received < stream.size() && ReadByte(stream[received], timing_.readTimeoutMs))
        ++received;

    if (received < ConfigStream::kRowsEnd)
        return Finish(TransferResult::Timeout, kReceiveTimeout, MessageIcon::Error);
    if (received < stream.size() || !ConfigStream::Decode(stream, config))
        return Finish(TransferResult::ChecksumError, kReceiveFailed, MessageIcon::Error);
    return Finish(TransferResult::Done, kReceivedOk, MessageIcon::None);
}
