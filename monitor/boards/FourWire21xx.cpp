#include "monitor/boards/FourWire21xx.h"

#include "monitor/core/BoardTexts.h"
#include "monitor/core/BoardValues.h"
#include "monitor/core/ProgramImageLoader.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace {

constexpr const char* kTimeout = "Timeout Error";
constexpr const char* kOutOfRange = "Address or count does not fit the link";
constexpr const char* kFlashBlockTooLarge = "More than 256 bytes for a flash block";

constexpr std::int64_t kWordSpace = 0x10000;         // 16-bit addresses and counts
constexpr std::int64_t kProgramReadLimit = 0x7FFF;   // the request carries twice the count
constexpr std::int64_t kFlashSpace = 0x1000000;      // 24-bit flash addresses
constexpr std::uint8_t kErasedFlash = 0xFF;

bool Fits(std::int64_t address, std::int64_t count, std::int64_t maxCount)
{
    return address >= 0 && count >= 1 && count <= maxCount && address + count <= kWordSpace;
}

}  // namespace

FourWire21xx::FourWire21xx() = default;

FourWire21xx::FourWire21xx(FourWireLink link) : link_(std::move(link)) {}

const DispatchMap& FourWire21xx::Map()
{
    static const DispatchMap map = DispatchMap::Builder<FourWire21xx, Ad21xx>()
        .Method("PowerOn", &FourWire21xx::PowerOn)  // 1
        .Method("GetVer", &FourWire21xx::GetVer)    // 2
        .Build();
    return map;
}

// The version exchanges call a target that does not answer a time-out.
Variant FourWire21xx::VersionResult(const LinkResult& outcome, std::uint16_t version)
{
    Variant result = Variant::I4(static_cast<std::int16_t>(version));
    if (outcome.kind == LinkResult::NoResponse)
        SetError(result, 0, kTimeout);
    else if (!outcome.ok())
        SetError(result, outcome);
    return result;
}

// The one table of this board's failures.
constexpr FailureText kFailures[] = {
    {LinkResult::NoPortAccess, nullptr},
    {LinkResult::OutOfRange, kOutOfRange},
    {LinkResult::NoResponse, BoardTexts::kNoResponse},
    {LinkResult::NoDataAccess, BoardTexts::kNoDataAccess},
    {LinkResult::NoFlashDataAccess, BoardTexts::kNoFlashDataAccess},
    {LinkResult::FlashReadTooLong, kFlashBlockTooLarge},
    {LinkResult::FlashWriteTooLong, kFlashBlockTooLarge},
};

std::span<const FailureText> FourWire21xx::FailureTexts() const
{
    return kFailures;
}

std::string FourWire21xx::LineFailureText(const LinkResult&) const
{
    return link_.port().AccessError();
}

Variant FourWire21xx::PowerOn()
{
    std::uint16_t version = 0;
    const LinkResult outcome = link_.StartUp(version);
    return VersionResult(outcome, version);
}

Variant FourWire21xx::GetVer()
{
    std::uint16_t version = 0;
    const LinkResult outcome = link_.GetVersion(version);
    return VersionResult(outcome, version);
}

LinkResult FourWire21xx::ReadSpace(std::int32_t address, std::int32_t count, std::int32_t space,
                                   std::vector<std::uint32_t>& words)
{
    const bool program = space == ProgramSpace;
    if (count < 0)
        return {LinkResult::NoDataAccess};
    // Checked before anything is made, so that a huge count costs no memory.
    if (!Fits(address, count, program ? kProgramReadLimit : kWordSpace - 1))
        return {LinkResult::OutOfRange};
    const auto at = static_cast<std::uint16_t>(address);
    const auto size = static_cast<std::size_t>(count);
    if (program) {
        words.resize(size);
        return link_.ReadProgramWords(at, words);
    }
    std::vector<std::uint16_t> dataWords(size);
    const LinkResult outcome = link_.ReadDataWords(at, dataWords);
    words.assign(dataWords.begin(), dataWords.end());
    return outcome;
}

LinkResult FourWire21xx::WriteSpace(std::int32_t address, std::span<const std::uint32_t> words, std::int32_t space)
{
    if (!Fits(address, static_cast<std::int64_t>(words.size()), kWordSpace - 1))
        return {LinkResult::OutOfRange};
    const auto at = static_cast<std::uint16_t>(address);
    if (space == ProgramSpace)
        return link_.WriteProgramWords(at, words);
    const std::vector<std::uint16_t> dataWords(words.begin(), words.end());
    return link_.WriteDataWords(at, dataWords);
}

LinkResult FourWire21xx::ReadFlashBlock(std::int32_t address, std::int32_t count, std::vector<std::uint32_t>& values)
{
    if (count < 0)
        return {LinkResult::NoFlashDataAccess};
    if (count > static_cast<std::int32_t>(FourWireLink::kFlashBlockSize))
        return {LinkResult::FlashReadTooLong};
    if (address < 0 || address >= kFlashSpace)
        return {LinkResult::OutOfRange};
    FourWireLink::FlashBlock block{};
    const LinkResult outcome = link_.ReadFlashBlock(static_cast<std::uint32_t>(address), block);
    values.assign(block.begin(), block.begin() + count);
    return outcome;
}

LinkResult FourWire21xx::WriteFlashBlock(std::int32_t address, std::span<const std::uint32_t> values)
{
    std::optional<std::vector<std::uint8_t>> bytes = BoardValues::Bytes(values);
    if (!bytes)
        return {LinkResult::NoDataAccess};
    if (bytes->size() > FourWireLink::kFlashBlockSize)
        return {LinkResult::FlashWriteTooLong};
    if (address < 0 || address >= kFlashSpace)
        return {LinkResult::OutOfRange};
    FourWireLink::FlashBlock block;
    block.fill(kErasedFlash);
    std::copy(bytes->begin(), bytes->end(), block.begin());
    return link_.WriteFlashBlock(static_cast<std::uint32_t>(address), block);
}

Variant FourWire21xx::LoadProg(const std::string& fileName)
{
    // Each section goes to the memory its header names, at its own address:
    // program words keep their 24 bits wherever they lie.
    ProgramImageLoader loader([this](const std::vector<std::uint32_t>& words, ProgramImageLoader::Section section,
                                     std::uint32_t address) {
        const bool program = section == ProgramImageLoader::Section::Program;
        return WriteWords(static_cast<std::int32_t>(address), BoardValues::I4Array(words),
                          program ? ProgramSpace : DataSpace);
    });
    ProgramImageLoader::Outcome outcome = loader.Load(fileName);
    if (outcome.error != nullptr)
        SetError(outcome.result, 0, outcome.error);
    return outcome.result;
}
