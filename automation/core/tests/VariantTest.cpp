#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <stdexcept>

#include "automation/core/SafeArray.h"
#include "automation/core/Variant.h"

TEST(Variant, DefaultIsEmpty)
{
    Variant v;
    EXPECT_EQ(v.vt(), VT_EMPTY);
    EXPECT_TRUE(v.IsEmpty());
    EXPECT_FALSE(v.IsArray());
    EXPECT_FALSE(v.IsErrorResult());
}

TEST(Variant, ScalarsKeepTheirValues)
{
    EXPECT_EQ(Variant::I2(-5).i2(), -5);
    EXPECT_EQ(Variant::I2(-5).bits(), 0xFFFBu);
    EXPECT_EQ(Variant::I4(-70000).i4(), -70000);
    EXPECT_EQ(Variant::I4(-1).bits(), 0xFFFFFFFFu);
    EXPECT_EQ(Variant::UI1(200).ui1(), 200);
    EXPECT_EQ(Variant::I8(-2).i8(), -2);
    EXPECT_EQ(Variant::UI8(~0ull).ui8(), ~0ull);
    EXPECT_EQ(Variant::R4(1.5f).r4(), 1.5f);
    EXPECT_EQ(Variant::R8(-2.25).r8(), -2.25);
    EXPECT_EQ(Variant::Cy(12345).cy(), 12345);
    EXPECT_EQ(Variant::Error(21).scode(), 21);
    EXPECT_EQ(Variant::Error(21).vt(), VT_ERROR);
    EXPECT_EQ(Variant::Bool(true).i2(), -1);
    EXPECT_EQ(Variant::Bool(false).i2(), 0);
    EXPECT_TRUE(Variant::Bool(true).boolVal());
}

TEST(Variant, ErrorAndNullAreErrorResults)
{
    EXPECT_TRUE(Variant::Null().IsErrorResult());
    EXPECT_TRUE(Variant::Error(5).IsErrorResult());
    EXPECT_FALSE(Variant::I4(0).IsErrorResult());
}

TEST(Variant, BstrKeepsEveryByteValue)
{
    std::string bytes;
    for (int i = 0; i < 256; ++i)
        bytes += static_cast<char>(i);
    const Variant v = Variant::Bstr(bytes);
    EXPECT_EQ(v.vt(), VT_BSTR);
    ASSERT_EQ(v.bstr().size(), 256u);
    EXPECT_EQ(v.bstr(), bytes);
    EXPECT_EQ(v.bstr()[0], '\0');
}

TEST(Variant, FromBitsRebuildsEveryFixedScalarExactly)
{
    const Variant samples[] = {
        Variant::I1(-3),
        Variant::UI1(250),
        Variant::I2(-300),
        Variant::UI2(65000),
        Variant::I4(-123456),
        Variant::UI4(4000000000u),
        Variant::Int(-7),
        Variant::UInt(7),
        Variant::I8(-1234567890123),
        Variant::UI8(18000000000000000000ull),
        Variant::R4(-0.1f),
        Variant::R8(std::nan("")),
        Variant::Cy(-99990000),
        Variant::Date(45000.5),
        Variant::Bool(true),
        Variant::Error(static_cast<std::int32_t>(0x80020009)),
    };
    for (const auto& sample : samples) {
        const auto rebuilt = Variant::FromBits(sample.vt(), sample.bits());
        ASSERT_TRUE(rebuilt) << sample;
        EXPECT_EQ(*rebuilt, sample) << sample;
    }
}

TEST(Variant, FromBitsKeepsOnlyTheTypesBytes)
{
    EXPECT_EQ(*Variant::FromBits(VT_I2, 0x12345678), Variant::I2(0x5678));
    EXPECT_EQ(*Variant::FromBits(VT_UI1, 0x1FF), Variant::UI1(0xFF));
}

TEST(Variant, FromBitsRefusesNonScalarTags)
{
    EXPECT_FALSE(Variant::FromBits(VT_BSTR, 0));
    EXPECT_FALSE(Variant::FromBits(VT_EMPTY, 0));
    EXPECT_FALSE(Variant::FromBits(VT_ARRAY | VT_I4, 0));
    EXPECT_FALSE(Variant::FromBits(VT_VARIANT, 0));
    EXPECT_FALSE(Variant::FromBits(static_cast<VarType>(99), 0));
}

TEST(Variant, RelabelI4ToR4KeepsTheBits)
{
    float one = 1.0f;
    std::int32_t bits;
    std::memcpy(&bits, &one, sizeof bits);
    Variant v = Variant::I4(bits);
    ASSERT_TRUE(v.Relabel(VT_R4));
    EXPECT_EQ(v.vt(), VT_R4);
    EXPECT_EQ(v.r4(), 1.0f);
    ASSERT_TRUE(v.Relabel(VT_I4));
    EXPECT_EQ(v, Variant::I4(bits));
}

TEST(Variant, RelabelOnlyBetweenEqualSizes)
{
    Variant v = Variant::I4(5);
    EXPECT_FALSE(v.Relabel(VT_R8));
    EXPECT_FALSE(v.Relabel(VT_I2));
    EXPECT_FALSE(v.Relabel(VT_BSTR));
    EXPECT_EQ(v, Variant::I4(5));
    Variant d = Variant::R8(2.0);
    EXPECT_TRUE(d.Relabel(VT_I8));
    EXPECT_EQ(d.i8(), 0x4000000000000000);
    Variant b = Variant::UI1(0xFF);
    EXPECT_TRUE(b.Relabel(VT_I1));
    EXPECT_EQ(b.i1(), -1);
}

TEST(Variant, RelabelRefusesBoolErrorAndCurrency)
{
    Variant e = Variant::Error(5);
    EXPECT_FALSE(e.Relabel(VT_I4));
    Variant b = Variant::Bool(true);
    EXPECT_FALSE(b.Relabel(VT_I2));
    Variant c = Variant::Cy(1);
    EXPECT_FALSE(c.Relabel(VT_I8));
}

TEST(Variant, ArraysNeverRelabel)
{
    Variant a = Variant::Array(SafeArray::Vector(VT_I4, 2));
    EXPECT_FALSE(a.Relabel(VT_R4));
    EXPECT_FALSE(a.Relabel(VT_ARRAY | VT_R4));
    EXPECT_EQ(a.vt(), VT_ARRAY | VT_I4);
}

TEST(Variant, ArrayCopiesAreDeep)
{
    Variant a = Variant::Array(SafeArray::Vector(VT_I4, 2));
    Variant b = a;
    ASSERT_TRUE(b.array().set(0, Variant::I4(9)));
    EXPECT_EQ(a.array().at(0), Variant::I4(0));
    EXPECT_EQ(b.array().at(0), Variant::I4(9));
    EXPECT_NE(a, b);
}

TEST(Variant, ArrayAccessOnScalarThrowsLogicError)
{
    Variant v = Variant::I4(1);
    EXPECT_THROW(v.array(), std::logic_error);
}

TEST(Variant, ByRefPointsAtItsTarget)
{
    Variant target = Variant::I2(3);
    const Variant ref = Variant::ByRef(&target);
    EXPECT_EQ(ref.vt(), VT_BYREF | VT_I2);
    EXPECT_TRUE(ref.IsByRef());
    EXPECT_FALSE(ref.IsArray());
    EXPECT_EQ(ref.byRef(), &target);
}

TEST(Variant, ClearReturnsToEmpty)
{
    Variant v = Variant::Array(SafeArray::Vector(VT_UI1, 3));
    v.Clear();
    EXPECT_EQ(v, Variant());
    v = Variant::Bstr("x");
    v.Clear();
    EXPECT_EQ(v, Variant());
}

TEST(Variant, MovedFromIsEmpty)
{
    Variant a = Variant::Bstr("abc");
    Variant b = std::move(a);
    EXPECT_EQ(b.bstr(), "abc");
    EXPECT_EQ(a.vt(), VT_EMPTY);  // NOLINT(bugprone-use-after-move): defined state
}

TEST(Variant, EqualityComparesTypeAndValue)
{
    EXPECT_EQ(Variant::I4(1), Variant::I4(1));
    EXPECT_NE(Variant::I4(1), Variant::I4(2));
    EXPECT_NE(Variant::I4(1), Variant::UI4(1));
    EXPECT_NE(Variant::Bstr("a"), Variant::Bstr("b"));
    EXPECT_EQ(Variant::R8(std::nan("")), Variant::R8(std::nan("")));
}

TEST(Variant, DebugStringNamesTypeAndValue)
{
    EXPECT_EQ(Variant::I4(5).ToDebugString(), "VT_I4 5");
    EXPECT_EQ(Variant::Bstr("ab").ToDebugString(), "VT_BSTR \"ab\"");
    auto array = SafeArray::FromElements(VT_UI1, {Variant::UI1(1), Variant::UI1(2)});
    EXPECT_EQ(Variant::Array(*array).ToDebugString(), "VT_ARRAY|VT_UI1 [VT_UI1 1, VT_UI1 2]");
}

TEST(VarType, NamesIncludeFlags)
{
    EXPECT_EQ(VarTypeName(VT_I4), "VT_I4");
    EXPECT_EQ(VarTypeName(VT_ARRAY | VT_UI1), "VT_ARRAY|VT_UI1");
    EXPECT_EQ(VarTypeName(VT_BYREF | VT_VARIANT), "VT_BYREF|VT_VARIANT");
    EXPECT_EQ(VarTypeName(static_cast<VarType>(99)), "VT_99");
}
