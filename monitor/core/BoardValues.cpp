#include "monitor/core/BoardValues.h"

#include "automation/core/VariantConversion.h"

namespace {

template <class Word>
std::optional<std::vector<Word>> WordsOf(const Variant& data, VarType elementType)
{
    std::optional<std::vector<Variant>> elements = ConvertToElements(data, elementType);
    if (!elements)
        return std::nullopt;
    std::vector<Word> words;
    words.reserve(elements->size());
    for (const Variant& element : *elements)
        words.push_back(static_cast<Word>(element.ui4()));
    return words;
}

template <class Word, class Element>
Variant ArrayOf(std::span<const Word> words, VarType elementType, Element element)
{
    SafeArray array = SafeArray::Vector(elementType, words.size());
    for (std::size_t i = 0; i < words.size(); ++i)
        array.set(i, element(words[i]));
    return Variant::Array(std::move(array));
}

}  // namespace

bool BoardValues::ArrayCanHold(std::int64_t count)
{
    return count >= 0 && static_cast<std::uint64_t>(count) <= SafeArray::kMaxElements;
}

std::optional<std::vector<std::uint32_t>> BoardValues::Words32(const Variant& data)
{
    return WordsOf<std::uint32_t>(data, VT_I4);
}

std::optional<std::vector<std::uint16_t>> BoardValues::Words16(const Variant& data)
{
    return WordsOf<std::uint16_t>(data, VT_I2);
}

std::optional<std::vector<std::uint8_t>> BoardValues::Bytes(const Variant& data)
{
    return WordsOf<std::uint8_t>(data, VT_UI1);
}

std::optional<std::vector<std::uint8_t>> BoardValues::Bytes(std::span<const std::uint32_t> values)
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(values.size());
    for (std::uint32_t value : values) {
        if (value > 0xFF)
            return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(value));
    }
    return bytes;
}

Variant BoardValues::I4Array(std::span<const std::uint32_t> words)
{
    return ArrayOf(words, VT_I4, [](std::uint32_t word) { return Variant::I4(static_cast<std::int32_t>(word)); });
}

Variant BoardValues::I2Array(std::span<const std::uint16_t> words)
{
    return ArrayOf(words, VT_I2, [](std::uint16_t word) { return Variant::I2(static_cast<std::int16_t>(word)); });
}

Variant BoardValues::I4Array(std::span<const std::uint8_t> bytes)
{
    return ArrayOf(bytes, VT_I4, [](std::uint8_t byte) { return Variant::I4(byte); });
}

void BoardValues::ApplyFloatFormat(Variant& result, std::int32_t format)
{
    if ((format == 6 || format == 7) && result.vt() == VT_I4)
        result.Relabel(VT_R4);
}
