#include "automation/core/SafeArray.h"

#include <stdexcept>

namespace {

Variant DefaultElement(VarType elementType)
{
    switch (elementType) {
    case VT_BSTR: return Variant::Bstr({});
    case VT_DISPATCH: return Variant::Dispatch(nullptr);
    case VT_VARIANT: return Variant();
    default: return *Variant::FromBits(elementType, 0);
    }
}

// Total element count of `dims`, or nullopt when it exceeds the limit.
std::optional<std::size_t> TotalCount(const std::vector<SafeArray::Bound>& dims)
{
    std::size_t total = 1;
    for (const auto& dim : dims) {
        if (dim.count > SafeArray::kMaxElements)
            return std::nullopt;
        total *= dim.count;  // both factors are at most kMaxElements: no overflow
        if (total > SafeArray::kMaxElements)
            return std::nullopt;
    }
    return total;
}

}  // namespace

SafeArray::SafeArray(VarType elementType, std::vector<Bound> dims, std::size_t total)
    : elementType_(elementType), dims_(std::move(dims)), elements_(total, DefaultElement(elementType))
{
}

bool SafeArray::IsValidElementType(VarType type)
{
    return ScalarSize(type) != 0 || type == VT_BSTR || type == VT_DISPATCH || type == VT_VARIANT;
}

std::optional<SafeArray> SafeArray::Create(VarType elementType, std::vector<Bound> dims)
{
    if (!IsValidElementType(elementType) || dims.empty() || dims.size() > kMaxDims)
        return std::nullopt;
    const auto total = TotalCount(dims);
    if (!total)
        return std::nullopt;
    return SafeArray(elementType, std::move(dims), *total);
}

SafeArray SafeArray::Vector(VarType elementType, std::size_t count)
{
    if (count > kMaxElements)
        throw std::length_error("SafeArray::Vector: too many elements");
    auto array = Create(elementType, {Bound{static_cast<std::uint32_t>(count), 0}});
    if (!array)
        throw std::length_error("SafeArray::Vector: element type not allowed in an array");
    return std::move(*array);
}

std::optional<SafeArray> SafeArray::FromElements(VarType elementType, std::vector<Variant> elements)
{
    if (elements.size() > kMaxElements)
        return std::nullopt;
    for (const auto& element : elements) {
        if (!Fits(elementType, element))
            return std::nullopt;
    }
    auto array = Create(elementType, {Bound{static_cast<std::uint32_t>(elements.size()), 0}});
    if (!array)
        return std::nullopt;
    array->elements_ = std::move(elements);
    return array;
}

bool SafeArray::IsVector() const
{
    return dims_.size() == 1 && dims_[0].lowerBound == 0;
}

bool SafeArray::HasZeroLowerBounds() const
{
    for (const auto& dim : dims_) {
        if (dim.lowerBound != 0)
            return false;
    }
    return true;
}

const Variant& SafeArray::at(std::size_t index) const
{
    if (index >= elements_.size())
        throw std::out_of_range("SafeArray::at: index beyond the array");
    return elements_[index];
}

bool SafeArray::set(std::size_t index, Variant value)
{
    if (index >= elements_.size() || !Fits(elementType_, value))
        return false;
    elements_[index] = std::move(value);
    return true;
}

bool SafeArray::Fits(VarType elementType, const Variant& value)
{
    if (elementType == VT_VARIANT)
        return !value.IsByRef();
    return IsValidElementType(elementType) && value.vt() == elementType;
}
