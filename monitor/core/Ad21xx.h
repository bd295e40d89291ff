#pragma once

#include "monitor/core/Device.h"

#include <cstdint>
#include <string>
#include <vector>

// Family class of the ADSP-21xx fixed-point targets. Turns the script
// members into the two per-space hooks each board implements (ReadSpace,
// WriteSpace) and the flash block hooks of Device.
class Ad21xx : public Device {
public:
    // Memory spaces of ReadSpace/WriteSpace.
    enum BoardSpace : std::int32_t { DataSpace = 0, ProgramSpace = 1, IoSpace = 2 };

    static constexpr std::int32_t kFlashPageSize = 256;
    // LoadProg writes a data section into program space at this base plus its
    // address, where the 2181 monitor shows data memory.
    static constexpr std::uint32_t kDataSectionBase = 0x4000;

    Ad21xx() = default;

    static const DispatchMap& Map();
    const DispatchMap& GetDispatchMap() const override { return Map(); }

    // Automation members, in dispatch map order.
    Variant ReadDM(std::int32_t address, std::int32_t count, std::int32_t format, std::int32_t extra);
    Variant WriteDM(std::int32_t address, Variant& data, std::int32_t format, std::int32_t extra);
    // Virtual so that a board whose link needs other conventions can load otherwise.
    virtual Variant LoadProg(const std::string& fileName);
    Variant ReadPM(std::int32_t address, std::int32_t count, std::int32_t format, std::int32_t extra);
    Variant WritePM(std::int32_t address, Variant& data, std::int32_t format, std::int32_t extra);
    Variant ProgFlash(const std::string& fileName);
    Variant VerifyFlash(const std::string& fileName);
    Variant ReadIO(std::int32_t address, std::int32_t count);
    Variant WriteIO(std::int32_t address, Variant& data);

    Variant ReadMemory(std::int32_t address, std::int32_t count, std::int32_t format,
                       std::int32_t space, std::int32_t extra) override;
    Variant WriteMemory(std::int32_t address, Variant& data, std::int32_t format,
                        std::int32_t space, std::int32_t extra) override;

    // Board hooks; the base implementations return VT_EMPTY.
    virtual Variant ReadSpace(std::int32_t address, std::int32_t count, std::int32_t space);
    virtual Variant WriteSpace(std::int32_t address, Variant& data, std::int32_t space);

    // The program word for program address 0 from the last LoadProg; the
    // board writes it when it starts the program.
    std::int32_t HeldStartWord() const { return heldStartWord_; }

protected:
    // Writes words at `address` of program space with WriteSpace; the word
    // for address 0 is held back as the start word instead.
    Variant WriteProgramBlock(const std::vector<std::uint32_t>& words, std::uint32_t address);

private:
    std::int32_t heldStartWord_ = 0;
};
