#include "configurator/ConfigTextReader.h"

#include <climits>
#include <cstdint>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

}  // namespace

void ConfigTextReader::SkipBlanks()
{
    while (pos_ < text_.size() && IsBlank(text_[pos_]))
        ++pos_;
}

bool ConfigTextReader::ReadInt(int& field)
{
    const std::size_t start = pos_;
    SkipBlanks();
    std::size_t p = pos_;
    bool negative = false;
    if (p < text_.size() && (text_[p] == '-' || text_[p] == '+')) {
        negative = text_[p] == '-';
        ++p;
    }
    if (p >= text_.size() || !IsDigit(text_[p])) {
        pos_ = start;
        return false;
    }
    constexpr std::int64_t kLimit = static_cast<std::int64_t>(INT_MAX) + 1;
    std::int64_t value = 0;
    for (; p < text_.size() && IsDigit(text_[p]); ++p) {
        if (value <= kLimit)
            value = value * 10 + (text_[p] - '0');
    }
    pos_ = p;
    if (negative)
        value = -value;
    if (value > INT_MAX || value < INT_MIN)
        return false;
    field = static_cast<int>(value);
    return true;
}

bool ConfigTextReader::ReadWord(std::string& word)
{
    SkipBlanks();
    const std::size_t start = pos_;
    while (pos_ < text_.size() && !IsBlank(text_[pos_]))
        ++pos_;
    word.assign(text_.substr(start, pos_ - start));
    return !word.empty();
}

bool ConfigTextReader::ReadNextLine(std::string& line, std::size_t maxChars)
{
    line.clear();
    while (pos_ < text_.size() && text_[pos_] != '\n')
        ++pos_;
    if (pos_ >= text_.size())
        return false;
    ++pos_;
    const std::size_t start = pos_;
    std::size_t end = start;
    while (end < text_.size() && text_[end] != '\n')
        ++end;
    pos_ = end;
    std::string_view content = text_.substr(start, end - start);
    if (!content.empty() && content.back() == '\r')
        content.remove_suffix(1);
    content = content.substr(0, content.find('\0'));
    line.assign(content.substr(0, maxChars));
    return true;
}
