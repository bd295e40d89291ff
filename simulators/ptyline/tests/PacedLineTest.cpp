#include "simulators/ptyline/PacedLine.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

namespace {
const PacedLine::Clock::time_point t0 = PacedLine::Clock::time_point{} + 1h;
}

TEST(PacedLine, ByteTimeIsTenBitTimes)
{
    EXPECT_EQ(PacedLine::ByteTime(9600), 1'041'666ns);
    EXPECT_EQ(PacedLine::ByteTime(38400), 260'416ns);
    EXPECT_EQ(PacedLine::ByteTime(0), 0ns);
}

TEST(PacedLine, UnpacedBytesAreDueAtOnce)
{
    PacedLine line;
    line.Put(Bytes{1, 2, 3}, t0, 0);
    EXPECT_EQ(line.Due(t0), (Bytes{1, 2, 3}));
}

TEST(PacedLine, BurstDrainsAtTheLineRate)
{
    PacedLine line;
    line.Put(Bytes{1, 2, 3}, t0, 10000);  // one byte a millisecond
    EXPECT_TRUE(line.Due(t0).empty());
    EXPECT_EQ(line.NextDue(), t0 + 1ms);
    EXPECT_EQ(line.Due(t0 + 1ms), (Bytes{1}));
    EXPECT_EQ(line.Due(t0 + 2ms + 500us), (Bytes{1, 2}));
    line.Drop(2);
    EXPECT_EQ(line.NextDue(), t0 + 3ms);
    EXPECT_EQ(line.Due(t0 + 3ms), (Bytes{3}));
    line.Drop(1);
    EXPECT_TRUE(line.Empty());
    EXPECT_FALSE(line.NextDue().has_value());
}

TEST(PacedLine, BytesQueueBehindABusyLine)
{
    PacedLine line;
    line.Put(Bytes{1, 2}, t0, 10000);
    line.Put(Bytes{3}, t0 + 1ms, 10000);  // the line is busy until t0 + 2 ms
    line.Drop(line.Due(t0 + 2ms).size());
    EXPECT_EQ(line.NextDue(), t0 + 3ms);
}

TEST(PacedLine, IdleLineStartsAfresh)
{
    PacedLine line;
    line.Put(Bytes{1}, t0, 10000);
    line.Drop(1);
    line.Put(Bytes{2}, t0 + 10ms, 10000);
    EXPECT_EQ(line.NextDue(), t0 + 11ms);
}
