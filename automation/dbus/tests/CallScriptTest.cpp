#include "automation/call/CallScript.h"

#include <gtest/gtest.h>

namespace {

Variant Parse(std::string_view text)
{
    std::string error;
    const auto value = CallScript::ParseValue(text, error);
    EXPECT_TRUE(value.has_value()) << text << ": " << error;
    return value.value_or(Variant());
}

std::string ErrorOf(std::string_view text)
{
    std::string error;
    EXPECT_FALSE(CallScript::ParseValue(text, error).has_value()) << text;
    return error;
}

TEST(CallScriptTest, NumbersTextAndKeywords)
{
    EXPECT_EQ(Parse("12"), Variant::I4(12));
    EXPECT_EQ(Parse("-7"), Variant::I4(-7));
    EXPECT_EQ(Parse("0x1F"), Variant::I4(31));
    EXPECT_EQ(Parse("4294967296"), Variant::I8(4294967296));
    EXPECT_EQ(Parse("1.5"), Variant::R8(1.5));
    EXPECT_EQ(Parse("-2e3"), Variant::R8(-2000.0));
    EXPECT_EQ(Parse("\"a\\\"b\\\\c\\x00\\xFF\\n\""), Variant::Bstr(std::string("a\"b\\c\0\xFF\n", 8)));
    EXPECT_EQ(Parse("/tmp/dsp.bnm"), Variant::Bstr("/tmp/dsp.bnm"));
    EXPECT_EQ(Parse("true"), Variant::Bool(true));
    EXPECT_EQ(Parse("null"), Variant::Null());
    EXPECT_EQ(Parse("empty"), Variant());
}

TEST(CallScriptTest, TypedNumbersAreRangeChecked)
{
    EXPECT_EQ(Parse("i2:-5"), Variant::I2(-5));
    EXPECT_EQ(Parse("UI1:255"), Variant::UI1(255));
    EXPECT_EQ(Parse("r4:1.5"), Variant::R4(1.5f));
    EXPECT_EQ(Parse("ui8:18446744073709551615"), Variant::UI8(UINT64_MAX));
    EXPECT_EQ(ErrorOf("ui1:256"), "not a ui1 value: ui1:256");
    EXPECT_EQ(ErrorOf("i1:-129"), "not a i1 value: i1:-129");
}

TEST(CallScriptTest, ArraysTakeTheNarrowestCommonType)
{
    const Variant ints = Parse("[1, 2, 3]");
    ASSERT_EQ(ints.vt(), VT_ARRAY | VT_I4);
    EXPECT_EQ(ints.array().size(), 3u);
    EXPECT_EQ(ints.array().at(2), Variant::I4(3));
    EXPECT_EQ(Parse("[1, 2.5]").vt(), VT_ARRAY | VT_R8);
    EXPECT_EQ(Parse("[1, 2.5]").array().at(0), Variant::R8(1.0));
    const Variant mixed = Parse("[1, \"x\", [2]]");
    ASSERT_EQ(mixed.vt(), VT_ARRAY | VT_VARIANT);
    EXPECT_EQ(mixed.array().at(1), Variant::Bstr("x"));
    EXPECT_EQ(mixed.array().at(2).vt(), VT_ARRAY | VT_I4);
    EXPECT_EQ(Parse("[]").array().size(), 0u);
    EXPECT_EQ(ErrorOf("[1, 2"), "expected ',' or ']'");
    EXPECT_EQ(ErrorOf("\"open"), "unterminated text");
}

TEST(CallScriptTest, StepsOfTheThreeKinds)
{
    std::string error;
    const auto get = CallScript::ParseStep("ErrorString", error);
    ASSERT_TRUE(get);
    EXPECT_EQ(get->kind, CallScript::Step::Kind::Call);
    EXPECT_TRUE(get->args.empty());

    const auto put = CallScript::ParseStep("ErrorMethod=2", error);
    ASSERT_TRUE(put);
    EXPECT_EQ(put->kind, CallScript::Step::Kind::Put);
    EXPECT_EQ(put->member, "ErrorMethod");
    EXPECT_EQ(put->args, std::vector<Variant>{Variant::I4(2)});

    const auto call = CallScript::ParseStep("WriteDM(0x100, [1, 2], 0, \"a=b, c\")", error);
    ASSERT_TRUE(call) << error;
    EXPECT_EQ(call->member, "WriteDM");
    ASSERT_EQ(call->args.size(), 4u);
    EXPECT_EQ(call->args[0], Variant::I4(256));
    EXPECT_EQ(call->args[1].vt(), VT_ARRAY | VT_I4);
    EXPECT_EQ(call->args[3], Variant::Bstr("a=b, c"));

    // Unquoted text may hold blanks, so that paths need no quotes.
    const auto path = CallScript::ParseStep("ProgFlash(/tmp/my file.bnm)", error);
    ASSERT_TRUE(path);
    EXPECT_EQ(path->args, std::vector<Variant>{Variant::Bstr("/tmp/my file.bnm")});

    const auto none = CallScript::ParseStep("PowerOn()", error);
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->args.empty());

    EXPECT_FALSE(CallScript::ParseStep("Bad Name", error));
    EXPECT_EQ(error, "not a member name: Bad Name");
    EXPECT_FALSE(CallScript::ParseStep("Add(\"a\" 2)", error));
    EXPECT_EQ(error, "expected ',' between the arguments of Add");
}

TEST(CallScriptTest, ResultsArePrintedForScripts)
{
    EXPECT_EQ(CallScript::Format(Variant()), "");
    EXPECT_EQ(CallScript::Format(Variant::Null()), "null");
    EXPECT_EQ(CallScript::Format(Variant::Error(12)), "error 12");
    EXPECT_EQ(CallScript::Format(Variant::Bool(true)), "true");
    EXPECT_EQ(CallScript::Format(Variant::UI1(200)), "200");
    EXPECT_EQ(CallScript::Format(Variant::R8(0.1)), "0.1");
    EXPECT_EQ(CallScript::Format(Variant::Cy(-12345)), "-1.2345");
    EXPECT_EQ(CallScript::Format(Variant::Bstr("raw \"text\"")), "raw \"text\"");

    SafeArray grid = *SafeArray::Create(VT_I2, {{2, 0}, {3, 1}});
    for (std::size_t i = 0; i < grid.size(); ++i) grid.set(i, Variant::I2(static_cast<std::int16_t>(i)));
    EXPECT_EQ(CallScript::Format(Variant::Array(grid)), "[[0, 1, 2], [3, 4, 5]]");
    SafeArray texts = SafeArray::Vector(VT_VARIANT, 2);
    texts.set(0, Variant::Bstr("a\"\x01"));
    EXPECT_EQ(CallScript::Format(Variant::Array(texts)), "[\"a\\\"\\x01\", empty]");
}

}  // namespace
