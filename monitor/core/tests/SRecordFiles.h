#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

class FlashImage;

// A temporary folder for the files a test makes; removed with its contents
// when the test ends.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Full path of a file in the folder.
    std::string Path(const std::string& name) const;
    // Writes `bytes` to the named file and returns its path.
    std::string Write(const std::string& name, const std::string& bytes) const;

private:
    std::string path_;
};

std::string ReadWholeFile(const std::string& path);

// Runs srec_cat with the arguments; true when it exits with status 0.
bool RunSrecCat(const std::vector<std::string>& arguments);

// Blocks of bytes by start address.
using ByteBlocks = std::map<std::uint32_t, std::vector<std::uint8_t>>;

// Writes the blocks as an S-record file with 24-bit addresses (S0, S2 and
// S8 records) made by srec_cat, and returns its path.
std::string MakeSRecordFile(const TempFolder& folder, const std::string& name,
                            const ByteBlocks& blocks,
                            const std::vector<std::string>& extraOutputOptions = {});

// srec_cat's own binary image of an S-record file from address 0 up to
// (not including) `end`, bytes that the file does not set being 0xFF.
std::string SrecCatBinary(const std::string& srecordPath, std::uint32_t end);

// Bytes 0..n-1 of a repeatable pseudo-random sequence.
std::vector<std::uint8_t> PatternBytes(std::size_t n, std::uint32_t seed);

// Checks every present page of `image` against the same 256 bytes of `binary`
// (a 0xFF-filled binary of the file, as srec_cat makes it) and that exactly
// `expectedPages` are present.
void ExpectPagesEqualBinary(const FlashImage& image, const std::string& binary,
                            const std::set<std::int32_t>& expectedPages);
