#include "monitor/core/Tic3x.h"

const DispatchMap& Tic3x::Map()
{
    static const DispatchMap map = DispatchMap::Builder<Tic3x, Device>()
                                       .Method("ReadMem", &Tic3x::ReadMem)    // 1
                                       .Method("WriteMem", &Tic3x::WriteMem)  // 2
                                       .Build();
    return map;
}

Variant Tic3x::ReadMem(std::int32_t address, std::int32_t count, std::int32_t format, std::int32_t extra)
{
    return ReadMemory(address, count, format, 0, extra);
}

Variant Tic3x::WriteMem(std::int32_t address, Variant& data, std::int32_t format, std::int32_t extra)
{
    return WriteMemory(address, data, format, 0, extra);
}

Variant Tic3x::WriteMemory(std::int32_t, Variant& data, std::int32_t, std::int32_t, std::int32_t)
{
    return data;
}
