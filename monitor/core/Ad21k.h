#pragma once

#include "monitor/core/Device.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Family class of the ADSP-21k floating-point targets. Turns the script
// members into four hooks, one per memory space and direction, that each
// board implements; the members of a memory whose hooks a board leaves alone
// answer with VT_EMPTY.
//
// Dispatch map (positions 1 to 6): LoadSym, LoadProg, ReadDM, WriteDM,
// ReadPM, WritePM.
class Ad21k : public Device {
public:
    Ad21k() = default;

    static const DispatchMap& Map();
    const DispatchMap& GetDispatchMap() const override { return Map(); }

    // Automation members, in dispatch map order. LoadSym and LoadProg do nothing.
    Variant LoadSym(const std::string& fileName);
    Variant LoadProg(const std::string& fileName);

    // Space 2 is program memory, any other data memory. Formats 6 and 7 on a
    // read relabel a scalar VT_I4 result as VT_R4 with the same bits.
    Variant ReadMemory(std::int32_t address, std::int32_t count, std::int32_t format, std::int32_t space,
                       std::int32_t extra) override;
    Variant WriteMemory(std::int32_t address, Variant& data, std::int32_t format, std::int32_t space,
                        std::int32_t extra) override;

    // Board hooks, 32-bit words each way; Has... says whether a board has them.
    virtual bool HasDataMemory() const { return false; }
    virtual bool HasProgramMemory() const { return false; }
    virtual LinkResult ReadDataMemory(std::int32_t address, std::int32_t count, std::vector<std::uint32_t>& words);
    virtual LinkResult WriteDataMemory(std::int32_t address, std::span<const std::uint32_t> words);
    virtual LinkResult ReadProgramMemory(std::int32_t address, std::int32_t count, std::vector<std::uint32_t>& words);
    virtual LinkResult WriteProgramMemory(std::int32_t address, std::span<const std::uint32_t> words);
};
