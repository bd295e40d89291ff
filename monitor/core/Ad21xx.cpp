#include "monitor/core/Ad21xx.h"

#include "monitor/core/BoardValues.h"
#include "monitor/core/FlashImageFormats.h"
#include "monitor/core/ProgramImageLoader.h"

namespace {

// Formats 6 and 7 ask for a floating-point value: a scalar 32-bit result
// keeps its bits and is labelled VT_R4. Arrays and errors stay as they are.
void ApplyFloatFormat(Variant& result, std::int32_t format)
{
    if ((format == 6 || format == 7) && result.vt() == VT_I4)
        result.Relabel(VT_R4);
}

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

Variant Ad21xx::ReadDM(std::int32_t address, std::int32_t count, std::int32_t format, std::int32_t extra)
{
    return ReadMemory(address, count, format, DataMemory, extra);
}

Variant Ad21xx::WriteDM(std::int32_t address, Variant& data, std::int32_t format, std::int32_t extra)
{
    return WriteMemory(address, data, format, DataMemory, extra);
}

Variant Ad21xx::ReadPM(std::int32_t address, std::int32_t count, std::int32_t format, std::int32_t extra)
{
    return ReadMemory(address, count, format, ProgramMemory, extra);
}

Variant Ad21xx::WritePM(std::int32_t address, Variant& data, std::int32_t format, std::int32_t extra)
{
    return WriteMemory(address, data, format, ProgramMemory, extra);
}

Variant Ad21xx::ReadIO(std::int32_t address, std::int32_t count)
{
    return ReadSpace(address, count, IoSpace);
}

Variant Ad21xx::WriteIO(std::int32_t address, Variant& data)
{
    return WriteSpace(address, data, IoSpace);
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
    Variant result = ReadSpace(address, count, BoardSpaceOf(space));
    ApplyFloatFormat(result, format);
    return result;
}

Variant Ad21xx::WriteMemory(std::int32_t address, Variant& data, std::int32_t, std::int32_t space,
                            std::int32_t)
{
    return WriteSpace(address, data, BoardSpaceOf(space));
}

Variant Ad21xx::ReadSpace(std::int32_t, std::int32_t, std::int32_t)
{
    return Variant();
}

Variant Ad21xx::WriteSpace(std::int32_t, Variant&, std::int32_t)
{
    return Variant();
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
    Variant result = Variant::I4(0);
    std::size_t first = 0;
    if (address == 0 && !words.empty()) {
        heldStartWord_ = static_cast<std::int32_t>(words[0]);
        first = 1;
        address = 1;
    }
    if (first < words.size()) {
        Variant data = BoardValues::I4Array(std::span(words).subspan(first));
        result = WriteSpace(static_cast<std::int32_t>(address), data, ProgramSpace);
    }
    return result;
}
