#include "simulators/ptyline/FaultRequest.h"

#include <gtest/gtest.h>

namespace {

TEST(FaultRequestTest, KindAlone)
{
    const auto fault = FaultRequest::Parse("silence");
    ASSERT_TRUE(fault);
    EXPECT_EQ(fault->kind, "silence");
    EXPECT_EQ(fault->request, 1u);
    EXPECT_FALSE(fault->value);
}

TEST(FaultRequestTest, RequestAndValueDecimalOrHexadecimal)
{
    const auto fault = FaultRequest::Parse("descriptor@3=0x80050003");
    ASSERT_TRUE(fault);
    EXPECT_EQ(fault->kind, "descriptor");
    EXPECT_EQ(fault->request, 3u);
    EXPECT_EQ(fault->value, 0x80050003u);
    EXPECT_EQ(FaultRequest::Parse("garbage=12")->value, 12u);
}

TEST(FaultRequestTest, TimesAndSkip)
{
    const auto fault = FaultRequest::Parse("stall@2*3+0x10=7");
    ASSERT_TRUE(fault);
    EXPECT_EQ(fault->kind, "stall");
    EXPECT_EQ(fault->request, 2u);
    EXPECT_TRUE(fault->requestGiven);
    EXPECT_EQ(fault->times, 3u);
    EXPECT_EQ(fault->skip, 16u);
    EXPECT_EQ(fault->value, 7u);
    const auto plain = FaultRequest::Parse("status*0");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->times, 0u);
    EXPECT_FALSE(plain->skip);
    EXPECT_FALSE(plain->requestGiven);
}

TEST(FaultRequestTest, MalformedTextsAreRefused)
{
    for (const char* text : {"", "@2", "late@0", "late@x", "count=", "count=0x", "count=12a", "count=4294967296",
                             "stall*", "stall+", "stall+2*3", "*2", "late@4294967296"})
        EXPECT_FALSE(FaultRequest::Parse(text)) << text;
}

}  // namespace
