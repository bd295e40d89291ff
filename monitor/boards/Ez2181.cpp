#include "monitor/boards/Ez2181.h"

#include "monitor/core/BoardTexts.h"
#include "monitor/core/BoardValues.h"

#include <optional>
#include <span>
#include <vector>

namespace {

constexpr const char* kError = "Error";

// Spaces other than data and I/O memory are taken as program memory.
LinkResult ReadLinkWords(Ez2181Link& link, std::int32_t space, std::uint32_t address, std::uint32_t count,
                         std::vector<std::uint32_t>& words)
{
    switch (space) {
    case Ad21xx::DataSpace: return link.ReadData(address, count, words);
    case Ad21xx::IoSpace: return link.ReadIo(address, count, words);
    default: return link.ReadProgram(address, count, words);
    }
}

LinkResult WriteLinkWords(Ez2181Link& link, std::int32_t space, std::uint32_t address,
                          std::span<const std::uint32_t> words)
{
    switch (space) {
    case Ad21xx::DataSpace: return link.WriteData(address, words);
    case Ad21xx::IoSpace: return link.WriteIo(address, words);
    default: return link.WriteProgram(address, words);
    }
}

}  // namespace

Ez2181::Ez2181() : SerialBoard(kInitialBaudRate, Clock::Steady()) {}

Ez2181::Ez2181(std::unique_ptr<CommDevice> device, Clock& clock)
    : SerialBoard(kInitialBaudRate, std::move(device), clock)
{
}

const DispatchMap& Ez2181::Map()
{
    static const DispatchMap map = DispatchMap::Builder<Ez2181, Ad21xx>()
                                       .Method("Reset", &Ez2181::Reset)                       // 1
                                       .Method("Run", &Ez2181::Run)                           // 2
                                       .Method("SetBaud", &Ez2181::SetBaud)                   // 3
                                       .Method("PowerOn", &Ez2181::PowerOn)                   // 4
                                       .Property("Port", &Ez2181::GetPort, &Ez2181::SetPort)  // 5
                                       .Build();
    return map;
}

// The one table of this board's failures. Reply faults carry the link's
// code with "Error", but a memory read reports wrong check bytes as
// "Invalid Checksum" with code 0.
constexpr FailureText kFailures[] = {
    {LinkResult::NoResponse, BoardTexts::kNoResponse},
    {LinkResult::NoPowerOnFrame, "ERROR: Device Timeout"},
    {LinkResult::BadMemoryCheckBytes, "Invalid Checksum"},
    {LinkResult::BadCheckBytes, kError, FailureText::FromFailure},
    {LinkResult::WrongStart, kError, FailureText::FromFailure},
    {LinkResult::WrongAddress, kError, FailureText::FromFailure},
    {LinkResult::ShortLength, kError, FailureText::FromFailure},
    {LinkResult::WrongStatus, kError, FailureText::FromFailure},
    {LinkResult::UnexpectedLength, kError, FailureText::FromFailure},
    {LinkResult::NoDataAccess, BoardTexts::kNoDataAccess},
    {LinkResult::NoFlashDataAccess, BoardTexts::kNoFlashDataAccess},
};

std::span<const FailureText> Ez2181::FailureTexts() const
{
    return kFailures;
}

Variant Ez2181::Reset(std::int32_t)
{
    return Result(link_.Reset());
}

Variant Ez2181::Run(std::int32_t operand)
{
    const std::int32_t value = operand < 2 ? operand : HeldStartWord();
    return Result(link_.Run(static_cast<std::uint32_t>(value)));
}

Variant Ez2181::PowerOn()
{
    return Result(link_.WaitForHello());
}

LinkResult Ez2181::ReadSpace(std::int32_t address, std::int32_t count, std::int32_t space,
                             std::vector<std::uint32_t>& words)
{
    if (!BoardValues::ArrayCanHold(count))
        return {LinkResult::NoDataAccess};
    const LinkResult outcome = ReadLinkWords(link_, space, static_cast<std::uint32_t>(address),
                                             static_cast<std::uint32_t>(count), words);
    if (outcome.kind == LinkResult::BadCheckBytes)
        return {LinkResult::BadMemoryCheckBytes, outcome.code};
    return outcome;
}

LinkResult Ez2181::WriteSpace(std::int32_t address, std::span<const std::uint32_t> words, std::int32_t space)
{
    return WriteLinkWords(link_, space, static_cast<std::uint32_t>(address), words);
}

LinkResult Ez2181::ReadFlashBlock(std::int32_t address, std::int32_t count, std::vector<std::uint32_t>& values)
{
    if (!BoardValues::ArrayCanHold(count))
        return {LinkResult::NoFlashDataAccess};
    std::vector<std::uint8_t> bytes;
    const LinkResult outcome = link_.ReadFlash(static_cast<std::uint32_t>(address), static_cast<std::uint32_t>(count),
                                               bytes);
    values.assign(bytes.begin(), bytes.end());
    return outcome;
}

LinkResult Ez2181::WriteFlashBlock(std::int32_t address, std::span<const std::uint32_t> values)
{
    std::optional<std::vector<std::uint8_t>> bytes = BoardValues::Bytes(values);
    if (!bytes)
        return {LinkResult::NoDataAccess};
    return link_.WriteFlash(static_cast<std::uint32_t>(address), *bytes);
}
