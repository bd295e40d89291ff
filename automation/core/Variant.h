#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "automation/core/VarType.h"

class Dispatchable;
class SafeArray;

// A value with a type tag, as passed to and returned from automation members.
//
// Fixed-size scalars (numbers, BOOL, ERROR, CY, DATE) are kept as their raw
// bits in the low ScalarSize(vt) bytes of bits(); FromBits() rebuilds any of
// them exactly, so a transport can carry every scalar as (tag, 64 bits).
// A BSTR holds 8-bit text with any byte values, NUL included. An array owns
// its SafeArray (copies are deep). VT_BYREF points at another Variant of the
// same process and is never sent anywhere.
//
// The typed accessors read the stored bits as that type; they are meaningful
// only when vt() is that type, and never fail. array() on a value that is not
// an array throws std::logic_error (a programming error, turned into a failed
// call by Dispatchable::Invoke).
class Variant {
public:
    Variant();  // VT_EMPTY
    Variant(const Variant& other);
    Variant(Variant&& other) noexcept;
    Variant& operator=(const Variant& other);
    Variant& operator=(Variant&& other) noexcept;
    ~Variant();

    static Variant Null();
    static Variant Error(std::int32_t scode);
    static Variant I1(std::int8_t value);
    static Variant UI1(std::uint8_t value);
    static Variant I2(std::int16_t value);
    static Variant UI2(std::uint16_t value);
    static Variant I4(std::int32_t value);
    static Variant UI4(std::uint32_t value);
    static Variant Int(std::int32_t value);
    static Variant UInt(std::uint32_t value);
    static Variant I8(std::int64_t value);
    static Variant UI8(std::uint64_t value);
    static Variant R4(float value);
    static Variant R8(double value);
    static Variant Cy(std::int64_t scaledBy10000);
    static Variant Date(double days);
    static Variant Bool(bool value);  // stored as -1 or 0
    static Variant Bstr(std::string bytes);
    static Variant Dispatch(std::shared_ptr<Dispatchable> object);
    static Variant Array(SafeArray array);  // VT_ARRAY | element type
    static Variant ByRef(Variant* target);  // VT_BYREF | target's type now
    // Any fixed-size scalar type from the low ScalarSize(type) bytes of `bits`
    // (higher bits are ignored); nullopt for any other tag.
    static std::optional<Variant> FromBits(VarType type, std::uint64_t bits);

    VarType vt() const { return vt_; }
    bool IsEmpty() const { return vt_ == VT_EMPTY; }
    bool IsArray() const { return (vt_ & VT_ARRAY) != 0 && (vt_ & VT_BYREF) == 0; }
    bool IsByRef() const { return (vt_ & VT_BYREF) != 0; }
    // VT_ERROR or VT_NULL: the failure result of an inner operation, whose
    // error has already been recorded; callers pass it on unchanged.
    bool IsErrorResult() const { return vt_ == VT_ERROR || vt_ == VT_NULL; }

    std::uint64_t bits() const { return bits_; }
    std::int8_t i1() const { return static_cast<std::int8_t>(bits_); }
    std::uint8_t ui1() const { return static_cast<std::uint8_t>(bits_); }
    std::int16_t i2() const { return static_cast<std::int16_t>(bits_); }
    std::uint16_t ui2() const { return static_cast<std::uint16_t>(bits_); }
    std::int32_t i4() const { return static_cast<std::int32_t>(bits_); }
    std::uint32_t ui4() const { return static_cast<std::uint32_t>(bits_); }
    std::int32_t intVal() const { return i4(); }
    std::uint32_t uintVal() const { return ui4(); }
    std::int64_t i8() const { return static_cast<std::int64_t>(bits_); }
    std::uint64_t ui8() const { return bits_; }
    float r4() const;
    double r8() const;
    std::int64_t cy() const { return i8(); }
    double date() const { return r8(); }
    bool boolVal() const { return static_cast<std::uint16_t>(bits_) != 0; }
    std::int32_t scode() const { return i4(); }
    const std::string& bstr() const { return text_; }
    const std::shared_ptr<Dispatchable>& dispatch() const { return object_; }
    Variant* byRef() const { return ref_; }
    SafeArray& array();
    const SafeArray& array() const;

    void Clear();  // back to VT_EMPTY, releasing what it held

    // Changes only the type tag, keeping the bits: allowed between the
    // numeric scalar types of equal size (VT_I4 <-> VT_R4, VT_UI1 <-> VT_I1,
    // VT_R8 <-> VT_I8, ...) and to the type it already has. Arrays, BOOL,
    // ERROR, CY, DATE and all other tags never relabel. Returns false and
    // leaves the value unchanged when not allowed.
    bool Relabel(VarType type);

    // Same tag and same content (bits for scalars, so NaN equals itself).
    friend bool operator==(const Variant& a, const Variant& b);

    // "VT_I4 5", "VT_BSTR \"ab\"", "VT_ARRAY|VT_UI1 [1 2 3]" for messages.
    std::string ToDebugString() const;

private:
    static Variant Scalar(VarType type, std::uint64_t bits);

    VarType vt_ = VT_EMPTY;
    std::uint64_t bits_ = 0;
    std::string text_;
    std::shared_ptr<Dispatchable> object_;
    std::unique_ptr<SafeArray> array_;
    Variant* ref_ = nullptr;
};

std::ostream& operator<<(std::ostream& out, const Variant& value);

// Arrays are part of the value type: whoever includes one has both.
#include "automation/core/SafeArray.h"
