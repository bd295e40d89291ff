#pragma once

#include <QDBusArgument>
#include <QVariant>

#include <cstdint>

class FuzzInput;

// Writes the argument list of an Invoke call, "a(qv)", as the fuzz input
// directs: mostly values whose tag and D-Bus value agree (scalars and arrays
// with any bounds and element counts, arrays of variants nested a few levels
// deep), and some whose value is of another D-Bus type or shape than the tag
// asks for. Whatever it writes is a well-formed D-Bus value, as anything
// that comes through the bus daemon is.
class WireArgumentWriter {
public:
    explicit WireArgumentWriter(FuzzInput& in) : in_(in) {}

    // Registers the D-Bus types the writer uses; call once.
    static void RegisterTypes();

    // The argument list as a message argument.
    QVariant ArgumentList();

private:
    static constexpr int kMaxDepth = 5;

    // One "(qv)" structure.
    void WriteTagged(QDBusArgument& out, int depth);
    // The value part for `tag`: the matching D-Bus type most of the time.
    QVariant ValueFor(std::uint16_t tag, int depth);
    QVariant ScalarFor(std::uint16_t tag);
    QVariant ArrayFor(std::uint16_t elementType, int depth);
    // A value of any of a few D-Bus types, in no relation to a tag.
    QVariant OddValue(int depth);

    FuzzInput& in_;
};
