#pragma once

#include "automation/core/ExcepInfo.h"
#include "automation/core/Variant.h"

#include <QDBusArgument>
#include <QMetaType>
#include <QString>

#include <cstdint>

// The D-Bus form of a Variant: the structure "(qv)" of its VT tag and its
// value, every scalar as its own bits, text as bytes, arrays with element
// type, bounds and elements. docs/automation-over-dbus.md has the table.
class VariantWire {
public:
    static constexpr const char* kSignature = "(qv)";

    // True if the value can travel: no VT_DISPATCH and no VT_BYREF anywhere in it.
    static bool IsSendable(const Variant& value);

    // Appends "(qv)". The value must be sendable; an unsendable one is written
    // as VT_EMPTY so that the message stays well-formed.
    static void Write(QDBusArgument& out, const Variant& value);

    // Reads one "(qv)" at the argument's current position. Returns false, with
    // `value` left empty, when the tag is not a sendable type or the value's
    // D-Bus type, bounds or element count do not fit the tag.
    static bool Read(const QDBusArgument& in, Variant& value);

    // The D-Bus signature of the value part of a tag: "i" for VT_I4,
    // "(a(ui)ay)" for VT_ARRAY|VT_UI1; empty for a tag that cannot travel.
    static QString ValueSignature(VarType type);

    // Registers the D-Bus types below with QtDBus; safe to call more than once.
    static void RegisterTypes();
};

// One dimension of an array on the wire: "(ui)", element count and lower bound.
struct WireBound {
    std::uint32_t count = 0;
    std::int32_t lowerBound = 0;
};

QDBusArgument& operator<<(QDBusArgument& out, const WireBound& bound);
const QDBusArgument& operator>>(const QDBusArgument& in, WireBound& bound);

Q_DECLARE_METATYPE(WireBound)

// One Variant as a QtDBus type with the signature "(qv)", for lists of
// arguments ("a(qv)") and arrays of VT_VARIANT.
struct WireVariant {
    Variant value;
    bool valid = true;  // false when reading found a malformed value
};

QDBusArgument& operator<<(QDBusArgument& out, const WireVariant& wire);
const QDBusArgument& operator>>(const QDBusArgument& in, WireVariant& wire);

Q_DECLARE_METATYPE(WireVariant)

// Exception information as "(qiayayayu)": code, scode, source, description,
// help file, help context; the texts as bytes.
QDBusArgument& operator<<(QDBusArgument& out, const ExcepInfo& info);
const QDBusArgument& operator>>(const QDBusArgument& in, ExcepInfo& info);

Q_DECLARE_METATYPE(ExcepInfo)
