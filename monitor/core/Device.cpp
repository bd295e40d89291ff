#include "monitor/core/Device.h"

#include "automation/core/VariantConversion.h"
#include "monitor/core/BoardTexts.h"
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
    return ReadFlashBlock(address, count);
}

Variant Device::WriteFlash(std::int32_t address, Variant& data)
{
    return WriteFlashBlock(address, data);
}

Variant Device::ReadMemory(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t)
{
    return Variant();
}

Variant Device::WriteMemory(std::int32_t, Variant&, std::int32_t, std::int32_t, std::int32_t)
{
    return Variant();
}

Variant Device::ReadFlashBlock(std::int32_t, std::int32_t)
{
    return Variant();
}

Variant Device::WriteFlashBlock(std::int32_t, Variant&)
{
    return Variant();
}

bool Device::LoadFailed(const std::string& fileName, FlashImage& image, Variant& result)
{
    std::int32_t loadError = image.Load(fileName);
    if (loadError == 0)
        return false;
    SetError(result, loadError, "Error opening file");
    return true;
}

std::uint64_t Device::PresentBytes(const FlashImage& image)
{
    std::uint64_t bytes = 0;
    for (std::int32_t i = image.LowestPage(); i <= image.HighestPage(); ++i)
        bytes += image.GetPage(i).size();
    return bytes;
}

Variant Device::ProgImage(const std::string& fileName, FlashImage& image)
{
    Variant result;
    if (LoadFailed(fileName, image, result))
        return result;
    const std::uint64_t total = PresentBytes(image);
    std::uint64_t done = 0;
    ReportProgress(done, total);
    for (std::int32_t i = image.LowestPage(); i <= image.HighestPage(); ++i) {
        std::span<const std::uint8_t> page = image.GetPage(i);
        if (page.empty())
            continue;
        SafeArray bytes = SafeArray::Vector(VT_UI1, page.size());
        for (std::size_t k = 0; k < page.size(); ++k)
            bytes.set(k, Variant::UI1(page[k]));
        Variant data = Variant::Array(std::move(bytes));
        result = WriteFlashBlock(i * image.PageSize(), data);
        if (result.IsErrorResult())
            return result;
        done += page.size();
        ReportProgress(done, total);
    }
    return result;
}

namespace {

// Element k of a flash read as a 32-bit integer: array elements, or the
// value itself for a scalar (k = 0 only). Nothing when it is not a number.
std::optional<std::int32_t> ReadElement(const Variant& data, std::size_t k)
{
    const Variant& element = data.IsArray() ? data.array().at(k) : data;
    if (element.vt() == VT_I4)
        return element.i4();
    std::optional<Variant> converted = ChangeType(element, VT_I4);
    if (!converted)
        return std::nullopt;
    return converted->i4();
}

}  // namespace

Variant Device::VerifyImage(const std::string& fileName, FlashImage& image)
{
    Variant result = Variant::I4(0);
    if (LoadFailed(fileName, image, result))
        return result;
    const std::uint64_t total = PresentBytes(image);
    std::uint64_t done = 0;
    ReportProgress(done, total);
    for (std::int32_t i = image.LowestPage(); i <= image.HighestPage(); ++i) {
        std::span<const std::uint8_t> page = image.GetPage(i);
        if (page.empty())
            continue;
        const std::int32_t pageAddress = i * image.PageSize();
        Variant data = ReadFlashBlock(pageAddress, image.PageSize());
        if (data.IsErrorResult())
            return data;
        if (data.IsEmpty() || data.IsByRef()) {
            SetError(result, 0, BoardTexts::kNoDataAccess);
            return result;
        }
        const std::size_t returned = data.IsArray() ? data.array().size() : 1;
        // A byte the board did not return has not been verified: a short
        // read fails at the first such byte rather than passing.
        for (std::size_t k = 0; k < page.size(); ++k) {
            std::optional<std::int32_t> value;
            if (k < returned)
                value = ReadElement(data, k);
            if (!value || *value != page[k]) {
                SetError(result, pageAddress + static_cast<std::int32_t>(k), "Verify Error at Addr");
                return result;
            }
        }
        done += page.size();
        ReportProgress(done, total);
    }
    return result;
}
