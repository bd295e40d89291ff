#include "monitor/core/Ad21k.h"

#include "monitor/core/BoardValues.h"

const DispatchMap& Ad21k::Map()
{
    static const DispatchMap map = DispatchMap::Builder<Ad21k, Device>()
                                       .Method("LoadSym", &Ad21k::LoadSym)    // 1
                                       .Method("LoadProg", &Ad21k::LoadProg)  // 2
                                       .Method("ReadDM", &Ad21k::ReadDM)      // 3
                                       .Method("WriteDM", &Ad21k::WriteDM)    // 4
                                       .Method("ReadPM", &Ad21k::ReadPM)      // 5
                                       .Method("WritePM", &Ad21k::WritePM)    // 6
                                       .Build();
    return map;
}

Variant Ad21k::LoadSym(const std::string&)
{
    return Variant();
}

Variant Ad21k::LoadProg(const std::string&)
{
    return Variant();
}

Variant Ad21k::ReadMemory(std::int32_t address, std::int32_t count, std::int32_t format, std::int32_t space,
                          std::int32_t)
{
    const bool program = space == ProgramMemory;
    if (!(program ? HasProgramMemory() : HasDataMemory()))
        return Variant();
    std::vector<std::uint32_t> words;
    const LinkResult outcome =
        program ? ReadProgramMemory(address, count, words) : ReadDataMemory(address, count, words);
    if (!outcome.ok())
        return Fail(outcome);
    Variant result = BoardValues::I4Array(words);
    BoardValues::ApplyFloatFormat(result, format);
    return result;
}

Variant Ad21k::WriteMemory(std::int32_t address, Variant& data, std::int32_t, std::int32_t space, std::int32_t)
{
    const bool program = space == ProgramMemory;
    if (!(program ? HasProgramMemory() : HasDataMemory()))
        return Variant();
    std::optional<std::vector<std::uint32_t>> words = BoardValues::Words32(data);
    if (!words)
        return Fail(LinkResult{LinkResult::NoDataAccess});
    return Result(program ? WriteProgramMemory(address, *words) : WriteDataMemory(address, *words));
}

LinkResult Ad21k::ReadDataMemory(std::int32_t, std::int32_t, std::vector<std::uint32_t>&)
{
    return {};
}

LinkResult Ad21k::WriteDataMemory(std::int32_t, std::span<const std::uint32_t>)
{
    return {};
}

LinkResult Ad21k::ReadProgramMemory(std::int32_t, std::int32_t, std::vector<std::uint32_t>&)
{
    return {};
}

LinkResult Ad21k::WriteProgramMemory(std::int32_t, std::span<const std::uint32_t>)
{
    return {};
}
