#pragma once

#include "monitor/core/Device.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Family class of the ADSP-21xx fixed-point targets. Turns the script
// members into the two per-space hooks each board implements (ReadSpace,
// WriteSpace) and the flash block hooks of Device.
class Ad21xx : public Device {
public:
    // Memory spaces of ReadSpace/WriteSpace.
    enum BoardSpace : std::int32_t { DataSpace = 0,
                                     ProgramSpace = 1,
                                     IoSpace = 2 };

    static constexpr std::int32_t kFlashPageSize = 256;
    // Where the 2181 monitor shows data memory in program space: LoadProg writes
    // a data section at this base plus its address, and the 2181 link reads and
    // writes data memory there.
    static constexpr std::uint32_t kDataSectionBase = 0x4000;

    Ad21xx() = default;

    static const DispatchMap& Map();
    const DispatchMap& GetDispatchMap() const override { return Map(); }

    // Automation members, in dispatch map order.
    // Virtual so that a board whose link needs other conventions can load otherwise.
    virtual Variant LoadProg(const std::string& fileName);
    Variant ProgFlash(const std::string& fileName);
    Variant VerifyFlash(const std::string& fileName);
    Variant ReadIO(std::int32_t address, std::int32_t count);
    Variant WriteIO(std::int32_t address, Variant& data);

    Variant ReadMemory(std::int32_t address, std::int32_t count, std::int32_t format,
                       std::int32_t space, std::int32_t extra) override;
    Variant WriteMemory(std::int32_t address, Variant& data, std::int32_t format,
                        std::int32_t space, std::int32_t extra) override;

    // Board hooks of the memory spaces. A board without them answers the
    // memory members with VT_EMPTY and sends nothing.
    virtual bool HasSpaces() const { return false; }
    // Bits of a word of `space`: 32 words travel as VT_I4, 16 as VT_I2.
    virtual std::int32_t WordBits(std::int32_t) const { return 32; }
    virtual LinkResult ReadSpace(std::int32_t address, std::int32_t count, std::int32_t space,
                                 std::vector<std::uint32_t>& words);
    virtual LinkResult WriteSpace(std::int32_t address, std::span<const std::uint32_t> words, std::int32_t space);

    // The program word for program address 0 from the last LoadProg; the
    // board writes it when it starts the program.
    std::int32_t HeldStartWord() const { return heldStartWord_; }

protected:
    // Writes words at `address` of program space with WriteSpace; the word
    // for address 0 is held back as the start word instead.
    Variant WriteProgramBlock(const std::vector<std::uint32_t>& words, std::uint32_t address);
    // The automation edge of the space hooks: the words read as the array the
    // script gets, the script's data as words.
    Variant ReadWords(std::int32_t address, std::int32_t count, std::int32_t space);
    Variant WriteWords(std::int32_t address, const Variant& data, std::int32_t space);

private:
    std::int32_t heldStartWord_ = 0;
};
