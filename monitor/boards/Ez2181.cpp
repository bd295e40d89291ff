#include "monitor/boards/Ez2181.h"

#include "monitor/core/BoardTexts.h"
#include "monitor/core/BoardValues.h"

#include <optional>
#include <span>
#include <vector>

namespace {

constexpr const char* kError = "Error";

// Spaces other than data and I/O memory are taken as program memory.
LinkResult ReadWords(Ez2181Link& link, std::int32_t space, std::uint32_t address, std::uint32_t count,
                     std::vector<std::uint32_t>& words)
{
    switch (space) {
    case Ad21xx::DataSpace: return link.ReadData(address, count, words);
    case Ad21xx::IoSpace: return link.ReadIo(address, count, words);
    default: return link.ReadProgram(address, count, words);
    }
}

LinkResult WriteWords(Ez2181Link& link, std::int32_t space, std::uint32_t address,
                      std::span<const std::uint32_t> words)
{
    switch (space) {
    case Ad21xx::DataSpace: return link.WriteData(address, words);
    case Ad21xx::IoSpace: return link.WriteIo(address, words);
    default: return link.WriteProgram(address, words);
    }
}

}  // namespace

Ez2181::Ez2181() : link_(Clock::Steady())
{
    OpenLine();
}

Ez2181::Ez2181(std::unique_ptr<CommDevice> device, Clock& clock) : link_(std::move(device), clock)
{
    OpenLine();
}

// A port that does not open is not reported here: the first transfer fails.
void Ez2181::OpenLine()
{
    link_.Open();
    link_.SetBaudRate(kInitialBaudRate);
}

const DispatchMap& Ez2181::Map()
{
    static const DispatchMap map = DispatchMap::Builder<Ez2181, Ad21xx>()
        .Method("Reset", &Ez2181::Reset)      // 1
        .Method("Run", &Ez2181::Run)          // 2
        .Method("SetBaud", &Ez2181::SetBaud)  // 3
        .Method("PowerOn", &Ez2181::PowerOn)  // 4
        .Property("Port", &Ez2181::GetPort, &Ez2181::SetPort)  // 5
        .Build();
    return map;
}

// The one table of this board's link failures. Reply faults carry the link's
// code with "Error", but a memory read reports wrong check bytes as
// "Invalid Checksum" with code 0.
Variant Ez2181::Fail(const LinkResult& failure, bool memoryRead)
{
    Variant result;
    switch (failure.kind) {
    case LinkResult::SerialFailure:
        RecordSerialFailure(result, failure.code, link_);
        break;
    case LinkResult::NoResponse:
        SetError(result, 0, BoardTexts::kNoResponse);
        break;
    case LinkResult::NoPowerOnFrame:
        SetError(result, 0, "ERROR: Device Timeout");
        break;
    case LinkResult::BadCheckBytes:
        if (memoryRead)
            SetError(result, 0, "Invalid Checksum");
        else
            SetError(result, failure.code, kError);
        break;
    default:
        SetError(result, failure.code, kError);
        break;
    }
    return result;
}

Variant Ez2181::Reset(std::int32_t)
{
    const LinkResult outcome = link_.Reset();
    return outcome.ok() ? Variant::I4(0) : Fail(outcome);
}

Variant Ez2181::Run(std::int32_t operand)
{
    const std::int32_t value = operand < 2 ? operand : HeldStartWord();
    const LinkResult outcome = link_.Run(static_cast<std::uint32_t>(value));
    return outcome.ok() ? Variant::I4(0) : Fail(outcome);
}

// The outcome of the driver call is not looked at: nothing is sent to the board.
Variant Ez2181::SetBaud(std::int32_t rate)
{
    link_.SetBaudRate(static_cast<std::uint32_t>(rate));
    return Variant::I4(0);
}

Variant Ez2181::PowerOn()
{
    const LinkResult outcome = link_.WaitForHello();
    return outcome.ok() ? Variant::I4(0) : Fail(outcome);
}

Variant Ez2181::ReadSpace(std::int32_t address, std::int32_t count, std::int32_t space)
{
    if (!BoardValues::ArrayCanHold(count))
        return Fail(BoardTexts::kNoDataAccess);
    std::vector<std::uint32_t> words;
    const LinkResult outcome = ReadWords(link_, space, static_cast<std::uint32_t>(address),
                                         static_cast<std::uint32_t>(count), words);
    return outcome.ok() ? BoardValues::I4Array(words) : Fail(outcome, true);
}

Variant Ez2181::WriteSpace(std::int32_t address, Variant& data, std::int32_t space)
{
    std::optional<std::vector<std::uint32_t>> words = BoardValues::Words32(data);
    if (!words)
        return Fail(BoardTexts::kNoDataAccess);
    const LinkResult outcome = WriteWords(link_, space, static_cast<std::uint32_t>(address), *words);
    return outcome.ok() ? Variant::I4(0) : Fail(outcome);
}

Variant Ez2181::ReadFlashBlock(std::int32_t address, std::int32_t count)
{
    if (!BoardValues::ArrayCanHold(count))
        return Fail(BoardTexts::kNoFlashDataAccess);
    std::vector<std::uint8_t> bytes;
    const LinkResult outcome = link_.ReadFlash(static_cast<std::uint32_t>(address), static_cast<std::uint32_t>(count),
                                               bytes);
    return outcome.ok() ? BoardValues::I4Array(bytes) : Fail(outcome);
}

Variant Ez2181::WriteFlashBlock(std::int32_t address, Variant& data)
{
    std::optional<std::vector<std::uint8_t>> bytes = BoardValues::Bytes(data);
    if (!bytes)
        return Fail(BoardTexts::kNoDataAccess);
    const LinkResult outcome = link_.WriteFlash(static_cast<std::uint32_t>(address), *bytes);
    return outcome.ok() ? Variant::I4(0) : Fail(outcome);
}
