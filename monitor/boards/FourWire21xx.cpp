#include "monitor/boards/FourWire21xx.h"

#include "monitor/core/BoardTexts.h"
#include "monitor/core/BoardValues.h"
#include "monitor/core/ProgramImageLoader.h"

#include <optional>
#include <vector>

namespace {

constexpr const char* kTimeout = "Timeout Error";
constexpr const char* kOutOfRange = "Address or count does not fit the link";
constexpr const char* kFlashBlockTooLarge = "More than 256 bytes for a flash block";

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
    if (!FourWireLink::WordsFit(address, count, program ? FourWireLink::kReadProgram : FourWireLink::kReadData))
        return {LinkResult::OutOfRange};
    const auto size = static_cast<std::size_t>(count);
    if (program) {
        words.resize(size);
        return link_.ReadProgramWords(address, words);
    }
    std::vector<std::uint16_t> dataWords(size);
    const LinkResult outcome = link_.ReadDataWords(address, dataWords);
    words.assign(dataWords.begin(), dataWords.end());
    return outcome;
}

LinkResult FourWire21xx::WriteSpace(std::int32_t address, std::span<const std::uint32_t> words, std::int32_t space)
{
    if (space == ProgramSpace)
        return link_.WriteProgramWords(address, words);
    const std::vector<std::uint16_t> dataWords(words.begin(), words.end());
    return link_.WriteDataWords(address, dataWords);
}

LinkResult FourWire21xx::ReadFlashBlock(std::int32_t address, std::int32_t count, std::vector<std::uint32_t>& values)
{
    if (count < 0)
        return {LinkResult::NoFlashDataAccess};
    std::vector<std::uint8_t> bytes;
    const LinkResult outcome = link_.ReadFlash(address, static_cast<std::size_t>(count), bytes);
    values.assign(bytes.begin(), bytes.end());
    return outcome;
}

LinkResult FourWire21xx::WriteFlashBlock(std::int32_t address, std::span<const std::uint32_t> values)
{
    std::optional<std::vector<std::uint8_t>> bytes = BoardValues::Bytes(values);
    if (!bytes)
        return {LinkResult::NoDataAccess};
    return link_.WriteFlash(address, *bytes);
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
