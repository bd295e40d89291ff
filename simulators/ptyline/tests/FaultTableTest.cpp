#include "simulators/ptyline/FaultTable.h"

#include <gtest/gtest.h>

namespace {

enum class Kind { Quiet,
                  Loud,
                  Slow };

TEST(FaultTableTest, ReadsWhatEachKindTakes)
{
    const FaultTable<Kind> table{{{"quiet", Kind::Quiet, FaultValue::None},
                                  {"loud", Kind::Loud, FaultValue::Optional, 0xFF, 0x15},
                                  {"slow", Kind::Slow, FaultValue::Required, 99, std::nullopt, true}},
                                 {.times = true}};
    struct Case {
        const char* text;
        std::optional<Kind> kind;  // nullopt: refused
        unsigned request = 1;
        std::optional<std::uint32_t> value = std::nullopt;
        unsigned times = 1;
        unsigned skip = 0;
    };
    const Case cases[] = {
        {"quiet", Kind::Quiet},
        {"quiet@3*0", Kind::Quiet, 3, std::nullopt, 0},
        {"loud", Kind::Loud, 1, 0x15},
        {"loud=0xFF", Kind::Loud, 1, 0xFF},
        {"slow+2=99", Kind::Slow, 1, 99, 1, 2},
        {"quiet=1", std::nullopt},
        {"loud=256", std::nullopt},
        {"slow", std::nullopt},
        {"slow=100", std::nullopt},
        {"loud+1", std::nullopt},
        {"loud@1000001", std::nullopt},
        {"noisy", std::nullopt},
    };
    for (const Case& c : cases) {
        std::string mistake;
        const auto fault = table.Read(c.text, mistake);
        ASSERT_EQ(fault.has_value(), c.kind.has_value()) << c.text << ": " << mistake;
        EXPECT_EQ(mistake.empty(), c.kind.has_value()) << c.text;
        if (!fault)
            continue;
        EXPECT_EQ(fault->kind, *c.kind) << c.text;
        EXPECT_EQ(fault->request, c.request) << c.text;
        EXPECT_EQ(fault->value, c.value) << c.text;
        EXPECT_EQ(fault->times, c.times) << c.text;
        EXPECT_EQ(fault->skip, c.skip) << c.text;
    }
}

TEST(FaultTableTest, EachProgramWordsItsMistakes)
{
    const auto tableWorded = [](FaultWording wording) {
        return FaultTable<Kind>{{{"quiet", Kind::Quiet, FaultValue::None}}, {.requests = false, .wording = wording}};
    };
    const FaultTable<Kind> badOrUnknown = tableWorded(FaultWording::BadOrUnknown);
    EXPECT_EQ(badOrUnknown.Mistake("quiet"), "");
    EXPECT_EQ(badOrUnknown.Mistake("noisy=3"), "unknown fault noisy");
    EXPECT_EQ(badOrUnknown.Mistake("quiet=3"), "bad fault quiet=3");
    EXPECT_EQ(badOrUnknown.Mistake("quiet@2"), "bad fault quiet@2");
    EXPECT_EQ(badOrUnknown.Mistake("=3"), "bad fault =3");
    EXPECT_EQ(tableWorded(FaultWording::UnknownQuoted).Mistake("quiet=3"), "unknown fault \"quiet=3\"");
    EXPECT_EQ(tableWorded(FaultWording::NotAFault).Mistake("noisy"), "not a fault: noisy");

    // What the command line took, read again by the program.
    FaultRequest request;
    request.kind = "quiet";
    EXPECT_EQ(badOrUnknown.ReadAll({request}).at(0).kind, Kind::Quiet);
}

}  // namespace
