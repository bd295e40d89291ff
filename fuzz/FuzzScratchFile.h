#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A file in memory that a fuzz target fills with each input, for readers that
// take a file name: an anonymous memory file reached through its
// /proc/self/fd path, so that no input touches a disk.
class FuzzScratchFile {
public:
    FuzzScratchFile();
    ~FuzzScratchFile();
    FuzzScratchFile(const FuzzScratchFile&) = delete;
    FuzzScratchFile& operator=(const FuzzScratchFile&) = delete;

    // Replaces the file's contents; aborts when it cannot be written, since
    // every input after that would test nothing.
    void Write(const std::uint8_t* data, std::size_t size);
    const std::string& Path() const { return path_; }

private:
    int fd_ = -1;
    std::string path_;
};
