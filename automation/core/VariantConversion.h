#pragma once

#include <optional>
#include <vector>

#include "automation/core/HResult.h"
#include "automation/core/Variant.h"

// Conversions between Variant types. Every function either succeeds or
// returns a failure code and leaves `out` untouched; none throws for bad input
// and none reads beyond the data it is given.

// The standard scalar conversion (used for method arguments and property
// values, and for scalar data given to the boards):
// - same type: an unchanged copy (arrays included);
// - numbers between each other: integers exactly, floating values to an
//   integer rounded half to even ("2.5" -> 2, 3.5 -> 4); a value outside the
//   target's range fails with DISP_E_OVERFLOW (NaN too);
// - BOOL is -1 or 0 as a number (to an unsigned type: all bits set or 0), and
//   any non-zero number converts to BOOL true;
// - text that is a decimal number ("  -12", "1.5e3") converts to a number; any
//   other text fails with DISP_E_TYPEMISMATCH; "True"/"False" (any case)
//   also convert to BOOL; numbers and BOOL convert to text ("True"/"False",
//   floating values with 15 (R8) or 7 (R4) significant digits);
// - VT_EMPTY converts to 0, "" or false; anything converts to VT_EMPTY;
// - CY is a decimal fixed-point number; DATE converts only to and from numbers;
// - VT_NULL, VT_ERROR and VT_DISPATCH convert only to themselves;
// - an array to any other type fails with DISP_E_TYPEMISMATCH; by-reference
//   values and unknown tags fail with DISP_E_BADVARTYPE.
HRESULT ChangeType(const Variant& in, VarType target, Variant& out);
std::optional<Variant> ChangeType(const Variant& in, VarType target);

// The data conversion used by the boards and the serial port object to bring
// a client's value to their word type `elementType`:
// - a scalar goes through ChangeType();
// - a value that already has the type (an array of `elementType` included)
//   is returned unchanged;
// - an array of VT_I2, VT_I4, VT_R4, VT_R8 or VT_UI1 becomes a new array of
//   one of those five types with the same dimensions, element by element:
//   floating values are truncated toward zero, narrowing integer conversions
//   keep the low bits (300 -> VT_UI1 44, -1 -> VT_UI1 255), VT_R8 -> VT_R4
//   rounds to nearest. A floating value that has no 64-bit integer part
//   (NaN, infinity, beyond +-2^63) or an R8 beyond the R4 range fails with
//   DISP_E_OVERFLOW;
// - an array of VT_VARIANT is converted the same way when every element is a
//   scalar of one of the five types; any other element fails;
// - any other element type or target type fails with DISP_E_TYPEMISMATCH;
// - an array with a lower bound other than 0 fails with E_INVALIDARG, and a
//   by-reference value with DISP_E_BADVARTYPE: neither is ever read.
// The result of an array conversion has lower bound 0.
HRESULT ConvertTo(const Variant& in, VarType elementType, Variant& out);
std::optional<Variant> ConvertTo(const Variant& in, VarType elementType);

// ConvertTo() for members that take a list of words: a scalar gives one
// element, a one-dimensional array its elements, each of `elementType`.
// A multi-dimensional array fails with E_INVALIDARG.
HRESULT ConvertToElements(const Variant& in, VarType elementType, std::vector<Variant>& out);
std::optional<std::vector<Variant>> ConvertToElements(const Variant& in, VarType elementType);
