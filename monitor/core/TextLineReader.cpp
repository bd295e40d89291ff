#include "monitor/core/TextLineReader.h"

#include "platform/RegularFile.h"

#include <algorithm>
#include <cstring>
#include <unistd.h>

namespace {
constexpr std::size_t kBufferSize = 64 * 1024;
}

TextLineReader::~TextLineReader()
{
    Close();
}

bool TextLineReader::Open(const std::string& fileName)
{
    Close();
    // Only a regular file is read: a FIFO or a device would wait for its writer.
    const int fd = RegularFile::OpenForReading(fileName);
    if (fd < 0)
        return false;
    file_ = ::fdopen(fd, "rb");
    if (file_ == nullptr) {
        ::close(fd);
        return false;
    }
    buffer_.resize(kBufferSize);
    return true;
}

void TextLineReader::Close()
{
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
    position_ = 0;
    filled_ = 0;
}

bool TextLineReader::Fill(std::size_t count)
{
    if (filled_ - position_ >= count)
        return true;
    std::memmove(buffer_.data(), buffer_.data() + position_, filled_ - position_);
    filled_ -= position_;
    position_ = 0;
    while (filled_ < count) {
        std::size_t read = std::fread(buffer_.data() + filled_, 1, buffer_.size() - filled_, file_);
        if (read == 0)
            return false;
        filled_ += read;
    }
    return true;
}

bool TextLineReader::SkipLineEnd()
{
    if (Fill(1) && buffer_[position_] == '\n') {
        ++position_;
        return true;
    }
    if (Fill(2) && buffer_[position_] == '\r' && buffer_[position_ + 1] == '\n') {
        position_ += 2;
        return true;
    }
    return false;
}

bool TextLineReader::Next(std::string& line)
{
    line.clear();
    if (file_ == nullptr)
        return false;
    while (line.size() < kMaxLineLength) {
        if (!Fill(1))
            return !line.empty();
        // Take the characters up to the next possible line end in one piece.
        const char* begin = buffer_.data() + position_;
        const std::size_t available = std::min(filled_ - position_, kMaxLineLength - line.size());
        const char* end = std::find_if(begin, begin + available,
                                       [](char c) { return c == '\n' || c == '\r'; });
        line.append(begin, end);
        position_ += static_cast<std::size_t>(end - begin);
        if (end == begin + available)
            continue;
        if (SkipLineEnd())
            return true;
        // A carriage return that is not followed by a newline is an ordinary character.
        line.push_back(buffer_[position_++]);
    }
    // 199 characters read: a line end right here still belongs to this line.
    SkipLineEnd();
    return true;
}
