#pragma once

#include "automation/Variant.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Reads an ADSP-21xx executable image file: a first line starting with
// ESC ESC 'i', then sections opened by "@P" (program memory) or "@D" (data
// memory, written at 0x4000 plus its address), each with an address line and
// one hexadecimal word a line, closed by a line starting with '#'; a line
// starting with ESC ESC 'o' ends the file. Words are handed to the block
// writer in blocks of at most 200.
class ProgramImageLoader {
public:
    static constexpr std::size_t kBlockWords = 200;
    static constexpr std::uint32_t kDataMemoryBase = 0x4000;

    // Writes `words` at `address` of program space and returns the write's
    // result; a VT_ERROR or VT_NULL result stops the load.
    using BlockWriter = std::function<Variant(const std::vector<std::uint32_t>& words,
                                              std::uint32_t address)>;

    struct Outcome {
        // The result of the last block written (VT_I4 0 when none was), or
        // the failed result of the block write that stopped the load.
        Variant result;
        // The text of a fault of the file itself (recorded with code 0), or
        // null when there was none.
        const char* error = nullptr;
    };

    explicit ProgramImageLoader(BlockWriter writer) : writer_(std::move(writer)) {}

    Outcome Load(const std::string& fileName);

private:
    // Writes the buffered words at base + section address and advances the
    // section address; false when the write failed.
    bool WriteBuffered(Outcome& outcome);

    BlockWriter writer_;
    std::uint32_t base_ = 0;
    std::uint32_t sectionAddress_ = 0;
    std::vector<std::uint32_t> buffered_;
};
