#pragma once

#include <cstdio>
#include <string>
#include <vector>

// Reads a text file line by line the way the program and flash file loaders
// see it: at most 199 characters of a line at a time. A longer line is split
// and its remainder comes back as the next line. The line end ("\n" or
// "\r\n") is not part of the line. Any byte value, including 0, is kept.
class TextLineReader {
public:
    static constexpr std::size_t kMaxLineLength = 199;

    TextLineReader() = default;
    ~TextLineReader();
    TextLineReader(const TextLineReader&) = delete;
    TextLineReader& operator=(const TextLineReader&) = delete;

    // Opens the file for reading; false when it cannot be opened or is not a
    // regular file (a FIFO, a device or a folder), without waiting for it.
    bool Open(const std::string& fileName);
    void Close();

    // The next line into `line`; false at the end of the file.
    bool Next(std::string& line);

private:
    // Makes at least `count` unread bytes available; false at the end of
    // the file before that many.
    bool Fill(std::size_t count);
    // Consumes "\n" or "\r\n" if it follows; true when it did.
    bool SkipLineEnd();

    std::FILE* file_ = nullptr;
    std::vector<char> buffer_;  // bytes read from the file; position_ to filled_ are unread
    std::size_t position_ = 0;
    std::size_t filled_ = 0;
};
