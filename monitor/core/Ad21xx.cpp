#include "monitor/core/Ad21xx.h"

#include "monitor/core/BoardValues.h"
#include "monitor/core/FlashImageFormats.h"
#include "monitor/core/ProgramImageLoader.h"

namespace {

std::int32_t BoardSpaceOf(std::int32_t space)
{
    return space == Device::ProgramMemory ? Ad21xx::ProgramSpace : Ad21xx::DataSpace;
}

}  // namespace

const DispatchMap& Ad21xx::Map()
{
    static const DispatchMap map = DispatchMap::Builder<Ad21xx, Device>()
                                       .Method("ReadDM", &Ad21xx::ReadDM)            // 1
                                       .Method("WriteDM", &Ad21xx::WriteDM)          // 2
                                       .Method("LoadProg", &Ad21xx::LoadProg)        // 3
                                       .Method("ReadPM", &Ad21xx::ReadPM)            // 4
                                       .Method("WritePM", &Ad21xx::WritePM)          // 5
                                       .Method("ProgFlash", &Ad21xx::ProgFlash)      // 6
                                       .Method("VerifyFlash", &Ad21xx::VerifyFlash)  // 7
                                       .Method("ReadIO", &Ad21xx::ReadIO)            // 8
                                       .Method("WriteIO", &Ad21xx::WriteIO)          // 9
                                       .Build();
    return map;
}

Variant Ad21xx::ReadIO(std::int32_t address, std::int32_t count)
{
    return ReadWords(address, count, IoSpace);
}

Variant Ad21xx::WriteIO(std::int32_t address, Variant& data)
{
    return WriteWords(address, data, IoSpace);
}

Variant Ad21xx::ProgFlash(const std::string& fileName)
{
    std::unique_ptr<FlashImage> image = FlashImageFormats::Create(SRecords, kFlashPageSize);
    return ProgImage(fileName, *image);
}

Variant Ad21xx::VerifyFlash(const std::string& fileName)
{
    std::unique_ptr<FlashImage> image = FlashImageFormats::Create(SRecords, kFlashPageSize);
    return VerifyImage(fileName, *image);
}

Variant Ad21xx::ReadMemory(std::int32_t address, std::int32_t count, std::int32_t format,
                           std::int32_t space, std::int32_t)
{
    Variant result = ReadWords(address, count, BoardSpaceOf(space));
    BoardValues::ApplyFloatFormat(result, format);
    return result;
}

Variant Ad21xx::WriteMemory(std::int32_t address, Variant& data, std::int32_t, std::int32_t space,
                            std::int32_t)
{
    return WriteWords(address, data, BoardSpaceOf(space));
}

Variant Ad21xx::ReadWords(std::int32_t address, std::int32_t count, std::int32_t space)
{
    if (!HasSpaces())
        return Variant();
    std::vector<std::uint32_t> words;
    const LinkResult outcome = ReadSpace(address, count, space, words);
    if (!outcome.ok())
        return Fail(outcome);
    if (WordBits(space) == 16)
        return BoardValues::I2Array(std::vector<std::uint16_t>(words.begin(), words.end()));
    return BoardValues::I4Array(words);
}

Variant Ad21xx::WriteWords(std::int32_t address, const Variant& data, std::int32_t space)
{
    if (!HasSpaces())
        return Variant();
    std::optional<std::vector<std::uint32_t>> words;
    if (WordBits(space) == 16) {
        if (std::optional<std::vector<std::uint16_t>> narrow = BoardValues::Words16(data))
            words.emplace(narrow->begin(), narrow->end());
    } else {
        words = BoardValues::Words32(data);
    }
    if (!words)
        return Fail(LinkResult{LinkResult::NoDataAccess});
    return Result(WriteSpace(address, *words, space));
}

LinkResult Ad21xx::ReadSpace(std::int32_t, std::int32_t, std::int32_t, std::vector<std::uint32_t>&)
{
    return {};
}

LinkResult Ad21xx::WriteSpace(std::int32_t, std::span<const std::uint32_t>, std::int32_t)
{
    return {};
}

Variant Ad21xx::LoadProg(const std::string& fileName)
{
    ProgramImageLoader loader([this](const std::vector<std::uint32_t>& words, ProgramImageLoader::Section section,
                                     std::uint32_t address) {
        const bool data = section == ProgramImageLoader::Section::Data;
        return WriteProgramBlock(words, data ? kDataSectionBase + address : address);
    });
    ProgramImageLoader::Outcome outcome = loader.Load(fileName);
    if (outcome.error != nullptr)
        SetError(outcome.result, 0, outcome.error);
    return outcome.result;
}

Variant Ad21xx::WriteProgramBlock(const std::vector<std::uint32_t>& words, std::uint32_t address)
{
    std::size_t first = 0;
    if (address == 0 && !words.empty()) {
        heldStartWord_ = static_cast<std::int32_t>(words[0]);
        first = 1;
        address = 1;
    }
    if (first == words.size())
        return Variant::I4(0);
    if (!HasSpaces())
        return Variant();
    return Result(WriteSpace(static_cast<std::int32_t>(address), std::span(words).subspan(first), ProgramSpace));
}
