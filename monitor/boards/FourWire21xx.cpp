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

Variant FourWire21xx::VersionResult(const LinkResult& outcome, std::uint16_t version)
{
    Variant result = Variant::I4(static_cast<std::int16_t>(version));
    if (!outcome.ok())
        SetLinkError(result, outcome, kTimeout);
    return result;
}

// The one table of this board's link failures.
void FourWire21xx::SetLinkError(Variant& result, const LinkResult& failure, const char* noResponse)
{
    switch (failure.kind) {
    case LinkResult::NoPortAccess:
        SetError(result, 0, link_.port().AccessError());
        break;
    case LinkResult::OutOfRange:
        SetError(result, 0, kOutOfRange);
        break;
    default:
        SetError(result, 0, noResponse);
        break;
    }
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

bool FourWire21xx::Fits(std::int64_t address, std::int64_t count, std::int64_t maxCount, Variant& result)
{
    if (address >= 0 && count >= 1 && count <= maxCount && address + count <= kWordSpace)
        return true;
    SetError(result, 0, kOutOfRange);
    return false;
}

Variant FourWire21xx::ReadSpace(std::int32_t address, std::int32_t count, std::int32_t space)
{
    Variant result;
    const bool program = space == ProgramSpace;
    if (count < 0) {
        SetError(result, 0, BoardTexts::kNoDataAccess);
        return result;
    }
    // Checked before anything is made, so that a huge count costs no memory.
    if (!Fits(address, count, program ? kProgramReadLimit : kWordSpace - 1, result))
        return result;

    const auto at = static_cast<std::uint16_t>(address);
    const auto size = static_cast<std::size_t>(count);
    LinkResult outcome;
    if (program) {
        std::vector<std::uint32_t> words(size);
        outcome = link_.ReadProgramWords(at, words);
        if (outcome.ok())
            result = BoardValues::I4Array(words);
    } else {
        std::vector<std::uint16_t> words(size);
        outcome = link_.ReadDataWords(at, words);
        if (outcome.ok())
            result = BoardValues::I2Array(words);
    }
    if (!outcome.ok())
        SetLinkError(result, outcome, BoardTexts::kNoResponse);
    return result;
}

Variant FourWire21xx::WriteSpace(std::int32_t address, Variant& data, std::int32_t space)
{
    Variant result = Variant::I4(0);
    // Program words are converted as VT_I4, data words as VT_I2; either must
    // convert before its count is checked.
    const auto write = [&](const auto& words, const auto& transfer) {
        if (!words) {
            SetError(result, 0, BoardTexts::kNoDataAccess);
            return;
        }
        if (!Fits(address, static_cast<std::int64_t>(words->size()), kWordSpace - 1, result))
            return;
        const LinkResult outcome = transfer(static_cast<std::uint16_t>(address), *words);
        if (!outcome.ok())
            SetLinkError(result, outcome, BoardTexts::kNoResponse);
    };
    if (space == ProgramSpace)
        write(BoardValues::Words32(data), [this](std::uint16_t at, std::span<const std::uint32_t> words) {
            return link_.WriteProgramWords(at, words);
        });
    else
        write(BoardValues::Words16(data), [this](std::uint16_t at, std::span<const std::uint16_t> words) {
            return link_.WriteDataWords(at, words);
        });
    return result;
}

Variant FourWire21xx::ReadFlashBlock(std::int32_t address, std::int32_t count)
{
    Variant result;
    if (count < 0) {
        SetError(result, 0, BoardTexts::kNoFlashDataAccess);
        return result;
    }
    if (count > static_cast<std::int32_t>(FourWireLink::kFlashBlockSize)) {
        SetError(result, 0, kFlashBlockTooLarge);
        return result;
    }
    if (address < 0 || address >= kFlashSpace) {
        SetError(result, 0, kOutOfRange);
        return result;
    }
    FourWireLink::FlashBlock block{};
    const LinkResult outcome = link_.ReadFlashBlock(static_cast<std::uint32_t>(address), block);
    if (!outcome.ok()) {
        SetLinkError(result, outcome, BoardTexts::kNoResponse);
        return result;
    }
    return BoardValues::I4Array(std::span<const std::uint8_t>(block).first(static_cast<std::size_t>(count)));
}

Variant FourWire21xx::WriteFlashBlock(std::int32_t address, Variant& data)
{
    Variant result = Variant::I4(0);
    std::optional<std::vector<std::uint8_t>> bytes = BoardValues::Bytes(data);
    if (!bytes) {
        SetError(result, 0, BoardTexts::kNoDataAccess);
        return result;
    }
    if (bytes->size() > FourWireLink::kFlashBlockSize) {
        SetError(result, 0, kFlashBlockTooLarge);
        return result;
    }
    if (address < 0 || address >= kFlashSpace) {
        SetError(result, 0, kOutOfRange);
        return result;
    }
    FourWireLink::FlashBlock block;
    block.fill(kErasedFlash);
    std::copy(bytes->begin(), bytes->end(), block.begin());
    const LinkResult outcome = link_.WriteFlashBlock(static_cast<std::uint32_t>(address), block);
    if (!outcome.ok())
        SetLinkError(result, outcome, BoardTexts::kNoResponse);
    return result;
}

Variant FourWire21xx::LoadProg(const std::string& fileName)
{
    // Each section goes to the memory its header names, at its own address:
    // program words keep their 24 bits wherever they lie.
    ProgramImageLoader loader([this](const std::vector<std::uint32_t>& words, ProgramImageLoader::Section section,
                                     std::uint32_t address) {
        Variant data = BoardValues::I4Array(words);
        const bool program = section == ProgramImageLoader::Section::Program;
        return WriteSpace(static_cast<std::int32_t>(address), data, program ? ProgramSpace : DataSpace);
    });
    ProgramImageLoader::Outcome outcome = loader.Load(fileName);
    if (outcome.error != nullptr)
        SetError(outcome.result, 0, outcome.error);
    return outcome.result;
}
