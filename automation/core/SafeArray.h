#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "automation/core/VarType.h"
#include "automation/core/Variant.h"

// An array of automation values: an element type, one or more dimensions
// (each an element count and a lower bound) and the elements.
//
// Elements are kept in one flat vector, row-major: the last dimension varies
// fastest. A flat index runs from 0 to size() - 1 whatever the lower bounds
// are, so code that walks at(0) .. at(size() - 1) can never read beyond the
// array. Every element of a typed array has exactly the element type; a
// VT_VARIANT array holds any value except a by-reference one.
//
// Sizes are limited (kMaxDims dimensions, kMaxElements elements in all) so
// that a count from a client or from the wire cannot exhaust the memory.
class SafeArray {
public:
    struct Bound {
        std::uint32_t count = 0;
        std::int32_t lowerBound = 0;
        friend bool operator==(const Bound&, const Bound&) = default;
    };

    static constexpr std::size_t kMaxDims = 32;
    static constexpr std::size_t kMaxElements = std::size_t{1} << 22;

    // Element types an array may have: the fixed-size scalars, VT_BSTR,
    // VT_DISPATCH and VT_VARIANT.
    static bool IsValidElementType(VarType type);

    // An array of default elements (zero, empty text, VT_EMPTY); nullopt for
    // an element type that is not valid, no dimension or more than kMaxDims,
    // or more than kMaxElements elements.
    static std::optional<SafeArray> Create(VarType elementType, std::vector<Bound> dims);
    // A one-dimensional array with lower bound 0 and `count` default elements.
    // For sizes the program chooses; throws std::length_error where Create()
    // would give nullopt. Use Create() for counts that come from outside.
    static SafeArray Vector(VarType elementType, std::size_t count);
    // A one-dimensional array with lower bound 0 holding `elements`; nullopt
    // when one of them does not fit the element type or there are too many.
    static std::optional<SafeArray> FromElements(VarType elementType, std::vector<Variant> elements);

    VarType elementType() const { return elementType_; }
    const std::vector<Bound>& dims() const { return dims_; }
    std::size_t dimCount() const { return dims_.size(); }
    std::size_t size() const { return elements_.size(); }
    const std::vector<Variant>& elements() const { return elements_; }
    // One dimension with lower bound 0.
    bool IsVector() const;
    // Every dimension has lower bound 0.
    bool HasZeroLowerBounds() const;

    // Element at a flat index; throws std::out_of_range beyond size().
    const Variant& at(std::size_t index) const;
    // Stores `value` at a flat index. Returns false, changing nothing, when
    // the index is beyond size() or the value does not fit the element type.
    bool set(std::size_t index, Variant value);
    // True when `value` may be stored in an array of `elementType`.
    static bool Fits(VarType elementType, const Variant& value);

    friend bool operator==(const SafeArray&, const SafeArray&) = default;

private:
    SafeArray(VarType elementType, std::vector<Bound> dims, std::size_t total);

    VarType elementType_;
    std::vector<Bound> dims_;
    std::vector<Variant> elements_;
};
