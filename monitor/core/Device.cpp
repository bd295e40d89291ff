#include "monitor/core/Device.h"

#include "monitor/core/BoardTexts.h"
#include "monitor/core/BoardValues.h"
#include "monitor/core/FlashImage.h"

const DispatchMap& Device::Map()
{
    static const DispatchMap map = DispatchMap::Builder<Device, AutoBase>()
                                       .Method("ReadSym", &Device::ReadSym)        // 1
                                       .Method("FindSym", &Device::FindSym)        // 2
                                       .Method("WriteSym", &Device::WriteSym)      // 3
                                       .Method("ReadFlash", &Device::ReadFlash)    // 4
                                       .Method("WriteFlash", &Device::WriteFlash)  // 5
                                       .Build();
    return map;
}

Variant Device::ReadSym(const std::string&)
{
    // Symbol files are not supported; the status code says so without
    // touching the error properties.
    return Variant::Error(21);
}

Variant Device::FindSym(const std::string&, std::int32_t)
{
    return Variant();
}

Variant Device::WriteSym(const std::string&, const Variant&)
{
    return Variant();
}

Variant Device::ReadFlash(std::int32_t address, std::int32_t count)
{
    if (!HasFlashBlocks())
        return Variant();
    std::vector<std::uint32_t> values;
    const LinkResult outcome = ReadFlashBlock(address, count, values);
    return outcome.ok() ? BoardValues::I4Array(values) : Fail(outcome);
}

Variant Device::WriteFlash(std::int32_t address, Variant& data)
{
    if (!HasFlashBlocks())
        return Variant();
    std::optional<std::vector<std::uint32_t>> values = BoardValues::Words32(data);
    if (!values)
        return Fail(LinkResult{LinkResult::NoDataAccess});
    return Result(WriteFlashBlock(address, *values));
}

Variant Device::ReadDM(std::int32_t address, std::int32_t count, std::int32_t format, std::int32_t extra)
{
    return ReadMemory(address, count, format, DataMemory, extra);
}

Variant Device::WriteDM(std::int32_t address, Variant& data, std::int32_t format, std::int32_t extra)
{
    return WriteMemory(address, data, format, DataMemory, extra);
}

Variant Device::ReadPM(std::int32_t address, std::int32_t count, std::int32_t format, std::int32_t extra)
{
    return ReadMemory(address, count, format, ProgramMemory, extra);
}

Variant Device::WritePM(std::int32_t address, Variant& data, std::int32_t format, std::int32_t extra)
{
    return WriteMemory(address, data, format, ProgramMemory, extra);
}

Variant Device::ReadMemory(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t)
{
    return Variant();
}

Variant Device::WriteMemory(std::int32_t, Variant&, std::int32_t, std::int32_t, std::int32_t)
{
    return Variant();
}

LinkResult Device::ReadFlashBlock(std::int32_t, std::int32_t, std::vector<std::uint32_t>&)
{
    return {};
}

LinkResult Device::WriteFlashBlock(std::int32_t, std::span<const std::uint32_t>)
{
    return {};
}

std::uint64_t Device::PresentBytes(const FlashImage& image)
{
    std::uint64_t bytes = 0;
    for (std::int32_t i = image.LowestPage(); i <= image.HighestPage(); ++i)
        bytes += image.GetPage(i).size();
    return bytes;
}

void Device::ForEachPage(const std::string& fileName, FlashImage& image, Variant& result,
                         const std::function<bool(std::int32_t address, std::span<const std::uint8_t> page)>& step)
{
    const std::int32_t loadError = image.Load(fileName);
    if (loadError != 0) {
        SetError(result, loadError, "Error opening file");
        return;
    }
    const std::uint64_t total = PresentBytes(image);
    std::uint64_t done = 0;
    ReportProgress(done, total);
    for (std::int32_t i = image.LowestPage(); i <= image.HighestPage(); ++i) {
        std::span<const std::uint8_t> page = image.GetPage(i);
        if (page.empty())
            continue;
        if (!step(i * image.PageSize(), page))
            return;
        done += page.size();
        ReportProgress(done, total);
    }
}

Variant Device::ProgImage(const std::string& fileName, FlashImage& image)
{
    Variant result;
    std::vector<std::uint32_t> values;
    ForEachPage(fileName, image, result, [&](std::int32_t address, std::span<const std::uint8_t> page) {
        if (!HasFlashBlocks())
            return true;
        values.assign(page.begin(), page.end());
        const LinkResult outcome = WriteFlashBlock(address, values);
        if (!outcome.ok()) {
            result = Fail(outcome);
            return false;
        }
        result = Variant::I4(0);
        return true;
    });
    return result;
}

Variant Device::VerifyImage(const std::string& fileName, FlashImage& image)
{
    Variant result = Variant::I4(0);
    std::vector<std::uint32_t> values;
    ForEachPage(fileName, image, result, [&](std::int32_t address, std::span<const std::uint8_t> page) {
        if (!HasFlashBlocks()) {
            SetError(result, 0, BoardTexts::kNoDataAccess);
            return false;
        }
        values.clear();
        const LinkResult outcome = ReadFlashBlock(address, image.PageSize(), values);
        if (!outcome.ok()) {
            result = Fail(outcome);
            return false;
        }
        // A byte the board did not return has not been verified: a short
        // read fails at the first such byte rather than passing.
        for (std::size_t k = 0; k < page.size(); ++k) {
            if (k >= values.size() || values[k] != page[k]) {
                SetError(result, address + static_cast<std::int32_t>(k), "Verify Error at Addr");
                return false;
            }
        }
        return true;
    });
    return result;
}
