#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "automation/core/VariantConversion.h"

namespace {

// The value, or the failure code when the conversion fails.
struct Outcome {
    HRESULT hr;
    Variant value;
};

Outcome Change(const Variant& in, VarType target)
{
    Variant out = Variant::Bstr("untouched");
    const HRESULT hr = ChangeType(in, target, out);
    return {hr, out};
}

void ExpectConverts(const Variant& in, VarType target, const Variant& expected)
{
    const Outcome o = Change(in, target);
    EXPECT_EQ(o.hr, S_OK) << in << " -> " << VarTypeName(target);
    EXPECT_EQ(o.value, expected) << in << " -> " << VarTypeName(target);
}

void ExpectFails(const Variant& in, VarType target, HRESULT hr)
{
    const Outcome o = Change(in, target);
    EXPECT_EQ(o.hr, hr) << in << " -> " << VarTypeName(target);
    EXPECT_EQ(o.value, Variant::Bstr("untouched")) << "output changed on failure";
}

}  // namespace

TEST(ChangeType, SameTypeIsAnUnchangedCopy)
{
    ExpectConverts(Variant::I2(-7), VT_I2, Variant::I2(-7));
    ExpectConverts(Variant::Bstr(std::string("x\0y", 3)), VT_BSTR, Variant::Bstr(std::string("x\0y", 3)));
    ExpectConverts(Variant::Null(), VT_NULL, Variant::Null());
    const Variant array = Variant::Array(SafeArray::Vector(VT_I2, 2));
    ExpectConverts(array, VT_ARRAY | VT_I2, array);
}

TEST(ChangeType, IntegersBetweenTypes)
{
    ExpectConverts(Variant::I2(-5), VT_I4, Variant::I4(-5));
    ExpectConverts(Variant::I4(255), VT_UI1, Variant::UI1(255));
    ExpectConverts(Variant::I4(-32768), VT_I2, Variant::I2(-32768));
    ExpectConverts(Variant::UI4(4000000000u), VT_I8, Variant::I8(4000000000));
    ExpectConverts(Variant::I4(7), VT_R8, Variant::R8(7.0));
}

TEST(ChangeType, OverflowFails)
{
    ExpectFails(Variant::I4(256), VT_UI1, DISP_E_OVERFLOW);
    ExpectFails(Variant::I4(-1), VT_UI1, DISP_E_OVERFLOW);
    ExpectFails(Variant::I4(32768), VT_I2, DISP_E_OVERFLOW);
    ExpectFails(Variant::UI8(1ull << 63), VT_I8, DISP_E_OVERFLOW);
    ExpectFails(Variant::R8(2147483647.5), VT_I4, DISP_E_OVERFLOW);
    ExpectFails(Variant::R8(1e300), VT_R4, DISP_E_OVERFLOW);
    ExpectFails(Variant::R8(std::nan("")), VT_I4, DISP_E_OVERFLOW);
    ExpectFails(Variant::R8(std::numeric_limits<double>::infinity()), VT_I2, DISP_E_OVERFLOW);
    ExpectFails(Variant::R8(9223372036854775808.0), VT_I8, DISP_E_OVERFLOW);
}

TEST(ChangeType, FloatToIntegerRoundsHalfToEven)
{
    ExpectConverts(Variant::R8(2.5), VT_I4, Variant::I4(2));
    ExpectConverts(Variant::R8(3.5), VT_I4, Variant::I4(4));
    ExpectConverts(Variant::R8(-2.5), VT_I4, Variant::I4(-2));
    ExpectConverts(Variant::R8(-3.5), VT_I2, Variant::I2(-4));
    ExpectConverts(Variant::R8(3.7), VT_I4, Variant::I4(4));
    ExpectConverts(Variant::R4(0.4f), VT_UI1, Variant::UI1(0));
    ExpectConverts(Variant::R8(255.4), VT_UI1, Variant::UI1(255));
    ExpectConverts(Variant::R8(-0.5), VT_UI1, Variant::UI1(0));
    ExpectConverts(Variant::R8(-9223372036854775808.0), VT_I8,
                   Variant::I8(std::numeric_limits<std::int64_t>::min()));
}

TEST(ChangeType, TextThatIsANumber)
{
    ExpectConverts(Variant::Bstr("42"), VT_I4, Variant::I4(42));
    ExpectConverts(Variant::Bstr("  -12 "), VT_I2, Variant::I2(-12));
    ExpectConverts(Variant::Bstr("+7"), VT_UI1, Variant::UI1(7));
    ExpectConverts(Variant::Bstr("1.5e3"), VT_I4, Variant::I4(1500));
    ExpectConverts(Variant::Bstr("2.5"), VT_I4, Variant::I4(2));
    ExpectConverts(Variant::Bstr(".25"), VT_R8, Variant::R8(0.25));
    ExpectConverts(Variant::Bstr("18446744073709551615"), VT_UI8, Variant::UI8(~0ull));
    ExpectConverts(Variant::Bstr("-9223372036854775808"), VT_I8,
                   Variant::I8(std::numeric_limits<std::int64_t>::min()));
    ExpectFails(Variant::Bstr("300"), VT_UI1, DISP_E_OVERFLOW);
    ExpectFails(Variant::Bstr("1e999"), VT_R8, DISP_E_OVERFLOW);
}

TEST(ChangeType, TextThatIsNotANumberIsATypeMismatch)
{
    for (const char* text : {"", "   ", "abc", "12abc", "1e", "--1", "0x10", "inf", "nan", "1 2", "True"})
        ExpectFails(Variant::Bstr(text), VT_I4, DISP_E_TYPEMISMATCH);
    ExpectFails(Variant::Bstr(std::string("12\0"
                                          "3",
                                          4)),
                VT_I4, DISP_E_TYPEMISMATCH);
    ExpectFails(Variant::Bstr("x"), VT_R8, DISP_E_TYPEMISMATCH);
    ExpectFails(Variant::Bstr("1"), VT_DATE, DISP_E_TYPEMISMATCH);
}

TEST(ChangeType, BoolIsMinusOneOrZero)
{
    ExpectConverts(Variant::Bool(true), VT_I4, Variant::I4(-1));
    ExpectConverts(Variant::Bool(false), VT_I2, Variant::I2(0));
    ExpectConverts(Variant::Bool(true), VT_R8, Variant::R8(-1.0));
    ExpectConverts(Variant::Bool(true), VT_UI1, Variant::UI1(255));
    ExpectConverts(Variant::Bool(true), VT_UI4, Variant::UI4(0xFFFFFFFFu));
    ExpectConverts(Variant::I4(5), VT_BOOL, Variant::Bool(true));
    ExpectConverts(Variant::R8(0.0), VT_BOOL, Variant::Bool(false));
    ExpectConverts(Variant::Bstr("true"), VT_BOOL, Variant::Bool(true));
    ExpectConverts(Variant::Bstr(" FALSE "), VT_BOOL, Variant::Bool(false));
    ExpectConverts(Variant::Bstr("0"), VT_BOOL, Variant::Bool(false));
    ExpectFails(Variant::Bstr("yes"), VT_BOOL, DISP_E_TYPEMISMATCH);
}

TEST(ChangeType, NumbersToText)
{
    ExpectConverts(Variant::I4(-12), VT_BSTR, Variant::Bstr("-12"));
    ExpectConverts(Variant::UI8(~0ull), VT_BSTR, Variant::Bstr("18446744073709551615"));
    ExpectConverts(Variant::R8(1.5), VT_BSTR, Variant::Bstr("1.5"));
    ExpectConverts(Variant::R8(0.1 + 0.2), VT_BSTR, Variant::Bstr("0.3"));
    ExpectConverts(Variant::R8(1e20), VT_BSTR, Variant::Bstr("1E+20"));
    ExpectConverts(Variant::R4(0.1f), VT_BSTR, Variant::Bstr("0.1"));
    ExpectConverts(Variant::Bool(true), VT_BSTR, Variant::Bstr("True"));
    ExpectConverts(Variant::Cy(-12345), VT_BSTR, Variant::Bstr("-1.2345"));
    ExpectConverts(Variant::Cy(25000), VT_BSTR, Variant::Bstr("2.5"));
    ExpectConverts(Variant(), VT_BSTR, Variant::Bstr(""));
}

TEST(ChangeType, Currency)
{
    ExpectConverts(Variant::I4(3), VT_CY, Variant::Cy(30000));
    ExpectConverts(Variant::R8(1.23456), VT_CY, Variant::Cy(12346));
    ExpectConverts(Variant::Cy(25000), VT_I4, Variant::I4(2));
    ExpectConverts(Variant::Cy(35000), VT_I4, Variant::I4(4));
    ExpectFails(Variant::I8(std::numeric_limits<std::int64_t>::max()), VT_CY, DISP_E_OVERFLOW);
}

TEST(ChangeType, DateIsANumberOfDays)
{
    ExpectConverts(Variant::I4(2), VT_DATE, Variant::Date(2.0));
    ExpectConverts(Variant::Date(2.5), VT_R8, Variant::R8(2.5));
    ExpectFails(Variant::R8(1e7), VT_DATE, DISP_E_OVERFLOW);
    ExpectFails(Variant::Date(1.0), VT_BSTR, DISP_E_TYPEMISMATCH);
}

TEST(ChangeType, EmptyConvertsToZero)
{
    ExpectConverts(Variant(), VT_I4, Variant::I4(0));
    ExpectConverts(Variant(), VT_BOOL, Variant::Bool(false));
    ExpectConverts(Variant(), VT_NULL, Variant::Null());
    ExpectConverts(Variant::I4(3), VT_EMPTY, Variant());
}

TEST(ChangeType, NullErrorAndObjectsConvertOnlyToThemselves)
{
    ExpectFails(Variant::Null(), VT_I4, DISP_E_TYPEMISMATCH);
    ExpectFails(Variant::Null(), VT_BSTR, DISP_E_TYPEMISMATCH);
    ExpectFails(Variant::Error(5), VT_I4, DISP_E_TYPEMISMATCH);
    ExpectFails(Variant::I4(5), VT_ERROR, DISP_E_TYPEMISMATCH);
    ExpectFails(Variant::Dispatch(nullptr), VT_I4, DISP_E_TYPEMISMATCH);
    ExpectFails(Variant::I4(5), VT_DISPATCH, DISP_E_TYPEMISMATCH);
}

TEST(ChangeType, ArraysOnlyToTheirOwnType)
{
    const Variant array = Variant::Array(SafeArray::Vector(VT_I4, 1));
    ExpectFails(array, VT_I4, DISP_E_TYPEMISMATCH);
    ExpectFails(array, VT_ARRAY | VT_I2, DISP_E_TYPEMISMATCH);
    ExpectFails(Variant::I4(1), VT_ARRAY | VT_I4, DISP_E_TYPEMISMATCH);
}

TEST(ChangeType, ReferencesAndUnknownTagsAreRefused)
{
    Variant target = Variant::I4(1);
    ExpectFails(Variant::ByRef(&target), VT_I4, DISP_E_BADVARTYPE);
    ExpectFails(Variant::I4(1), VT_BYREF | VT_I4, DISP_E_BADVARTYPE);
    ExpectFails(Variant::I4(1), VT_VARIANT, DISP_E_BADVARTYPE);
    ExpectFails(Variant::I4(1), static_cast<VarType>(99), DISP_E_BADVARTYPE);
}

TEST(ChangeType, OptionalFormGivesNulloptOnFailure)
{
    EXPECT_EQ(ChangeType(Variant::Bstr("12"), VT_I4), Variant::I4(12));
    EXPECT_FALSE(ChangeType(Variant::Bstr("twelve"), VT_I4));
}
