#include "automation/core/Variant.h"

#include <bit>
#include <ostream>
#include <sstream>
#include <stdexcept>

namespace {

std::uint64_t LowBytesMask(std::size_t size)
{
    return size >= 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (size * 8)) - 1;
}

// The numeric types whose bits mean the same kind of thing in every reading,
// so that a tag change of equal size is a plain reinterpretation.
bool IsRelabelType(VarType t)
{
    switch (t) {
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_I8:
    case VT_UI8:
    case VT_R8:
        return true;
    default:
        return false;
    }
}

}  // namespace

Variant::Variant() = default;

Variant::Variant(const Variant& other)
    : vt_(other.vt_),
      bits_(other.bits_),
      text_(other.text_),
      object_(other.object_),
      array_(other.array_ ? std::make_unique<SafeArray>(*other.array_) : nullptr),
      ref_(other.ref_)
{
}

Variant::Variant(Variant&& other) noexcept
    : vt_(other.vt_),
      bits_(other.bits_),
      text_(std::move(other.text_)),
      object_(std::move(other.object_)),
      array_(std::move(other.array_)),
      ref_(other.ref_)
{
    other.Clear();
}

Variant& Variant::operator=(const Variant& other)
{
    if (this != &other) {
        Variant copy(other);
        *this = std::move(copy);
    }
    return *this;
}

Variant& Variant::operator=(Variant&& other) noexcept
{
    if (this != &other) {
        vt_ = other.vt_;
        bits_ = other.bits_;
        text_ = std::move(other.text_);
        object_ = std::move(other.object_);
        array_ = std::move(other.array_);
        ref_ = other.ref_;
        other.Clear();
    }
    return *this;
}

Variant::~Variant() = default;

Variant Variant::Scalar(VarType type, std::uint64_t bits)
{
    Variant v;
    v.vt_ = type;
    v.bits_ = bits & LowBytesMask(ScalarSize(type));
    return v;
}

Variant Variant::Null()
{
    Variant v;
    v.vt_ = VT_NULL;
    return v;
}

Variant Variant::Error(std::int32_t scode) { return Scalar(VT_ERROR, static_cast<std::uint32_t>(scode)); }
Variant Variant::I1(std::int8_t value) { return Scalar(VT_I1, static_cast<std::uint8_t>(value)); }
Variant Variant::UI1(std::uint8_t value) { return Scalar(VT_UI1, value); }
Variant Variant::I2(std::int16_t value) { return Scalar(VT_I2, static_cast<std::uint16_t>(value)); }
Variant Variant::UI2(std::uint16_t value) { return Scalar(VT_UI2, value); }
Variant Variant::I4(std::int32_t value) { return Scalar(VT_I4, static_cast<std::uint32_t>(value)); }
Variant Variant::UI4(std::uint32_t value) { return Scalar(VT_UI4, value); }
Variant Variant::Int(std::int32_t value) { return Scalar(VT_INT, static_cast<std::uint32_t>(value)); }
Variant Variant::UInt(std::uint32_t value) { return Scalar(VT_UINT, value); }
Variant Variant::I8(std::int64_t value) { return Scalar(VT_I8, static_cast<std::uint64_t>(value)); }
Variant Variant::UI8(std::uint64_t value) { return Scalar(VT_UI8, value); }
Variant Variant::R4(float value) { return Scalar(VT_R4, std::bit_cast<std::uint32_t>(value)); }
Variant Variant::R8(double value) { return Scalar(VT_R8, std::bit_cast<std::uint64_t>(value)); }
Variant Variant::Cy(std::int64_t scaledBy10000) { return Scalar(VT_CY, static_cast<std::uint64_t>(scaledBy10000)); }
Variant Variant::Date(double days) { return Scalar(VT_DATE, std::bit_cast<std::uint64_t>(days)); }
Variant Variant::Bool(bool value) { return Scalar(VT_BOOL, value ? 0xFFFF : 0); }

Variant Variant::Bstr(std::string bytes)
{
    Variant v;
    v.vt_ = VT_BSTR;
    v.text_ = std::move(bytes);
    return v;
}

Variant Variant::Dispatch(std::shared_ptr<Dispatchable> object)
{
    Variant v;
    v.vt_ = VT_DISPATCH;
    v.object_ = std::move(object);
    return v;
}

Variant Variant::Array(SafeArray array)
{
    Variant v;
    v.vt_ = VT_ARRAY | array.elementType();
    v.array_ = std::make_unique<SafeArray>(std::move(array));
    return v;
}

Variant Variant::ByRef(Variant* target)
{
    Variant v;
    v.vt_ = VT_BYREF | (target ? target->vt() : VT_EMPTY);
    v.ref_ = target;
    return v;
}

std::optional<Variant> Variant::FromBits(VarType type, std::uint64_t bits)
{
    if (ScalarSize(type) == 0)
        return std::nullopt;
    return Scalar(type, bits);
}

float Variant::r4() const { return std::bit_cast<float>(static_cast<std::uint32_t>(bits_)); }
double Variant::r8() const { return std::bit_cast<double>(bits_); }

SafeArray& Variant::array()
{
    if (!IsArray() || !array_)
        throw std::logic_error("Variant::array() on a value that is not an array");
    return *array_;
}

const SafeArray& Variant::array() const
{
    if (!IsArray() || !array_)
        throw std::logic_error("Variant::array() on a value that is not an array");
    return *array_;
}

void Variant::Clear()
{
    vt_ = VT_EMPTY;
    bits_ = 0;
    text_.clear();
    object_.reset();
    array_.reset();
    ref_ = nullptr;
}

bool Variant::Relabel(VarType type)
{
    if (type == vt_)
        return true;
    if (!IsRelabelType(vt_) || !IsRelabelType(type) || ScalarSize(vt_) != ScalarSize(type))
        return false;
    vt_ = type;
    return true;
}

bool operator==(const Variant& a, const Variant& b)
{
    if (a.vt_ != b.vt_ || a.bits_ != b.bits_ || a.text_ != b.text_ || a.object_ != b.object_ || a.ref_ != b.ref_)
        return false;
    if (!a.array_ || !b.array_)
        return !a.array_ && !b.array_;
    return *a.array_ == *b.array_;
}

std::string Variant::ToDebugString() const
{
    std::ostringstream out;
    out << VarTypeName(vt_);
    if (IsArray()) {
        out << " [";
        const auto& elements = array_->elements();
        for (std::size_t i = 0; i < elements.size(); ++i)
            out << (i ? ", " : "") << elements[i].ToDebugString();
        out << "]";
        return out.str();
    }
    switch (vt_) {
    case VT_EMPTY:
    case VT_NULL:
        break;
    case VT_BSTR:
        out << " \"" << text_ << "\"";
        break;
    case VT_R4:
        out << " " << r4();
        break;
    case VT_R8:
    case VT_DATE:
        out << " " << r8();
        break;
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_INT:
    case VT_I8:
    case VT_CY:
    case VT_ERROR:
    case VT_BOOL:
        out << " " << (ScalarSize(vt_) == 8 ? i8() : ScalarSize(vt_) == 4 ? i4()
                                                 : ScalarSize(vt_) == 2   ? i2()
                                                                          : i1());
        break;
    case VT_DISPATCH:
        out << " " << object_.get();
        break;
    default:
        if (IsByRef())
            out << " -> " << static_cast<const void*>(ref_);
        else
            out << " " << bits_;
    }
    return out.str();
}

std::ostream& operator<<(std::ostream& out, const Variant& value)
{
    return out << value.ToDebugString();
}
