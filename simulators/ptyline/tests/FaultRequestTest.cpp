#include "simulators/ptyline/FaultRequest.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

namespace {

// Each part of the form read into its field; what is not given keeps its default.
TEST(FaultRequestTest, EachPartOfTheFormIsRead)
{
    struct Case {
        const char* text;
        const char* kind;
        std::uint32_t request;
        bool requestGiven;
        std::optional<unsigned> times;
        std::optional<unsigned> skip;
        std::optional<std::uint32_t> value;
    };
    const Case cases[] = {
        {"silence", "silence", 1, false, std::nullopt, std::nullopt, std::nullopt},
        {"descriptor@3=0x80050003", "descriptor", 3, true, std::nullopt, std::nullopt, 0x80050003u},
        {"garbage=12", "garbage", 1, false, std::nullopt, std::nullopt, 12u},
        {"stall@2*3+0x10=7", "stall", 2, true, 3u, 16u, 7u},
        {"status*0", "status", 1, false, 0u, std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        const auto fault = FaultRequest::Parse(c.text);
        ASSERT_TRUE(fault) << c.text;
        EXPECT_EQ(fault->kind, c.kind) << c.text;
        EXPECT_EQ(fault->request, c.request) << c.text;
        EXPECT_EQ(fault->requestGiven, c.requestGiven) << c.text;
        EXPECT_EQ(fault->times, c.times) << c.text;
        EXPECT_EQ(fault->skip, c.skip) << c.text;
        EXPECT_EQ(fault->value, c.value) << c.text;
    }
}

TEST(FaultRequestTest, MalformedTextsAreRefused)
{
    for (const char* text : {"", "@2", "late@0", "late@x", "count=", "count=0x", "count=12a", "count=4294967296",
                             "stall*", "stall+", "stall+2*3", "*2", "late@4294967296"})
        EXPECT_FALSE(FaultRequest::Parse(text)) << text;
}

}  // namespace
