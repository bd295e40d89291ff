#include "automation/dbus/ProgressLine.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<std::string> LinesFor(ProgressLine& line, std::uint64_t total, std::uint64_t step)
{
    std::vector<std::string> lines;
    for (std::uint64_t done = 0;; done = std::min(done + step, total)) {
        if (auto text = line.Next(done, total)) lines.push_back(*text);
        if (done == total) break;
    }
    return lines;
}

TEST(ProgressLineTest, TextGivesPercentRoundedDownAndTheBytes)
{
    EXPECT_EQ(ProgressLine::Text(97024, 262144), "37% (97024 of 262144 bytes)");
    EXPECT_EQ(ProgressLine::Text(262143, 262144), "99% (262143 of 262144 bytes)");
    EXPECT_EQ(ProgressLine::Text(262144, 262144), "100% (262144 of 262144 bytes)");
    EXPECT_EQ(ProgressLine::Text(0, 0), "100% (0 of 0 bytes)");
    EXPECT_EQ(ProgressLine::Percent(UINT64_MAX - 1, UINT64_MAX), 99);
    EXPECT_EQ(ProgressLine::Percent(7, 3), 100);
}

TEST(ProgressLineTest, PageByPageGivesALineEveryFivePercent)
{
    ProgressLine line;
    const auto lines = LinesFor(line, 262144, 256);
    ASSERT_EQ(lines.size(), 21u);
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(lines[i].substr(0, lines[i].find('%')), std::to_string(i * 5)) << lines[i];
    EXPECT_EQ(lines.back(), "100% (262144 of 262144 bytes)");
}

TEST(ProgressLineTest, BigStepsGetALineEachAndANewRunStartsOver)
{
    ProgressLine line;
    EXPECT_EQ(LinesFor(line, 768, 256),
              (std::vector<std::string>{"0% (0 of 768 bytes)", "33% (256 of 768 bytes)", "66% (512 of 768 bytes)",
                                        "100% (768 of 768 bytes)"}));
    EXPECT_EQ(line.Next(0, 100), "0% (0 of 100 bytes)");
    EXPECT_EQ(line.Next(4, 100), std::nullopt);
    EXPECT_EQ(line.Next(5, 100), "5% (5 of 100 bytes)");
    EXPECT_EQ(line.Next(5, 100), std::nullopt);
    // Completion is shown even when it is less than a step from the last line.
    EXPECT_EQ(line.Next(99, 100), "99% (99 of 100 bytes)");
    EXPECT_EQ(line.Next(100, 100), "100% (100 of 100 bytes)");
    EXPECT_EQ(line.Next(100, 100), std::nullopt);
}

}  // namespace
