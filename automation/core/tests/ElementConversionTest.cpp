#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "automation/core/VariantConversion.h"

namespace {

Variant ArrayOf(VarType type, std::vector<Variant> elements)
{
    auto array = SafeArray::FromElements(type, std::move(elements));
    EXPECT_TRUE(array);
    return Variant::Array(std::move(*array));
}

Variant One(VarType type, const Variant& element)
{
    return ArrayOf(type, {element});
}

// One sample value per source type of the table, chosen so that truncation
// and kept low bits show: 70000 is 0x11170.
Variant Sample(VarType type)
{
    switch (type) {
    case VT_I2: return Variant::I2(-2);
    case VT_I4: return Variant::I4(70000);
    case VT_R4: return Variant::R4(-3.75f);
    case VT_R8: return Variant::R8(70000.9);
    default: return Variant::UI1(200);
    }
}

struct Cell {
    VarType source;
    VarType target;
    Variant expected;
};

HRESULT Convert(const Variant& in, VarType target, Variant& out)
{
    out = Variant::Bstr("untouched");
    return ConvertTo(in, target, out);
}

}  // namespace

TEST(ConvertTo, TableCellByCell)
{
    const Cell cells[] = {
        {VT_I2, VT_I2, Variant::I2(-2)},  // same type: unchanged
        {VT_I2, VT_I4, Variant::I4(-2)},
        {VT_I2, VT_R4, Variant::R4(-2.0f)},
        {VT_I2, VT_R8, Variant::R8(-2.0)},
        {VT_I2, VT_UI1, Variant::UI1(254)},
        {VT_I4, VT_I2, Variant::I2(4464)},
        {VT_I4, VT_I4, Variant::I4(70000)},
        {VT_I4, VT_R4, Variant::R4(70000.0f)},
        {VT_I4, VT_R8, Variant::R8(70000.0)},
        {VT_I4, VT_UI1, Variant::UI1(0x70)},
        {VT_R4, VT_I2, Variant::I2(-3)},
        {VT_R4, VT_I4, Variant::I4(-3)},
        {VT_R4, VT_R4, Variant::R4(-3.75f)},  // same type: unchanged
        {VT_R4, VT_R8, Variant::R8(-3.75)},
        {VT_R4, VT_UI1, Variant::UI1(253)},
        {VT_R8, VT_I2, Variant::I2(4464)},
        {VT_R8, VT_I4, Variant::I4(70000)},
        {VT_R8, VT_R4, Variant::R4(static_cast<float>(70000.9))},
        {VT_R8, VT_R8, Variant::R8(70000.9)},  // same type: unchanged
        {VT_R8, VT_UI1, Variant::UI1(0x70)},
        {VT_UI1, VT_I2, Variant::I2(200)},
        {VT_UI1, VT_I4, Variant::I4(200)},
        {VT_UI1, VT_R4, Variant::R4(200.0f)},
        {VT_UI1, VT_R8, Variant::R8(200.0)},
        {VT_UI1, VT_UI1, Variant::UI1(200)},
    };
    for (const auto& cell : cells) {
        Variant out;
        const Variant in = One(cell.source, Sample(cell.source));
        ASSERT_EQ(Convert(in, cell.target, out), S_OK)
            << VarTypeName(cell.source) << " -> " << VarTypeName(cell.target);
        EXPECT_EQ(out, One(cell.target, cell.expected))
            << VarTypeName(cell.source) << " -> " << VarTypeName(cell.target);
    }
}

TEST(ConvertTo, SixteenBitArrayReachesSixteenBitTargetUnchanged)
{
    const Variant in = ArrayOf(VT_I2, {Variant::I2(-32768), Variant::I2(32767), Variant::I2(5)});
    Variant out;
    ASSERT_EQ(Convert(in, VT_I2, out), S_OK);
    EXPECT_EQ(out, in);
}

TEST(ConvertTo, SameTypeRuleCoversOtherTypesToo)
{
    const Variant in = ArrayOf(VT_BSTR, {Variant::Bstr("a")});
    Variant out;
    ASSERT_EQ(Convert(in, VT_BSTR, out), S_OK);
    EXPECT_EQ(out, in);
}

TEST(ConvertTo, FloatsTruncateTowardZero)
{
    const Variant in = ArrayOf(VT_R8, {Variant::R8(3.7), Variant::R8(-3.7), Variant::R8(2.5), Variant::R8(-0.9)});
    Variant out;
    ASSERT_EQ(Convert(in, VT_I4, out), S_OK);
    EXPECT_EQ(out, ArrayOf(VT_I4, {Variant::I4(3), Variant::I4(-3), Variant::I4(2), Variant::I4(0)}));
}

TEST(ConvertTo, NarrowingKeepsTheLowBits)
{
    const Variant in = ArrayOf(VT_I4, {Variant::I4(65), Variant::I4(66), Variant::I4(300), Variant::I4(-1),
                                       Variant::I4(0x12345678)});
    Variant bytes;
    ASSERT_EQ(Convert(in, VT_UI1, bytes), S_OK);
    EXPECT_EQ(bytes, ArrayOf(VT_UI1, {Variant::UI1(0x41), Variant::UI1(0x42), Variant::UI1(0x2C),
                                      Variant::UI1(0xFF), Variant::UI1(0x78)}));
    Variant words;
    ASSERT_EQ(Convert(in, VT_I2, words), S_OK);
    EXPECT_EQ(words.array().at(4), Variant::I2(0x5678));
    EXPECT_EQ(words.array().at(3), Variant::I2(-1));
    // A float beyond 32 bits keeps the low bits of its integer part.
    Variant big;
    ASSERT_EQ(Convert(One(VT_R8, Variant::R8(4294967298.5)), VT_I4, big), S_OK);
    EXPECT_EQ(big, One(VT_I4, Variant::I4(2)));
}

TEST(ConvertTo, ScalarsUseTheStandardConversion)
{
    Variant out;
    ASSERT_EQ(Convert(Variant::R8(3.7), VT_I4, out), S_OK);
    EXPECT_EQ(out, Variant::I4(4));  // rounds, unlike array elements
    ASSERT_EQ(Convert(Variant::Bstr("12"), VT_UI1, out), S_OK);
    EXPECT_EQ(out, Variant::UI1(12));
    EXPECT_EQ(Convert(Variant::Bstr("abc"), VT_UI1, out), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(out, Variant::Bstr("untouched"));
    EXPECT_EQ(Convert(Variant::I4(300), VT_UI1, out), DISP_E_OVERFLOW);
}

TEST(ConvertTo, OtherSourceElementTypesAreRefused)
{
    const Variant refused[] = {
        One(VT_BSTR, Variant::Bstr("1")),
        One(VT_BOOL, Variant::Bool(true)),
        One(VT_I8, Variant::I8(1)),
        One(VT_UI2, Variant::UI2(1)),
        One(VT_I1, Variant::I1(1)),
        One(VT_CY, Variant::Cy(1)),
        One(VT_UI4, Variant::UI4(1)),
        One(VT_DATE, Variant::Date(1)),
        One(VT_ERROR, Variant::Error(1)),
    };
    for (const auto& in : refused) {
        for (VarType target : {VT_I2, VT_I4, VT_R4, VT_R8, VT_UI1}) {
            Variant out;
            EXPECT_EQ(Convert(in, target, out), DISP_E_TYPEMISMATCH) << in << " -> " << VarTypeName(target);
            EXPECT_EQ(out, Variant::Bstr("untouched"));
        }
    }
}

TEST(ConvertTo, OtherTargetTypesAreRefusedForArrays)
{
    const Variant in = One(VT_I4, Variant::I4(1));
    for (VarType target : {VT_UI2, VT_BOOL, VT_BSTR, VT_I8, VT_I1, VT_UI4, VT_CY, VT_ERROR}) {
        Variant out;
        EXPECT_EQ(Convert(in, target, out), DISP_E_TYPEMISMATCH) << VarTypeName(target);
    }
    Variant out;
    EXPECT_EQ(Convert(in, VT_ARRAY | VT_I2, out), DISP_E_BADVARTYPE);
}

TEST(ConvertTo, VariantArraysOfTableTypesConvert)
{
    const Variant in = ArrayOf(VT_VARIANT, {Variant::I2(1), Variant::R8(2.9), Variant::UI1(3), Variant::I4(260)});
    Variant out;
    ASSERT_EQ(Convert(in, VT_UI1, out), S_OK);
    EXPECT_EQ(out, ArrayOf(VT_UI1, {Variant::UI1(1), Variant::UI1(2), Variant::UI1(3), Variant::UI1(4)}));
}

TEST(ConvertTo, VariantArraysWithOtherElementsAreRefused)
{
    Variant out;
    EXPECT_EQ(Convert(ArrayOf(VT_VARIANT, {Variant::I4(1), Variant::Bstr("2")}), VT_I4, out), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Convert(ArrayOf(VT_VARIANT, {Variant()}), VT_I4, out), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Convert(ArrayOf(VT_VARIANT, {One(VT_I4, Variant::I4(1))}), VT_I4, out), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(out, Variant::Bstr("untouched"));
}

TEST(ConvertTo, ValuesWithoutAnIntegerPartAreRefused)
{
    Variant out;
    for (double bad : {std::nan(""), std::numeric_limits<double>::infinity(), 1e30, -9.3e18}) {
        EXPECT_EQ(Convert(One(VT_R8, Variant::R8(bad)), VT_I4, out), DISP_E_OVERFLOW) << bad;
        EXPECT_EQ(out, Variant::Bstr("untouched"));
    }
    EXPECT_EQ(Convert(One(VT_R8, Variant::R8(1e300)), VT_R4, out), DISP_E_OVERFLOW);
    ASSERT_EQ(Convert(One(VT_R8, Variant::R8(std::numeric_limits<double>::infinity())), VT_R4, out), S_OK);
    EXPECT_TRUE(std::isinf(out.array().at(0).r4()));
}

TEST(ConvertTo, KeepsDimensionsAndGivesLowerBoundZero)
{
    auto grid = SafeArray::Create(VT_R8, {{2, 0}, {3, 0}});
    for (std::size_t i = 0; i < grid->size(); ++i)
        grid->set(i, Variant::R8(static_cast<double>(i) + 0.5));
    Variant out;
    ASSERT_EQ(Convert(Variant::Array(*grid), VT_I4, out), S_OK);
    EXPECT_EQ(out.array().dims(), (std::vector<SafeArray::Bound>{{2, 0}, {3, 0}}));
    EXPECT_EQ(out.array().at(5), Variant::I4(5));
}

TEST(ConvertTo, NonZeroLowerBoundIsRefused)
{
    auto shifted = SafeArray::Create(VT_I4, {{4, 1}});
    Variant out;
    EXPECT_EQ(Convert(Variant::Array(*shifted), VT_UI1, out), E_INVALIDARG);
    EXPECT_EQ(Convert(Variant::Array(*shifted), VT_I4, out), E_INVALIDARG);
    auto negative = SafeArray::Create(VT_I2, {{2, 0}, {2, -1}});
    EXPECT_EQ(Convert(Variant::Array(*negative), VT_I4, out), E_INVALIDARG);
    EXPECT_EQ(out, Variant::Bstr("untouched"));
}

TEST(ConvertTo, ByReferenceValuesAreRefused)
{
    Variant array = One(VT_I4, Variant::I4(1));
    Variant scalar = Variant::I4(1);
    Variant out;
    EXPECT_EQ(Convert(Variant::ByRef(&array), VT_I4, out), DISP_E_BADVARTYPE);
    EXPECT_EQ(Convert(Variant::ByRef(&scalar), VT_I4, out), DISP_E_BADVARTYPE);
    EXPECT_EQ(Convert(Variant::ByRef(nullptr), VT_I4, out), DISP_E_BADVARTYPE);
    EXPECT_EQ(out, Variant::Bstr("untouched"));
}

TEST(ConvertTo, EmptyArrayConvertsToEmptyArray)
{
    auto empty = SafeArray::Create(VT_I4, {{0, 0}});
    Variant out;
    ASSERT_EQ(Convert(Variant::Array(*empty), VT_UI1, out), S_OK);
    EXPECT_EQ(out.vt(), VT_ARRAY | VT_UI1);
    EXPECT_EQ(out.array().size(), 0u);
}

TEST(ConvertToElements, ScalarGivesOneElement)
{
    const auto elements = ConvertToElements(Variant::R8(65.2), VT_UI1);
    ASSERT_TRUE(elements);
    EXPECT_EQ(*elements, std::vector<Variant>{Variant::UI1(65)});
}

TEST(ConvertToElements, VectorGivesItsElements)
{
    const auto elements = ConvertToElements(ArrayOf(VT_I4, {Variant::I4(65), Variant::I4(300)}), VT_UI1);
    ASSERT_TRUE(elements);
    EXPECT_EQ(*elements, (std::vector<Variant>{Variant::UI1(65), Variant::UI1(44)}));
}

TEST(ConvertToElements, MultiDimensionalArraysAreRefused)
{
    auto grid = SafeArray::Create(VT_UI1, {{2, 0}, {2, 0}});
    std::vector<Variant> out{Variant::I4(9)};
    EXPECT_EQ(ConvertToElements(Variant::Array(*grid), VT_UI1, out), E_INVALIDARG);
    EXPECT_EQ(out, std::vector<Variant>{Variant::I4(9)});
}

TEST(ConvertToElements, FailuresOfTheConversionPassThrough)
{
    std::vector<Variant> out;
    EXPECT_EQ(ConvertToElements(Variant::Bstr("x"), VT_UI1, out), DISP_E_TYPEMISMATCH);
    EXPECT_FALSE(ConvertToElements(One(VT_BSTR, Variant::Bstr("1")), VT_UI1));
    auto shifted = SafeArray::Create(VT_UI1, {{1, 5}});
    EXPECT_EQ(ConvertToElements(Variant::Array(*shifted), VT_UI1, out), E_INVALIDARG);
    EXPECT_TRUE(out.empty());
}
