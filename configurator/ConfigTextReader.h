#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Reads the values of a configuration file one after the other, the way a tolerant
// scanf-style reader does: any amount of blank space and line ends may come before a
// number or a word, and a value that cannot be read leaves the reader where it was.
class ConfigTextReader {
public:
    explicit ConfigTextReader(std::string_view text) : text_(text) {}

    // Reads a decimal number (optional sign) into `field`. Letters, the end of the text or
    // a number beyond the int range leave `field` unchanged and return false.
    bool ReadInt(int& field);

    // Reads a word up to the next blank or line end; false and an empty word at the end
    // of the text.
    bool ReadWord(std::string& word);

    // Passes over the rest of the current line, its line end included, then reads the
    // next line: at most `maxChars` characters, without its line end (LF or CR LF) and up
    // to a NUL byte. False and an empty line at the end of the text.
    bool ReadNextLine(std::string& line, std::size_t maxChars);

private:
    void SkipBlanks();

    std::string_view text_;
    std::size_t pos_ = 0;
};
