#pragma once

#include "monitor/core/AutoBase.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

class FlashImage;

// Base of every target-device automation class. Boards implement the memory
// and flash hooks; the family classes build their members on them, and the
// two loops here program and verify a flash image file page by page.
class Device : public AutoBase {
public:
    // Memory spaces of ReadMemory/WriteMemory; the family classes take
    // anything but ProgramMemory as data memory.
    enum Space : std::int32_t { DataMemory = 1,
                                ProgramMemory = 2 };

    Device() = default;

    static const DispatchMap& Map();
    const DispatchMap& GetDispatchMap() const override { return Map(); }

    // Automation members, in dispatch map order.
    Variant ReadSym(const std::string& fileName);
    Variant FindSym(const std::string& name, std::int32_t value);
    Variant WriteSym(const std::string& name, const Variant& value);
    Variant ReadFlash(std::int32_t address, std::int32_t count);
    Variant WriteFlash(std::int32_t address, Variant& data);

    // The families' memory members (ReadDM, WriteDM, ReadPM, WritePM in their maps):
    // ReadMemory and WriteMemory on the data or the program memory.
    Variant ReadDM(std::int32_t address, std::int32_t count, std::int32_t format, std::int32_t extra);
    Variant WriteDM(std::int32_t address, Variant& data, std::int32_t format, std::int32_t extra);
    Variant ReadPM(std::int32_t address, std::int32_t count, std::int32_t format, std::int32_t extra);
    Variant WritePM(std::int32_t address, Variant& data, std::int32_t format, std::int32_t extra);

    // The family's memory members; each base implementation returns VT_EMPTY
    // and records nothing.
    virtual Variant ReadMemory(std::int32_t address, std::int32_t count, std::int32_t format,
                               std::int32_t space, std::int32_t extra);
    virtual Variant WriteMemory(std::int32_t address, Variant& data, std::int32_t format,
                                std::int32_t space, std::int32_t extra);

    // Board hooks of the flash. A board without them answers ReadFlash and
    // WriteFlash with VT_EMPTY and sends nothing.
    virtual bool HasFlashBlocks() const { return false; }
    // Reads `count` flash values, one byte value each, into `values`.
    virtual LinkResult ReadFlashBlock(std::int32_t address, std::int32_t count, std::vector<std::uint32_t>& values);
    // Programs `values` (a page of an image file, or a script's values) into flash at `address`.
    virtual LinkResult WriteFlashBlock(std::int32_t address, std::span<const std::uint32_t> values);

protected:
    // Loads the file into the (empty) image and writes every present page,
    // lowest first, with WriteFlashBlock. Both loops report progress in bytes
    // of the present pages: 0 before the first page, then after each page.
    Variant ProgImage(const std::string& fileName, FlashImage& image);
    // Loads the file into the (empty) image and compares every present page
    // with the flash read by ReadFlashBlock.
    Variant VerifyImage(const std::string& fileName, FlashImage& image);

private:
    // Loads the file into the image and calls `step` with the flash address and the bytes
    // of each present page, lowest first, reporting progress; stops early when `step`
    // returns false. A file that does not load leaves its error in `result`.
    void ForEachPage(const std::string& fileName, FlashImage& image, Variant& result,
                     const std::function<bool(std::int32_t address, std::span<const std::uint8_t> page)>& step);
    static std::uint64_t PresentBytes(const FlashImage& image);
};
