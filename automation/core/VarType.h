#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Type tag of a Variant, with the numeric values of the automation standard so
// that a transport can send them as they are. VT_ARRAY and VT_BYREF are flags
// combined with an element type: VT_ARRAY | VT_I4 is an array of 32-bit integers.
enum VarType : std::uint16_t {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_CY = 6,        // currency: 64-bit integer scaled by 10000
    VT_DATE = 7,      // days since 30 December 1899, as a double
    VT_BSTR = 8,      // 8-bit text, any byte values
    VT_DISPATCH = 9,  // an automation object (in-process only)
    VT_ERROR = 10,    // an HRESULT-style status code
    VT_BOOL = 11,     // 16 bits: -1 is true, 0 is false
    VT_VARIANT = 12,  // only as element type of an array or as a parameter type
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_INT = 22,   // 32 bits
    VT_UINT = 23,  // 32 bits
    VT_TYPEMASK = 0x0FFF,
    VT_ARRAY = 0x2000,
    VT_BYREF = 0x4000,
};

constexpr VarType operator|(VarType a, VarType b)
{
    return static_cast<VarType>(static_cast<std::uint16_t>(a) | static_cast<std::uint16_t>(b));
}

// The tag without the VT_ARRAY and VT_BYREF flags.
constexpr VarType BaseType(VarType t)
{
    return static_cast<VarType>(t & VT_TYPEMASK);
}

// Size in bytes of a fixed-size scalar type (numbers, BOOL, ERROR, CY, DATE);
// 0 for every other tag, flagged tags included.
constexpr std::size_t ScalarSize(VarType t)
{
    switch (t) {
    case VT_I1:
    case VT_UI1:
        return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
        return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR:
        return 4;
    case VT_I8:
    case VT_UI8:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
        return 8;
    default:
        return 0;
    }
}

// True for the tags a Variant can hold without flags.
constexpr bool IsKnownScalarType(VarType t)
{
    return ScalarSize(t) != 0 || t == VT_EMPTY || t == VT_NULL || t == VT_BSTR || t == VT_DISPATCH;
}

// The name of a tag for messages and tests: "VT_I4", "VT_ARRAY|VT_UI1", ...
std::string VarTypeName(VarType t);
