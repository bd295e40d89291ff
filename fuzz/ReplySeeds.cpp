#include "fuzz/ReplySeeds.h"

#include "automation/core/SafeArray.h"

#include <fstream>
#include <string_view>

namespace ReplySeeds {

std::optional<std::filesystem::path> FolderAsked(int argc, char** argv)
{
    constexpr std::string_view kOption = "-write_seeds=";
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument.starts_with(kOption)) return std::filesystem::path(argument.substr(kOption.size()));
    }
    return std::nullopt;
}

void Save(const std::filesystem::path& corpus, const std::string& target, const std::string& name,
          const Bytes& header, const Bytes& transcript)
{
    std::filesystem::create_directories(corpus / target);
    std::ofstream file(corpus / target / name, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
    file.write(reinterpret_cast<const char*>(transcript.data()), static_cast<std::streamsize>(transcript.size()));
}

TranscriptLine::Device Flattened(ByteDevice& device)
{
    return [&device](std::span<const std::uint8_t> bytes) {
        if (!bytes.empty())
            device.Receive(bytes);
        Bytes out;
        for (const ByteDevice::Output& piece : device.TakeOutput())
            out.insert(out.end(), piece.bytes.begin(), piece.bytes.end());
        return out;
    };
}

Variant Values(std::initializer_list<std::int32_t> values)
{
    SafeArray array = SafeArray::Vector(VT_I4, values.size());
    std::size_t i = 0;
    for (std::int32_t value : values)
        array.set(i++, Variant::I4(value));
    return Variant::Array(std::move(array));
}

}  // namespace ReplySeeds
