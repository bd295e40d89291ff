#include "simulators/ptyline/FaultSpec.h"

#include <gtest/gtest.h>

namespace {

TEST(FaultSpecTest, KindAlone)
{
    const auto spec = FaultSpec::Parse("silence");
    ASSERT_TRUE(spec);
    EXPECT_EQ(spec->kind, "silence");
    EXPECT_EQ(spec->request, 1u);
    EXPECT_FALSE(spec->value);
}

TEST(FaultSpecTest, RequestAndValueDecimalOrHexadecimal)
{
    const auto spec = FaultSpec::Parse("descriptor@3=0x80050003");
    ASSERT_TRUE(spec);
    EXPECT_EQ(spec->kind, "descriptor");
    EXPECT_EQ(spec->request, 3u);
    EXPECT_EQ(spec->value, 0x80050003u);
    EXPECT_EQ(FaultSpec::Parse("garbage=12")->value, 12u);
}

TEST(FaultSpecTest, MalformedTextsAreRefused)
{
    for (const char* text : {"", "@2", "late@0", "late@x", "count=", "count=0x", "count=12a", "count=4294967296"})
        EXPECT_FALSE(FaultSpec::Parse(text)) << text;
}

}  // namespace
