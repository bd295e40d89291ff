#pragma once

#include "monitor/core/Device.h"

#include <cstdint>

// A target built around a TI C3x processor, with no connection to any
// hardware: reading gives an empty result, writing hands the written data
// back. It has no class factory, so clients cannot create it.
//
// Dispatch map (positions 1 and 2): ReadMem, WriteMem; both reach space 0.
class Tic3x : public Device {
public:
    Tic3x() = default;

    static const DispatchMap& Map();
    const DispatchMap& GetDispatchMap() const override { return Map(); }

    Variant ReadMem(std::int32_t address, std::int32_t count, std::int32_t format, std::int32_t extra);
    Variant WriteMem(std::int32_t address, Variant& data, std::int32_t format, std::int32_t extra);

    // Returns a copy of `data`, arrays included.
    Variant WriteMemory(std::int32_t address, Variant& data, std::int32_t format, std::int32_t space,
                        std::int32_t extra) override;
};
