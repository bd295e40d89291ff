#include "simulators/ptyline/FaultSchedule.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

enum class Kind { Quiet,
                  Loud };

struct Fault {
    Kind kind = Kind::Loud;
    unsigned request = 1;
    std::optional<std::uint32_t> value;
};

TEST(FaultScheduleTest, FaultsComeDueAtTheirRequest)
{
    FaultSchedule<Fault> schedule(Kind::Quiet);
    schedule.Add({Kind::Loud, 2, 7});
    schedule.Add({Kind::Loud, 2, 8});
    bool silent = true;
    EXPECT_TRUE(schedule.Next(silent).empty());
    EXPECT_FALSE(silent);
    const std::vector<Fault> due = schedule.Next(silent);
    ASSERT_EQ(due.size(), 2u);
    EXPECT_EQ(due[0].value, 7u);
    EXPECT_EQ(due[1].value, 8u);
    EXPECT_TRUE(schedule.Next(silent).empty());
}

TEST(FaultScheduleTest, SilenceForACountOrUntilCleared)
{
    FaultSchedule<Fault> schedule(Kind::Quiet);
    schedule.Add({Kind::Quiet, 1, 2});
    bool silent = false;
    schedule.Next(silent);
    EXPECT_TRUE(silent);
    schedule.Next(silent);
    EXPECT_TRUE(silent);
    schedule.Next(silent);
    EXPECT_FALSE(silent);
    schedule.Add({Kind::Quiet, 1, std::nullopt});
    for (int i = 0; i < 3; ++i) {
        schedule.Next(silent);
        EXPECT_TRUE(silent);
    }
    schedule.Clear();
    schedule.Next(silent);
    EXPECT_FALSE(silent);
}

}  // namespace

TEST(FaultScheduleTest, EndingTheSilenceKeepsTheFaultsNotYetDue)
{
    FaultSchedule<Fault> schedule(Kind::Quiet);
    schedule.Add({Kind::Quiet, 1, std::nullopt});
    schedule.Add({Kind::Loud, 3, 9});
    bool silent = false;
    schedule.Next(silent);
    EXPECT_TRUE(schedule.Silent());
    EXPECT_EQ(schedule.PendingCount(), 1u);
    schedule.EndSilence();
    EXPECT_FALSE(schedule.Silent());
    EXPECT_TRUE(schedule.Next(silent).empty());
    EXPECT_FALSE(silent);
    const std::vector<Fault> due = schedule.Next(silent);
    ASSERT_EQ(due.size(), 1u);
    EXPECT_EQ(due[0].value, 9u);
    EXPECT_EQ(schedule.PendingCount(), 0u);
}

TEST(FaultScheduleTest, StandingFaultsStrikeAtTheirOwnOccasions)
{
    FaultSchedule<Fault> schedule;
    schedule.AddStanding({Kind::Loud, 1, 5}, 2);  // twice
    schedule.AddStanding({Kind::Quiet, 1, 6});    // until cleared
    // Requests leave standing faults alone.
    bool silent = true;
    EXPECT_TRUE(schedule.Next(silent).empty());
    EXPECT_FALSE(silent);

    ASSERT_NE(schedule.Find(Kind::Loud), nullptr);
    EXPECT_EQ(schedule.Find(Kind::Loud)->value, 5u);
    EXPECT_TRUE(schedule.Strikes(Kind::Loud));
    EXPECT_TRUE(schedule.Strikes(Kind::Loud));
    EXPECT_FALSE(schedule.Strikes(Kind::Loud));
    EXPECT_EQ(schedule.Find(Kind::Loud), nullptr);
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(schedule.Strikes(Kind::Quiet));
    schedule.Clear();
    EXPECT_FALSE(schedule.Strikes(Kind::Quiet));
    EXPECT_EQ(schedule.Find(Kind::Quiet), nullptr);
}

TEST(FaultScheduleTest, AStandingFaultLetsItsSkipGoByBeforeEachStrike)
{
    FaultSchedule<Fault> schedule;
    schedule.AddStanding({Kind::Loud, 1, 1}, 2, 2);
    schedule.AddStanding({Kind::Loud, 1, 2}, 1, 2);
    // Both are due at the third occasion; one strikes there, the other at the next.
    std::vector<bool> struck;
    for (int i = 0; i < 8; ++i)
        struck.push_back(schedule.Strikes(Kind::Loud));
    EXPECT_EQ(struck, (std::vector<bool>{false, false, true, true, false, true, false, false}));
    EXPECT_EQ(schedule.PendingCount(), 0u);
}
