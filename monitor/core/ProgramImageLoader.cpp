#include "monitor/core/ProgramImageLoader.h"

#include "monitor/core/TextLineReader.h"

namespace {

constexpr char kEscape = '\x1B';

bool StartsWithEscapes(const std::string& line, char letter)
{
    return line.size() >= 3 && line[0] == kEscape && line[1] == kEscape && line[2] == letter;
}

// The hexadecimal number at the start of the line after optional blanks, up
// to the first character that is not a hexadecimal digit; only its low 32
// bits are kept.
std::uint32_t ParseWord(const std::string& line)
{
    std::size_t i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
        ++i;
    std::uint32_t value = 0;
    for (; i < line.size(); ++i) {
        char c = line[i];
        std::uint32_t digit = 0;
        if (c >= '0' && c <= '9')
            digit = static_cast<std::uint32_t>(c - '0');
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<std::uint32_t>(c - 'A' + 10);
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<std::uint32_t>(c - 'a' + 10);
        else
            break;
        value = (value << 4) | digit;
    }
    return value;
}

}  // namespace

bool ProgramImageLoader::WriteBuffered(Outcome& outcome)
{
    outcome.result = writer_(buffered_, section_, sectionAddress_);
    if (outcome.result.IsErrorResult())
        return false;
    sectionAddress_ += static_cast<std::uint32_t>(buffered_.size());
    buffered_.clear();
    return true;
}

ProgramImageLoader::Outcome ProgramImageLoader::Load(const std::string& fileName)
{
    Outcome outcome{Variant::I4(0), nullptr};
    section_ = Section::Program;
    sectionAddress_ = 0;
    buffered_.clear();

    TextLineReader reader;
    if (!reader.Open(fileName)) {
        outcome.error = "Can not open file";
        return outcome;
    }
    std::string line;
    if (!reader.Next(line) || !StartsWithEscapes(line, 'i')) {
        outcome.error = "File format not correct";
        return outcome;
    }

    bool expectingHeader = true;
    bool addressPending = false;
    while (reader.Next(line)) {
        if (StartsWithEscapes(line, 'o'))
            break;
        if (!line.empty() && line[0] == '@') {
            const char type = line.size() > 1 ? line[1] : '\0';
            if (type == 'B') {
                outcome.error = "@BO or @BA types not supported";
                return outcome;
            }
            if (type != 'P' && type != 'D') {
                outcome.error = "Unrecognized @xx field";
                return outcome;
            }
            // Words of a section that was never closed would be lost here.
            if (!buffered_.empty())
                break;
            section_ = type == 'P' ? Section::Program : Section::Data;
            addressPending = true;
            expectingHeader = false;
        } else if (!line.empty() && line[0] == '#') {
            if (!buffered_.empty() && !WriteBuffered(outcome))
                return outcome;
            expectingHeader = true;
        } else if (expectingHeader) {
            outcome.error = "@ symbol expected in .exe file";
            return outcome;
        } else if (addressPending) {
            sectionAddress_ = ParseWord(line);
            buffered_.clear();
            addressPending = false;
        } else {
            if (buffered_.size() == kBlockWords && !WriteBuffered(outcome))
                return outcome;
            buffered_.push_back(ParseWord(line));
        }
    }
    // A section still holding words was not closed by '#': its words were
    // never written, so the load must not report success.
    if (!buffered_.empty())
        outcome.error = "Section not closed by # in .exe file";
    return outcome;
}
