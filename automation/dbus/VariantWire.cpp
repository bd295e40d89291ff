#include "automation/dbus/VariantWire.h"

#include <QDBusMetaType>
#include <QDBusVariant>

#include <bit>
#include <optional>
#include <vector>

QDBusArgument& operator<<(QDBusArgument& out, const WireBound& bound)
{
    out.beginStructure();
    out << static_cast<uint>(bound.count) << static_cast<int>(bound.lowerBound);
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, WireBound& bound)
{
    uint count = 0;
    int lowerBound = 0;
    in.beginStructure();
    in >> count >> lowerBound;
    in.endStructure();
    bound = {count, lowerBound};
    return in;
}

namespace {

// The D-Bus basic type that carries the bits of a fixed-size scalar type.
enum class Carrier { None,
                     Byte,
                     Int16,
                     UInt16,
                     Int32,
                     UInt32,
                     Int64,
                     UInt64,
                     Double,
                     Bytes };

Carrier CarrierOf(VarType type)
{
    switch (type) {
    case VT_EMPTY:
    case VT_NULL:
    case VT_I1:
    case VT_UI1: return Carrier::Byte;
    case VT_I2:
    case VT_BOOL: return Carrier::Int16;
    case VT_UI2: return Carrier::UInt16;
    case VT_I4:
    case VT_INT:
    case VT_ERROR: return Carrier::Int32;
    case VT_UI4:
    case VT_UINT:
    case VT_R4: return Carrier::UInt32;
    case VT_I8:
    case VT_CY: return Carrier::Int64;
    case VT_UI8: return Carrier::UInt64;
    case VT_R8:
    case VT_DATE: return Carrier::Double;
    case VT_BSTR: return Carrier::Bytes;
    default: return Carrier::None;
    }
}

const char* CarrierSignature(Carrier carrier)
{
    switch (carrier) {
    case Carrier::Byte: return "y";
    case Carrier::Int16: return "n";
    case Carrier::UInt16: return "q";
    case Carrier::Int32: return "i";
    case Carrier::UInt32: return "u";
    case Carrier::Int64: return "x";
    case Carrier::UInt64: return "t";
    case Carrier::Double: return "d";
    case Carrier::Bytes: return "ay";
    case Carrier::None: break;
    }
    return "";
}

bool IsElementTypeOnWire(VarType element)
{
    return element == VT_VARIANT || (element != VT_EMPTY && element != VT_NULL && CarrierOf(element) != Carrier::None);
}

QByteArray BytesOf(const std::string& text)
{
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

// A scalar's bits as the QVariant that QtDBus marshals with the carrier's type.
QVariant ScalarOnWire(const Variant& value)
{
    const std::uint64_t bits = value.bits();
    switch (CarrierOf(value.vt())) {
    case Carrier::Byte: return QVariant::fromValue(static_cast<uchar>(value.vt() <= VT_NULL ? 0 : bits));
    case Carrier::Int16: return QVariant::fromValue(static_cast<short>(bits));
    case Carrier::UInt16: return QVariant::fromValue(static_cast<ushort>(bits));
    case Carrier::Int32: return QVariant::fromValue(static_cast<int>(bits));
    case Carrier::UInt32: return QVariant::fromValue(static_cast<uint>(bits));
    case Carrier::Int64: return QVariant::fromValue(static_cast<qlonglong>(bits));
    case Carrier::UInt64: return QVariant::fromValue(static_cast<qulonglong>(bits));
    case Carrier::Double: return QVariant::fromValue(std::bit_cast<double>(bits));
    case Carrier::Bytes: return QVariant::fromValue(BytesOf(value.bstr()));
    case Carrier::None: break;
    }
    return {};
}

void WriteElement(QDBusArgument& out, Carrier carrier, const Variant& element)
{
    const std::uint64_t bits = element.bits();
    switch (carrier) {
    case Carrier::Byte: out << static_cast<uchar>(bits); break;
    case Carrier::Int16: out << static_cast<short>(bits); break;
    case Carrier::UInt16: out << static_cast<ushort>(bits); break;
    case Carrier::Int32: out << static_cast<int>(bits); break;
    case Carrier::UInt32: out << static_cast<uint>(bits); break;
    case Carrier::Int64: out << static_cast<qlonglong>(bits); break;
    case Carrier::UInt64: out << static_cast<qulonglong>(bits); break;
    case Carrier::Double: out << std::bit_cast<double>(bits); break;
    case Carrier::Bytes: out << BytesOf(element.bstr()); break;
    case Carrier::None: break;
    }
}

QMetaType CarrierMetaType(Carrier carrier)
{
    switch (carrier) {
    case Carrier::Byte: return QMetaType::fromType<uchar>();
    case Carrier::Int16: return QMetaType::fromType<short>();
    case Carrier::UInt16: return QMetaType::fromType<ushort>();
    case Carrier::Int32: return QMetaType::fromType<int>();
    case Carrier::UInt32: return QMetaType::fromType<uint>();
    case Carrier::Int64: return QMetaType::fromType<qlonglong>();
    case Carrier::UInt64: return QMetaType::fromType<qulonglong>();
    case Carrier::Double: return QMetaType::fromType<double>();
    case Carrier::Bytes: return QMetaType::fromType<QByteArray>();
    case Carrier::None: break;
    }
    return {};
}

// "(a(ui)<elements>)": bounds, then the elements in storage order.
QDBusArgument ArrayOnWire(const SafeArray& array)
{
    QDBusArgument out;
    out.beginStructure();
    out.beginArray(QMetaType::fromType<WireBound>());
    for (const auto& bound : array.dims()) out << WireBound{bound.count, bound.lowerBound};
    out.endArray();
    if (array.elementType() == VT_VARIANT) {
        out.beginArray(QMetaType::fromType<WireVariant>());
        for (const auto& element : array.elements()) VariantWire::Write(out, element);
        out.endArray();
    } else {
        const Carrier carrier = CarrierOf(array.elementType());
        out.beginArray(CarrierMetaType(carrier));
        for (const auto& element : array.elements()) WriteElement(out, carrier, element);
        out.endArray();
    }
    out.endStructure();
    return out;
}

// Reads one element of a typed array; false if the element type is not that carrier's.
bool ReadElement(const QDBusArgument& in, VarType elementType, Carrier carrier, Variant& element)
{
    std::uint64_t bits = 0;
    switch (carrier) {
    case Carrier::Byte: {
        uchar v;
        in >> v;
        bits = v;
        break;
    }
    case Carrier::Int16: {
        short v;
        in >> v;
        bits = static_cast<std::uint16_t>(v);
        break;
    }
    case Carrier::UInt16: {
        ushort v;
        in >> v;
        bits = v;
        break;
    }
    case Carrier::Int32: {
        int v;
        in >> v;
        bits = static_cast<std::uint32_t>(v);
        break;
    }
    case Carrier::UInt32: {
        uint v;
        in >> v;
        bits = v;
        break;
    }
    case Carrier::Int64: {
        qlonglong v;
        in >> v;
        bits = static_cast<std::uint64_t>(v);
        break;
    }
    case Carrier::UInt64: {
        qulonglong v;
        in >> v;
        bits = v;
        break;
    }
    case Carrier::Double: {
        double v;
        in >> v;
        bits = std::bit_cast<std::uint64_t>(v);
        break;
    }
    case Carrier::Bytes: {
        QByteArray v;
        in >> v;
        element = Variant::Bstr(v.toStdString());
        return true;
    }
    case Carrier::None: return false;
    }
    element = *Variant::FromBits(elementType, bits);
    return true;
}

// The element count that the bounds declare, or nullopt when no array may have that many.
std::optional<std::size_t> DeclaredCount(const std::vector<SafeArray::Bound>& dims)
{
    std::uint64_t total = 1;
    for (const auto& dim : dims) {
        total *= dim.count;  // at most kMaxElements times 2^32: no overflow
        if (total > SafeArray::kMaxElements) return std::nullopt;
    }
    return static_cast<std::size_t>(total);
}

bool ReadArray(const QDBusArgument& in, VarType elementType, Variant& value)
{
    if (in.currentSignature() != VariantWire::ValueSignature(VT_ARRAY | elementType)) return false;
    in.beginStructure();
    std::vector<SafeArray::Bound> dims;
    in.beginArray();
    while (!in.atEnd()) {
        WireBound bound;
        in >> bound;
        if (dims.size() <= SafeArray::kMaxDims) dims.push_back({bound.count, bound.lowerBound});
    }
    in.endArray();
    const std::optional<std::size_t> declared = DeclaredCount(dims);
    bool ok = declared.has_value();

    // Only elements that are on the wire take memory: the array is made once
    // they are all read and match the bounds. Making it from the bounds first
    // would let a few bytes that declare millions of elements, nested in
    // arrays of variants, cost the server gigabytes.
    std::vector<Variant> elements;
    const Carrier carrier = CarrierOf(elementType);
    in.beginArray();
    while (!in.atEnd()) {
        Variant element;
        const bool read = elementType == VT_VARIANT ? VariantWire::Read(in, element)
                                                    : ReadElement(in, elementType, carrier, element);
        ok = ok && read && elements.size() < *declared;
        if (ok) elements.push_back(std::move(element));
    }
    in.endArray();
    in.endStructure();
    if (!ok || elements.size() != *declared) return false;
    auto array = SafeArray::Create(elementType, dims);
    if (!array) return false;
    for (std::size_t i = 0; i < elements.size(); ++i)
        if (!array->set(i, std::move(elements[i]))) return false;
    value = Variant::Array(std::move(*array));
    return true;
}

bool ReadScalar(const QVariant& wire, VarType type, Variant& value)
{
    const Carrier carrier = CarrierOf(type);
    if (carrier == Carrier::None || wire.metaType() != CarrierMetaType(carrier)) return false;
    switch (type) {
    case VT_EMPTY: value = Variant(); return true;
    case VT_NULL: value = Variant::Null(); return true;
    case VT_BSTR: value = Variant::Bstr(wire.toByteArray().toStdString()); return true;
    default: break;
    }
    std::uint64_t bits = 0;
    switch (carrier) {
    case Carrier::Byte: bits = wire.value<uchar>(); break;
    case Carrier::Int16: bits = static_cast<std::uint16_t>(wire.value<short>()); break;
    case Carrier::UInt16: bits = wire.value<ushort>(); break;
    case Carrier::Int32: bits = static_cast<std::uint32_t>(wire.value<int>()); break;
    case Carrier::UInt32: bits = wire.value<uint>(); break;
    case Carrier::Int64: bits = static_cast<std::uint64_t>(wire.value<qlonglong>()); break;
    case Carrier::UInt64: bits = wire.value<qulonglong>(); break;
    case Carrier::Double: bits = std::bit_cast<std::uint64_t>(wire.value<double>()); break;
    default: return false;
    }
    value = *Variant::FromBits(type, bits);
    return true;
}

}  // namespace

bool VariantWire::IsSendable(const Variant& value)
{
    if (value.IsByRef()) return false;
    if (!value.IsArray()) return CarrierOf(value.vt()) != Carrier::None;
    const SafeArray& array = value.array();
    if (!IsElementTypeOnWire(array.elementType())) return false;
    if (array.elementType() != VT_VARIANT) return true;
    for (const auto& element : array.elements())
        if (!IsSendable(element)) return false;
    return true;
}

void VariantWire::Write(QDBusArgument& out, const Variant& value)
{
    const bool sendable = IsSendable(value);
    out.beginStructure();
    out << static_cast<ushort>(sendable ? value.vt() : VT_EMPTY);
    if (!sendable)
        out << QDBusVariant(QVariant::fromValue(static_cast<uchar>(0)));
    else if (value.IsArray())
        out << QDBusVariant(QVariant::fromValue(ArrayOnWire(value.array())));
    else
        out << QDBusVariant(ScalarOnWire(value));
    out.endStructure();
}

bool VariantWire::Read(const QDBusArgument& in, Variant& value)
{
    value = Variant();
    if (in.currentSignature() != QLatin1String(kSignature)) return false;
    ushort tag = 0;
    QDBusVariant wire;
    in.beginStructure();
    in >> tag >> wire;
    in.endStructure();

    const auto type = static_cast<VarType>(tag);
    const QVariant& inner = wire.variant();
    if ((type & VT_ARRAY) != 0) {
        const VarType element = static_cast<VarType>(type & ~VT_ARRAY);
        if (!IsElementTypeOnWire(element) || inner.metaType() != QMetaType::fromType<QDBusArgument>()) return false;
        return ReadArray(inner.value<QDBusArgument>(), element, value);
    }
    return ReadScalar(inner, type, value);
}

QString VariantWire::ValueSignature(VarType type)
{
    if ((type & VT_ARRAY) == 0) return QLatin1String(CarrierSignature(CarrierOf(type)));
    const VarType element = static_cast<VarType>(type & ~VT_ARRAY);
    if (!IsElementTypeOnWire(element)) return {};
    const QString elements = element == VT_VARIANT ? QStringLiteral("(qv)")
                                                   : QLatin1String(CarrierSignature(CarrierOf(element)));
    return QStringLiteral("(a(ui)a") + elements + QLatin1Char(')');
}

void VariantWire::RegisterTypes()
{
    qDBusRegisterMetaType<WireBound>();
    qDBusRegisterMetaType<WireVariant>();
    qDBusRegisterMetaType<QList<WireVariant>>();
    qDBusRegisterMetaType<ExcepInfo>();
}

QDBusArgument& operator<<(QDBusArgument& out, const WireVariant& wire)
{
    VariantWire::Write(out, wire.value);
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, WireVariant& wire)
{
    wire.valid = VariantWire::Read(in, wire.value);
    return in;
}

QDBusArgument& operator<<(QDBusArgument& out, const ExcepInfo& info)
{
    out.beginStructure();
    out << static_cast<ushort>(info.code) << static_cast<int>(info.scode) << BytesOf(info.source)
        << BytesOf(info.description) << BytesOf(info.helpFile) << static_cast<uint>(info.helpContext);
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, ExcepInfo& info)
{
    ushort code = 0;
    int scode = 0;
    QByteArray source, description, helpFile;
    uint helpContext = 0;
    in.beginStructure();
    in >> code >> scode >> source >> description >> helpFile >> helpContext;
    in.endStructure();
    info.code = code;
    info.scode = scode;
    info.source = source.toStdString();
    info.description = description.toStdString();
    info.helpFile = helpFile.toStdString();
    info.helpContext = helpContext;
    return in;
}
