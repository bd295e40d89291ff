#pragma once

#include <cstdint>

#include "automation/core/ExcepInfo.h"
#include "automation/core/HResult.h"
#include "automation/core/Variant.h"

// How a member is called; flags, so that Method | PropertyGet (what most
// script engines send for "obj.Name") is one value.
enum class InvokeKind : std::uint16_t {
    Method = 1,
    PropertyGet = 2,
    PropertyPut = 4,
    PropertyPutRef = 8,
};

constexpr InvokeKind operator|(InvokeKind a, InvokeKind b)
{
    return static_cast<InvokeKind>(static_cast<std::uint16_t>(a) | static_cast<std::uint16_t>(b));
}

constexpr bool HasFlag(InvokeKind set, InvokeKind flag)
{
    return (static_cast<std::uint16_t>(set) & static_cast<std::uint16_t>(flag)) != 0;
}

// The outcome of Dispatchable::Invoke.
// hr: S_OK, or the failure: DISP_E_MEMBERNOTFOUND, DISP_E_BADPARAMCOUNT,
//     DISP_E_TYPEMISMATCH / DISP_E_OVERFLOW / DISP_E_BADVARTYPE (argument
//     `argErr` could not be brought to its declared type), DISP_E_EXCEPTION
//     (`excep` says why), E_INVALIDARG (no kind given).
// result: the member's value (VT_EMPTY after a property put or a failure).
// argErr: 0-based index of the offending argument in the order given to
//     Invoke (first parameter is 0); meaningful only for argument failures.
struct InvokeResult {
    HRESULT hr = S_OK;
    Variant result;
    ExcepInfo excep;
    std::uint32_t argErr = 0;
};
