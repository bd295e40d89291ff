#include "simulators/dspq47/Q47Fault.h"

#include <gtest/gtest.h>

TEST(Q47FaultTest, ParsesEveryKind)
{
    EXPECT_EQ(Q47Fault::Parse("none"), (Q47Fault{Q47FaultKind::None, 0}));
    EXPECT_EQ(Q47Fault::Parse("silence"), (Q47Fault{Q47FaultKind::Silence, 0}));
    EXPECT_EQ(Q47Fault::Parse("wrong-ack"), (Q47Fault{Q47FaultKind::WrongAcknowledge, 0x15}));
    EXPECT_EQ(Q47Fault::Parse("wrong-ack=0x4E"), (Q47Fault{Q47FaultKind::WrongAcknowledge, 0x4E}));
    EXPECT_EQ(Q47Fault::Parse("wrong-ack=7"), (Q47Fault{Q47FaultKind::WrongAcknowledge, 7}));
    EXPECT_EQ(Q47Fault::Parse("stop-in-row=40"), (Q47Fault{Q47FaultKind::StopInRow, 40}));
    EXPECT_EQ(Q47Fault::Parse("stop-after-rows"), (Q47Fault{Q47FaultKind::StopAfterRows, 0}));
    EXPECT_EQ(Q47Fault::Parse("bad-checksum"), (Q47Fault{Q47FaultKind::BadChecksum, 0}));
}

TEST(Q47FaultTest, RefusesUnknownNamesAndNumbersOutOfRange)
{
    EXPECT_FALSE(Q47Fault::Parse(""));
    EXPECT_FALSE(Q47Fault::Parse("loud"));
    EXPECT_FALSE(Q47Fault::Parse("stop-in-row"));
    EXPECT_FALSE(Q47Fault::Parse("stop-in-row=100"));
    EXPECT_FALSE(Q47Fault::Parse("stop-in-row=4x"));
    EXPECT_FALSE(Q47Fault::Parse("wrong-ack=256"));
    EXPECT_FALSE(Q47Fault::Parse("wrong-ack="));
}
