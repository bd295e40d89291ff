#pragma once

#include "automation/core/Variant.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Reads an ADSP-21xx executable image file: a first line starting with
// ESC ESC 'i', then sections opened by "@P" (program memory) or "@D" (data
// memory), each with an address line and one hexadecimal word a line, closed
// by a line starting with '#'; a line starting with ESC ESC 'o' ends the file.
// Words are handed to the block writer in blocks of at most 200, with the
// memory their section names and their address in that memory.
class ProgramImageLoader {
public:
    static constexpr std::size_t kBlockWords = 200;

    // The memory a section is meant for: its header says, never its address.
    enum class Section { Program,
                         Data };

    // Writes `words` at `address` of the memory of `section` and returns the
    // write's result; a VT_ERROR or VT_NULL result stops the load.
    using BlockWriter = std::function<Variant(const std::vector<std::uint32_t>& words, Section section,
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
    // Writes the buffered words at the section address and advances it;
    // false when the write failed.
    bool WriteBuffered(Outcome& outcome);

    BlockWriter writer_;
    Section section_ = Section::Program;
    std::uint32_t sectionAddress_ = 0;
    std::vector<std::uint32_t> buffered_;
};
