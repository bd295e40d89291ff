#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Progress of a long call as a client shows it: "37% (97024 of 262144 bytes)",
// one line each time the work passes another step of whole percents.
class ProgressLine {
public:
    static constexpr int kDefaultStep = 5;

    explicit ProgressLine(int stepPercent = kDefaultStep) : step_(stepPercent) {}

    // The line for this report, or nullopt while the work has not reached the
    // next step since the last line. The first report gets a line, and so
    // does completion. A report below the last one starts a new run.
    std::optional<std::string> Next(std::uint64_t done, std::uint64_t total);

    // Whole percent done, rounded down; 100 for nothing to do, at most 100.
    static int Percent(std::uint64_t done, std::uint64_t total);
    static std::string Text(std::uint64_t done, std::uint64_t total);

private:
    int step_;
    int lastShown_ = -1;
};
