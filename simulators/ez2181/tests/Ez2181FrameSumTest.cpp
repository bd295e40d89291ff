#include "simulators/ez2181/Ez2181FrameSum.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<std::uint8_t> WithCheckBytes(std::vector<std::uint8_t> frame)
{
    Ez2181FrameSum sum;
    for (std::uint8_t b : frame)
        sum.Add(b);
    const std::uint8_t check1 = sum.CheckByte();
    sum.Add(check1);
    frame.push_back(check1);
    frame.push_back(sum.CheckByte());
    return frame;
}

}  // namespace

TEST(Ez2181FrameSum, ResetRequestGetsItsKnownCheckBytes)
{
    EXPECT_EQ(WithCheckBytes({0xFA, 0xFF, 0x03, 0x04}),
              (std::vector<std::uint8_t>{0xFA, 0xFF, 0x03, 0x04, 0x08, 0xF5}));
}

TEST(Ez2181FrameSum, ReadDataMemoryRequestGetsItsKnownCheckBytes)
{
    EXPECT_EQ(WithCheckBytes({0xFA, 0xFF, 0x08, 0x02, 0x00, 0x00, 0x40, 0x10, 0x04}),
              (std::vector<std::uint8_t>{0xFA, 0xFF, 0x08, 0x02, 0x00, 0x00, 0x40, 0x10, 0x04, 0xAA, 0xFB}));
}

TEST(Ez2181FrameSum, ByteFFCountsAsZero)
{
    EXPECT_EQ(WithCheckBytes({0xFA, 0x00, 0x03, 0xFE}),
              (std::vector<std::uint8_t>{0xFA, 0x00, 0x03, 0xFE, 0x12, 0xF0}));
    EXPECT_EQ(WithCheckBytes({0xFA, 0xFF, 0x03, 0xFE}),
              (std::vector<std::uint8_t>{0xFA, 0xFF, 0x03, 0xFE, 0x12, 0xF0}));
}

TEST(Ez2181FrameSum, ReceiverSumsAreZeroOnlyForAnUnspoiledFrame)
{
    const std::vector<std::uint8_t> frame{0xFA, 0xFF, 0x07, 0x03, 0x00, 0x00, 0x00, 0x00, 0xE9, 0x11};
    Ez2181FrameSum sum;
    for (std::uint8_t b : frame)
        sum.Add(b);
    EXPECT_TRUE(sum.IsZero());

    sum.Reset();
    for (std::size_t i = 0; i < frame.size(); ++i)
        sum.Add(i == 5 ? 0x01 : frame[i]);
    EXPECT_FALSE(sum.IsZero());
}

TEST(Ez2181FrameSum, CheckByteIsNeverZero)
{
    // A fresh sum gives 255; a sum whose two parts add up to 0 modulo 255 as well.
    Ez2181FrameSum sum;
    EXPECT_EQ(sum.CheckByte(), 255);
    for (int b = 0; b < 256; ++b) {
        sum.Reset();
        sum.Add(static_cast<std::uint8_t>(b));
        EXPECT_NE(sum.CheckByte(), 0) << b;
    }
}
