// Fuzz target: an ADSP-21xx executable image loaded with LoadProg into a
// board that takes every block: the file reader and the family's block
// writes, with the start word held back.
#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzScratchFile.h"
#include "monitor/core/Ad21xx.h"
#include "monitor/core/ProgramImageLoader.h"

namespace {

// Takes every program space write and checks its shape.
class BlockCheckingBoard : public Ad21xx {
public:
    bool HasSpaces() const override { return true; }
    LinkResult WriteSpace(std::int32_t address, std::span<const std::uint32_t> words, std::int32_t space) override
    {
        FUZZ_CHECK(space == ProgramSpace);
        FUZZ_CHECK(address != 0);  // the word for address 0 is held back
        FUZZ_CHECK(words.size() >= 1 && words.size() <= ProgramImageLoader::kBlockWords);
        ++writes;
        return {};
    }

    int writes = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static FuzzScratchFile file;
    file.Write(data, size);
    BlockCheckingBoard board;
    const Variant result = board.LoadProg(file.Path());
    FUZZ_CHECK(result.vt() == VT_I4 || result.vt() == VT_NULL);
    if (result.vt() == VT_NULL)
        FUZZ_CHECK(!board.GetErrorString().empty());
    return 0;
}
