#include "fuzz/WireArgumentWriter.h"

#include "automation/core/VarType.h"
#include "automation/dbus/VariantWire.h"
#include "fuzz/FuzzInput.h"

#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusSignature>
#include <QDBusVariant>
#include <QStringList>

#include <array>
#include <bit>

namespace {

// One array dimension on the wire, "(ui)".
struct FuzzBound {
    uint count = 0;
    int lowerBound = 0;
};

// A structure of the same start but one field more, "(uii)".
struct FuzzLongBound {
    uint count = 0;
    int lowerBound = 0;
    int extra = 0;
};

}  // namespace

Q_DECLARE_METATYPE(FuzzBound)
Q_DECLARE_METATYPE(FuzzLongBound)

namespace {

QDBusArgument& operator<<(QDBusArgument& out, const FuzzBound& bound)
{
    out.beginStructure();
    out << bound.count << bound.lowerBound;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, FuzzBound& bound)
{
    in.beginStructure();
    in >> bound.count >> bound.lowerBound;
    in.endStructure();
    return in;
}

QDBusArgument& operator<<(QDBusArgument& out, const FuzzLongBound& bound)
{
    out.beginStructure();
    out << bound.count << bound.lowerBound << bound.extra;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, FuzzLongBound& bound)
{
    in.beginStructure();
    in >> bound.count >> bound.lowerBound >> bound.extra;
    in.endStructure();
    return in;
}

// Tags that can travel, and element types of arrays that can.
constexpr std::array<std::uint16_t, 18> kScalarTags = {
    VT_EMPTY, VT_NULL, VT_I2, VT_I4, VT_R4, VT_R8, VT_CY, VT_DATE, VT_BSTR,
    VT_ERROR, VT_BOOL, VT_I1, VT_UI1, VT_UI2, VT_UI4, VT_I8, VT_UI8, VT_INT};
constexpr std::array<std::uint16_t, 4> kOtherTags = {VT_UINT, VT_VARIANT, VT_DISPATCH, VT_BYREF | VT_I4};

// The element type of the next array written: the tag's, or another one.
enum class Elements { Byte,
                      Int16,
                      UInt16,
                      Int32,
                      UInt32,
                      Int64,
                      UInt64,
                      Double,
                      Bytes,
                      Tagged,
                      Count };

Elements ElementsOf(std::uint16_t elementType)
{
    switch (elementType) {
    case VT_I1:
    case VT_UI1: return Elements::Byte;
    case VT_I2:
    case VT_BOOL: return Elements::Int16;
    case VT_UI2: return Elements::UInt16;
    case VT_I4:
    case VT_INT:
    case VT_ERROR: return Elements::Int32;
    case VT_UI4:
    case VT_UINT:
    case VT_R4: return Elements::UInt32;
    case VT_I8:
    case VT_CY: return Elements::Int64;
    case VT_UI8: return Elements::UInt64;
    case VT_R8:
    case VT_DATE: return Elements::Double;
    case VT_BSTR: return Elements::Bytes;
    default: return Elements::Tagged;
    }
}

QMetaType MetaTypeOf(Elements elements)
{
    switch (elements) {
    case Elements::Byte: return QMetaType::fromType<uchar>();
    case Elements::Int16: return QMetaType::fromType<short>();
    case Elements::UInt16: return QMetaType::fromType<ushort>();
    case Elements::Int32: return QMetaType::fromType<int>();
    case Elements::UInt32: return QMetaType::fromType<uint>();
    case Elements::Int64: return QMetaType::fromType<qlonglong>();
    case Elements::UInt64: return QMetaType::fromType<qulonglong>();
    case Elements::Double: return QMetaType::fromType<double>();
    case Elements::Bytes: return QMetaType::fromType<QByteArray>();
    case Elements::Tagged:
    case Elements::Count: break;
    }
    return QMetaType::fromType<WireVariant>();
}

QByteArray Text(FuzzInput& in)
{
    const std::size_t length = in.Byte() % 24;
    QByteArray text;
    for (std::size_t i = 0; i < length; ++i)
        text.append(static_cast<char>(in.Byte()));
    return text;
}

std::uint64_t Word64(FuzzInput& in)
{
    const std::uint64_t low = in.Word32();
    return low | std::uint64_t{in.Word32()} << 32;
}

}  // namespace

void WireArgumentWriter::RegisterTypes()
{
    VariantWire::RegisterTypes();
    qDBusRegisterMetaType<FuzzBound>();
    qDBusRegisterMetaType<FuzzLongBound>();
}

QVariant WireArgumentWriter::ArgumentList()
{
    QDBusArgument out;
    out.beginArray(QMetaType::fromType<WireVariant>());
    const int count = in_.Byte() % 10;
    for (int i = 0; i < count; ++i)
        WriteTagged(out, 0);
    out.endArray();
    return QVariant::fromValue(out);
}

void WireArgumentWriter::WriteTagged(QDBusArgument& out, int depth)
{
    const std::uint8_t choice = in_.Byte();
    std::uint16_t tag = 0;
    if (choice < 96)
        tag = kScalarTags[choice % kScalarTags.size()];
    else if (choice < 192)
        tag = static_cast<std::uint16_t>(VT_ARRAY | (choice % 2 == 0 ? VT_VARIANT : kScalarTags[choice % kScalarTags.size()]));
    else if (choice < 224)
        tag = static_cast<std::uint16_t>((choice % 2 == 0 ? VT_ARRAY : 0) | kOtherTags[choice % kOtherTags.size()]);
    else
        tag = in_.Word16();
    out.beginStructure();
    out << static_cast<ushort>(tag) << QDBusVariant(ValueFor(tag, depth));
    out.endStructure();
}

QVariant WireArgumentWriter::ValueFor(std::uint16_t tag, int depth)
{
    if (in_.Byte() >= 224)
        return OddValue(depth);
    if ((tag & VT_ARRAY) != 0)
        return ArrayFor(static_cast<std::uint16_t>(tag & ~VT_ARRAY), depth);
    return ScalarFor(tag);
}

QVariant WireArgumentWriter::ScalarFor(std::uint16_t tag)
{
    switch (ElementsOf(tag)) {
    case Elements::Byte: return QVariant::fromValue(static_cast<uchar>(in_.Byte()));
    case Elements::Int16: return QVariant::fromValue(static_cast<short>(in_.Word16()));
    case Elements::UInt16: return QVariant::fromValue(static_cast<ushort>(in_.Word16()));
    case Elements::Int32: return QVariant::fromValue(static_cast<int>(in_.Word32()));
    case Elements::UInt32: return QVariant::fromValue(static_cast<uint>(in_.Word32()));
    case Elements::Int64: return QVariant::fromValue(static_cast<qlonglong>(Word64(in_)));
    case Elements::UInt64: return QVariant::fromValue(static_cast<qulonglong>(Word64(in_)));
    case Elements::Double: return QVariant::fromValue(std::bit_cast<double>(Word64(in_)));
    case Elements::Bytes: return QVariant::fromValue(Text(in_));
    case Elements::Tagged:
    case Elements::Count: break;
    }
    // VT_EMPTY and VT_NULL travel as a byte.
    return QVariant::fromValue(static_cast<uchar>(in_.Byte()));
}

QVariant WireArgumentWriter::ArrayFor(std::uint16_t elementType, int depth)
{
    const std::uint8_t shape = in_.Byte();
    QDBusArgument out;
    out.beginStructure();

    // Bounds: a few dimensions, counts mostly small, now and then any at all.
    const int dims = shape % 16 == 15 ? 34 : shape % 4;
    if (shape % 32 == 31) {
        out.beginArray(QMetaType::fromType<FuzzLongBound>());
        for (int i = 0; i < dims; ++i)
            out << FuzzLongBound{in_.Byte() % 8u, static_cast<int>(in_.Word32()), 0};
    } else {
        out.beginArray(QMetaType::fromType<FuzzBound>());
        for (int i = 0; i < dims; ++i) {
            const std::uint8_t size = in_.Byte();
            const uint count = size < 240 ? size % 8u : in_.Word32();
            out << FuzzBound{count, static_cast<int>(in_.Word32())};
        }
    }
    out.endArray();

    // Elements: the tag's element type, or now and then another one.
    Elements elements = ElementsOf(elementType);
    if (shape >= 224)
        elements = static_cast<Elements>(in_.Byte() % static_cast<int>(Elements::Count));
    if (elements == Elements::Tagged && depth >= kMaxDepth)
        elements = Elements::Int32;
    const int count = in_.Byte() % 12;
    out.beginArray(MetaTypeOf(elements));
    for (int i = 0; i < count; ++i) {
        if (elements == Elements::Tagged) {
            WriteTagged(out, depth + 1);
            continue;
        }
        switch (elements) {
        case Elements::Byte: out << static_cast<uchar>(in_.Byte()); break;
        case Elements::Int16: out << static_cast<short>(in_.Word16()); break;
        case Elements::UInt16: out << static_cast<ushort>(in_.Word16()); break;
        case Elements::Int32: out << static_cast<int>(in_.Word32()); break;
        case Elements::UInt32: out << static_cast<uint>(in_.Word32()); break;
        case Elements::Int64: out << static_cast<qlonglong>(Word64(in_)); break;
        case Elements::UInt64: out << static_cast<qulonglong>(Word64(in_)); break;
        case Elements::Double: out << std::bit_cast<double>(Word64(in_)); break;
        case Elements::Bytes: out << Text(in_); break;
        case Elements::Tagged:
        case Elements::Count: break;
        }
    }
    out.endArray();
    out.endStructure();
    return QVariant::fromValue(out);
}

QVariant WireArgumentWriter::OddValue(int depth)
{
    switch (in_.Byte() % 8) {
    case 0: return QVariant::fromValue(in_.Byte() % 2 == 0);
    case 1: return QVariant::fromValue(QString::fromLatin1(Text(in_)));
    case 2: return QVariant::fromValue(QStringList{QString::fromLatin1(Text(in_)), QStringLiteral("x")});
    case 3: return QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/varnix")));
    case 4: return QVariant::fromValue(QDBusSignature(QStringLiteral("a(qv)")));
    case 5: return QVariant::fromValue(QVariantMap{{QStringLiteral("count"), static_cast<int>(in_.Word32())}});
    case 6: {
        // A value nested in one more variant.
        QDBusArgument out;
        out.beginStructure();
        out << QDBusVariant(depth < kMaxDepth ? ValueFor(in_.Word16(), depth + 1) : QVariant::fromValue(0));
        out.endStructure();
        return QVariant::fromValue(out);
    }
    default: return QVariant::fromValue(static_cast<int>(in_.Word32()));
    }
}
