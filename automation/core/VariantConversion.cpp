#include "automation/core/VariantConversion.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>
#include <utility>

#include "automation/core/EqualsIgnoringCase.h"

namespace {

// A number read from any numeric Variant or from text, exact where it can be.
struct Number {
    enum Kind { Signed,
                Unsigned,
                Real } kind = Signed;
    std::int64_t s = 0;
    std::uint64_t u = 0;
    double d = 0;
    bool fromBool = false;

    static Number OfSigned(std::int64_t v)
    {
        Number n;
        n.kind = Signed;
        n.s = v;
        return n;
    }
    static Number OfUnsigned(std::uint64_t v)
    {
        Number n;
        n.kind = Unsigned;
        n.u = v;
        return n;
    }
    static Number OfReal(double v)
    {
        Number n;
        n.kind = Real;
        n.d = v;
        return n;
    }

    bool IsZero() const
    {
        return kind == Signed ? s == 0 : kind == Unsigned ? u == 0
                                                          : d == 0;
    }
    double AsDouble() const
    {
        return kind == Signed     ? static_cast<double>(s)
               : kind == Unsigned ? static_cast<double>(u)
                                  : d;
    }
};

constexpr double kTwoTo63 = 9223372036854775808.0;
constexpr double kDateMin = -657434.0;  // 1 January 100
constexpr double kDateEnd = 2958466.0;  // the day after 31 December 9999

double RoundHalfEven(double d)
{
    const double floor = std::floor(d);
    const double diff = d - floor;
    if (diff > 0.5)
        return floor + 1;
    if (diff < 0.5)
        return floor;
    return std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
}

std::string_view Trim(std::string_view text)
{
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Decimal text: blanks around, an optional sign, digits with an optional
// fraction and exponent. Whole numbers are read exactly.
HRESULT ParseNumber(std::string_view text, Number& n)
{
    text = Trim(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || !(std::isdigit(static_cast<unsigned char>(text.front())) || text.front() == '.'))
        return DISP_E_TYPEMISMATCH;
    const char* begin = text.data();
    const char* end = begin + text.size();

    std::uint64_t magnitude = 0;
    const auto whole = std::from_chars(begin, end, magnitude);
    if (whole.ec == std::errc() && whole.ptr == end) {
        if (!negative)
            n = magnitude <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())
                    ? Number::OfSigned(static_cast<std::int64_t>(magnitude))
                    : Number::OfUnsigned(magnitude);
        else if (magnitude <= std::uint64_t{1} << 63)
            n = Number::OfSigned(static_cast<std::int64_t>(0 - magnitude));
        else
            n = Number::OfReal(-static_cast<double>(magnitude));
        return S_OK;
    }
    double value = 0;
    const auto real = std::from_chars(begin, end, value, std::chars_format::general);
    if (real.ptr != end || (real.ec != std::errc() && real.ec != std::errc::result_out_of_range))
        return DISP_E_TYPEMISMATCH;
    if (real.ec == std::errc::result_out_of_range)
        return DISP_E_OVERFLOW;
    n = Number::OfReal(negative ? -value : value);
    return S_OK;
}

HRESULT ToNumber(const Variant& in, Number& n)
{
    switch (in.vt()) {
    case VT_EMPTY: n = Number::OfSigned(0); return S_OK;
    case VT_I1: n = Number::OfSigned(in.i1()); return S_OK;
    case VT_I2: n = Number::OfSigned(in.i2()); return S_OK;
    case VT_I4:
    case VT_INT: n = Number::OfSigned(in.i4()); return S_OK;
    case VT_I8: n = Number::OfSigned(in.i8()); return S_OK;
    case VT_UI1: n = Number::OfUnsigned(in.ui1()); return S_OK;
    case VT_UI2: n = Number::OfUnsigned(in.ui2()); return S_OK;
    case VT_UI4:
    case VT_UINT: n = Number::OfUnsigned(in.ui4()); return S_OK;
    case VT_UI8: n = Number::OfUnsigned(in.ui8()); return S_OK;
    case VT_R4: n = Number::OfReal(in.r4()); return S_OK;
    case VT_R8:
    case VT_DATE: n = Number::OfReal(in.r8()); return S_OK;
    case VT_CY: n = Number::OfReal(static_cast<double>(in.cy()) / 10000.0); return S_OK;
    case VT_BOOL:
        n = Number::OfSigned(in.boolVal() ? -1 : 0);
        n.fromBool = true;
        return S_OK;
    case VT_BSTR: return ParseNumber(in.bstr(), n);
    default: return DISP_E_TYPEMISMATCH;
    }
}

template <class T>
HRESULT ToInteger(const Number& n, T& out)
{
    if (n.fromBool && std::is_unsigned_v<T>) {
        out = n.s ? std::numeric_limits<T>::max() : 0;
        return S_OK;
    }
    switch (n.kind) {
    case Number::Signed:
        if (!std::in_range<T>(n.s))
            return DISP_E_OVERFLOW;
        out = static_cast<T>(n.s);
        return S_OK;
    case Number::Unsigned:
        if (!std::in_range<T>(n.u))
            return DISP_E_OVERFLOW;
        out = static_cast<T>(n.u);
        return S_OK;
    case Number::Real: {
        if (std::isnan(n.d))
            return DISP_E_OVERFLOW;
        const double rounded = RoundHalfEven(n.d);
        // The bounds are powers of two (or 0), exactly representable.
        const double lowest = static_cast<double>(std::numeric_limits<T>::min());
        const double end = static_cast<double>(std::numeric_limits<T>::max()) + 1.0;
        if (!(rounded >= lowest && rounded < end))
            return DISP_E_OVERFLOW;
        out = static_cast<T>(rounded);
        return S_OK;
    }
    }
    return DISP_E_TYPEMISMATCH;
}

template <class T, class Make>
HRESULT IntegerVariant(const Number& n, Variant& out, Make make)
{
    T value{};
    const HRESULT hr = ToInteger(n, value);
    if (Succeeded(hr))
        out = make(value);
    return hr;
}

HRESULT ToCurrency(const Number& n, Variant& out)
{
    constexpr std::int64_t scale = 10000;
    switch (n.kind) {
    case Number::Signed:
        if (n.s > std::numeric_limits<std::int64_t>::max() / scale || n.s < std::numeric_limits<std::int64_t>::min() / scale)
            return DISP_E_OVERFLOW;
        out = Variant::Cy(n.s * scale);
        return S_OK;
    case Number::Unsigned:
        if (n.u > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max() / scale))
            return DISP_E_OVERFLOW;
        out = Variant::Cy(static_cast<std::int64_t>(n.u) * scale);
        return S_OK;
    case Number::Real: {
        const double scaled = RoundHalfEven(n.d * scale);
        if (!(scaled >= -kTwoTo63 && scaled < kTwoTo63))
            return DISP_E_OVERFLOW;
        out = Variant::Cy(static_cast<std::int64_t>(scaled));
        return S_OK;
    }
    }
    return DISP_E_TYPEMISMATCH;
}

std::string FormatReal(double value, int digits)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                      std::chars_format::general, digits);
    std::string text(buffer, result.ptr);
    std::replace(text.begin(), text.end(), 'e', 'E');
    return text;
}

std::string FormatCurrency(std::int64_t scaled)
{
    const bool negative = scaled < 0;
    const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(scaled)
                                             : static_cast<std::uint64_t>(scaled);
    std::string text = (negative ? "-" : "") + std::to_string(magnitude / 10000);
    if (const auto fraction = magnitude % 10000) {
        std::string digits = std::to_string(fraction + 10000).substr(1);
        digits.erase(digits.find_last_not_of('0') + 1);
        text += "." + digits;
    }
    return text;
}

HRESULT ToText(const Variant& in, Variant& out)
{
    switch (in.vt()) {
    case VT_EMPTY: out = Variant::Bstr({}); return S_OK;
    case VT_BOOL: out = Variant::Bstr(in.boolVal() ? "True" : "False"); return S_OK;
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_INT:
    case VT_I8:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UINT:
    case VT_UI8: {
        Number n;
        ToNumber(in, n);
        out = Variant::Bstr(n.kind == Number::Signed ? std::to_string(n.s) : std::to_string(n.u));
        return S_OK;
    }
    case VT_R4: out = Variant::Bstr(FormatReal(in.r4(), 7)); return S_OK;
    case VT_R8: out = Variant::Bstr(FormatReal(in.r8(), 15)); return S_OK;
    case VT_CY: out = Variant::Bstr(FormatCurrency(in.cy())); return S_OK;
    default: return DISP_E_TYPEMISMATCH;
    }
}

HRESULT ToBool(const Variant& in, Variant& out)
{
    if (in.vt() == VT_BSTR) {
        const auto word = Trim(in.bstr());
        if (EqualsIgnoringCase(word, "True") || EqualsIgnoringCase(word, "False")) {
            out = Variant::Bool(EqualsIgnoringCase(word, "True"));
            return S_OK;
        }
    }
    Number n;
    const HRESULT hr = ToNumber(in, n);
    if (Succeeded(hr))
        out = Variant::Bool(!n.IsZero());
    return hr;
}

HRESULT ToFixedNumber(const Variant& in, VarType target, Variant& out)
{
    Number n;
    if (const HRESULT hr = ToNumber(in, n); Failed(hr))
        return hr;
    switch (target) {
    case VT_I1: return IntegerVariant<std::int8_t>(n, out, Variant::I1);
    case VT_UI1: return IntegerVariant<std::uint8_t>(n, out, Variant::UI1);
    case VT_I2: return IntegerVariant<std::int16_t>(n, out, Variant::I2);
    case VT_UI2: return IntegerVariant<std::uint16_t>(n, out, Variant::UI2);
    case VT_I4: return IntegerVariant<std::int32_t>(n, out, Variant::I4);
    case VT_UI4: return IntegerVariant<std::uint32_t>(n, out, Variant::UI4);
    case VT_INT: return IntegerVariant<std::int32_t>(n, out, Variant::Int);
    case VT_UINT: return IntegerVariant<std::uint32_t>(n, out, Variant::UInt);
    case VT_I8: return IntegerVariant<std::int64_t>(n, out, Variant::I8);
    case VT_UI8: return IntegerVariant<std::uint64_t>(n, out, Variant::UI8);
    case VT_R4: {
        const double d = n.AsDouble();
        if (std::isfinite(d) && std::fabs(d) > std::numeric_limits<float>::max())
            return DISP_E_OVERFLOW;
        out = Variant::R4(static_cast<float>(d));
        return S_OK;
    }
    case VT_R8: out = Variant::R8(n.AsDouble()); return S_OK;
    case VT_CY: return ToCurrency(n, out);
    case VT_DATE: {
        if (in.vt() == VT_BSTR)
            return DISP_E_TYPEMISMATCH;  // no calendar text
        const double d = n.AsDouble();
        if (!(d >= kDateMin && d < kDateEnd))
            return DISP_E_OVERFLOW;
        out = Variant::Date(d);
        return S_OK;
    }
    default: return DISP_E_BADVARTYPE;
    }
}

// The five word types of the element table.
bool IsTableType(VarType t)
{
    return t == VT_I2 || t == VT_I4 || t == VT_R4 || t == VT_R8 || t == VT_UI1;
}

// The element table of the family: source type down, target type across.
// The "no" cells are the pairs of equal types, which the same-type rule
// answers before the table is consulted.
bool TableAllows(VarType source, VarType target)
{
    static constexpr VarType order[] = {VT_I2, VT_I4, VT_R4, VT_R8, VT_UI1};
    static constexpr bool table[5][5] = {
        //  I2     I4    R4     R8     UI1
        {false, true, true, true, true},  // I2
        {true, true, true, true, true},   // I4
        {true, true, false, true, true},  // R4
        {true, true, true, false, true},  // R8
        {true, true, true, true, true},   // UI1
    };
    const auto index = [](VarType t) {
        return static_cast<std::size_t>(std::find(std::begin(order), std::end(order), t) - std::begin(order));
    };
    const std::size_t row = index(source);
    const std::size_t column = index(target);
    return row < 5 && column < 5 && table[row][column];
}

Variant IntegerToWord(std::int64_t value, VarType target)
{
    switch (target) {
    case VT_I2: return Variant::I2(static_cast<std::int16_t>(value));
    case VT_I4: return Variant::I4(static_cast<std::int32_t>(value));
    case VT_UI1: return Variant::UI1(static_cast<std::uint8_t>(value));
    case VT_R4: return Variant::R4(static_cast<float>(value));
    default: return Variant::R8(static_cast<double>(value));
    }
}

HRESULT ConvertElement(const Variant& element, VarType target, Variant& out)
{
    if (element.vt() == target) {
        out = element;
        return S_OK;
    }
    if (!TableAllows(element.vt(), target))
        return DISP_E_TYPEMISMATCH;
    switch (element.vt()) {
    case VT_I2: out = IntegerToWord(element.i2(), target); return S_OK;
    case VT_I4: out = IntegerToWord(element.i4(), target); return S_OK;
    case VT_UI1: out = IntegerToWord(element.ui1(), target); return S_OK;
    default: break;
    }
    const double value = element.vt() == VT_R4 ? element.r4() : element.r8();
    if (target == VT_R8) {
        out = Variant::R8(value);
        return S_OK;
    }
    if (target == VT_R4) {
        if (std::isfinite(value) && std::fabs(value) > std::numeric_limits<float>::max())
            return DISP_E_OVERFLOW;
        out = Variant::R4(static_cast<float>(value));
        return S_OK;
    }
    const double truncated = std::trunc(value);
    if (!(truncated >= -kTwoTo63 && truncated < kTwoTo63))
        return DISP_E_OVERFLOW;
    out = IntegerToWord(static_cast<std::int64_t>(truncated), target);
    return S_OK;
}

template <class F>
std::optional<Variant> AsOptional(F convert)
{
    Variant out;
    if (Failed(convert(out)))
        return std::nullopt;
    return out;
}

}  // namespace

HRESULT ChangeType(const Variant& in, VarType target, Variant& out)
{
    if (in.IsByRef() || (target & VT_BYREF))
        return DISP_E_BADVARTYPE;
    if (in.vt() == target) {
        out = in;
        return S_OK;
    }
    if (in.IsArray() || (target & VT_ARRAY))
        return DISP_E_TYPEMISMATCH;
    if (!IsKnownScalarType(in.vt()) || !IsKnownScalarType(target))
        return DISP_E_BADVARTYPE;
    switch (target) {
    case VT_EMPTY:
        out = Variant();
        return S_OK;
    case VT_NULL:
        if (in.vt() != VT_EMPTY)
            return DISP_E_TYPEMISMATCH;
        out = Variant::Null();
        return S_OK;
    case VT_ERROR:
    case VT_DISPATCH:
        return DISP_E_TYPEMISMATCH;
    case VT_BSTR:
        return ToText(in, out);
    case VT_BOOL:
        return ToBool(in, out);
    default:
        return ToFixedNumber(in, target, out);
    }
}

std::optional<Variant> ChangeType(const Variant& in, VarType target)
{
    return AsOptional([&](Variant& out) { return ChangeType(in, target, out); });
}

HRESULT ConvertTo(const Variant& in, VarType elementType, Variant& out)
{
    if (in.IsByRef() || (elementType & (VT_ARRAY | VT_BYREF)))
        return DISP_E_BADVARTYPE;
    if (!in.IsArray())
        return ChangeType(in, elementType, out);
    const SafeArray& source = in.array();
    if (!source.HasZeroLowerBounds())
        return E_INVALIDARG;
    if (source.elementType() == elementType) {
        out = in;
        return S_OK;
    }
    if (!IsTableType(elementType) || !(IsTableType(source.elementType()) || source.elementType() == VT_VARIANT))
        return DISP_E_TYPEMISMATCH;
    auto result = SafeArray::Create(elementType, source.dims());
    if (!result)
        return E_OUTOFMEMORY;
    for (std::size_t i = 0; i < source.size(); ++i) {
        Variant converted;
        if (const HRESULT hr = ConvertElement(source.at(i), elementType, converted); Failed(hr))
            return hr;
        result->set(i, std::move(converted));
    }
    out = Variant::Array(std::move(*result));
    return S_OK;
}

std::optional<Variant> ConvertTo(const Variant& in, VarType elementType)
{
    return AsOptional([&](Variant& out) { return ConvertTo(in, elementType, out); });
}

HRESULT ConvertToElements(const Variant& in, VarType elementType, std::vector<Variant>& out)
{
    if (in.IsArray() && in.array().dimCount() != 1)
        return E_INVALIDARG;
    Variant converted;
    if (const HRESULT hr = ConvertTo(in, elementType, converted); Failed(hr))
        return hr;
    if (converted.IsArray())
        out = converted.array().elements();
    else
        out = {std::move(converted)};
    return S_OK;
}

std::optional<std::vector<Variant>> ConvertToElements(const Variant& in, VarType elementType)
{
    std::vector<Variant> out;
    if (Failed(ConvertToElements(in, elementType, out)))
        return std::nullopt;
    return out;
}
