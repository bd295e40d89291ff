#pragma once

#include <mutex>
#include <ostream>
#include <streambuf>
#include <string>

// An output stream that passes whole lines on to another stream, each behind a
// prefix, under a lock that the other writers of that stream share: the boards
// of a run on several ports print through one each ("com2: Power is ON"), and
// their lines never mix.
class PrefixedLines : private std::streambuf {
public:
    PrefixedLines(std::ostream& target, std::mutex& lock, std::string prefix);
    // Passes on an unfinished last line.
    ~PrefixedLines() override;
    PrefixedLines(const PrefixedLines&) = delete;
    PrefixedLines& operator=(const PrefixedLines&) = delete;

    std::ostream& stream() { return stream_; }

private:
    int_type overflow(int_type c) override;
    void PassOn();

    std::ostream& target_;
    std::mutex& lock_;
    std::string prefix_;
    std::string line_;
    std::ostream stream_;
};
