"""The D-Bus form of a Variant: the structure "(qv)" of its VT tag and its
value, every scalar as its own bits in the D-Bus integer of its size, text as
bytes, arrays as "(a(ui)<elements>)" (docs/automation-over-dbus.md, section 5).

Reading expects messages read with byte_arrays=True, so that "ay" arrives as
bytes. A value whose D-Bus type, bounds or element count do not fit its tag is
malformed: `from_dbus` raises MalformedValue.
"""

import dbus

from . import variant as _v
from .variant import Variant

VARIANT_SIGNATURE = "(qv)"

_DBUS_TYPES = {
    "y": dbus.Byte, "n": dbus.Int16, "q": dbus.UInt16, "i": dbus.Int32, "u": dbus.UInt32,
    "x": dbus.Int64, "t": dbus.UInt64, "d": dbus.Double,
}
# The Python type dbus-python gives each carrier when it reads a message.
_READ_TYPES = dict(_DBUS_TYPES, ay=dbus.ByteArray)


class MalformedValue(ValueError):
    """A "(qv)" whose value does not fit its tag."""


def value_signature(vt):
    """The D-Bus signature of the value part of a tag: "i" for VT_I4,
    "(a(ui)ay)" for VT_ARRAY|VT_UI1; None for a tag that cannot travel."""
    if not vt & _v.VT_ARRAY:
        return _v.carrier(vt)
    element = vt & ~_v.VT_ARRAY
    if not _v.is_element_type(element):
        return None
    elements = VARIANT_SIGNATURE if element == _v.VT_VARIANT else _v.carrier(element)
    return "(a(ui)a%s)" % elements


def _scalar_to_dbus(sig, bits):
    if sig == "ay":
        return dbus.ByteArray(bits)
    return _DBUS_TYPES[sig](bits)


def to_dbus(value):
    """The "(qv)" structure of a Variant, as dbus-python sends it."""
    if not value.is_array:
        inner = _scalar_to_dbus(_v.carrier(value.vt), value.bits)
    else:
        bounds = dbus.Array([dbus.Struct((dbus.UInt32(count), dbus.Int32(lower)), signature="ui")
                             for count, lower in value.bounds], signature="(ui)")
        element_type = value.vt & ~_v.VT_ARRAY
        if element_type == _v.VT_VARIANT:
            elements = dbus.Array([to_dbus(element) for element in value.elements], signature=VARIANT_SIGNATURE)
        else:
            sig = _v.carrier(element_type)
            if sig == "y":
                elements = dbus.ByteArray(bytes(element.bits for element in value.elements))
            else:
                elements = dbus.Array([_scalar_to_dbus(sig, element.bits) for element in value.elements],
                                      signature=sig)
        inner = dbus.Struct((bounds, elements), signature=value_signature(value.vt)[1:-1])
    return dbus.Struct((dbus.UInt16(value.vt), inner), signature="qv")


def arguments_to_dbus(values):
    """An argument list "a(qv)"."""
    return dbus.Array([to_dbus(value) for value in values], signature=VARIANT_SIGNATURE)


def _expect(condition):
    if not condition:
        raise MalformedValue("value does not fit its tag")


def _scalar_from_dbus(vt, sig, inner):
    _expect(type(inner) is _READ_TYPES[sig])
    if sig == "ay":
        return Variant.from_bits(vt, bytes(inner))
    if sig == "d":
        return Variant.from_bits(vt, float(inner))
    bits = int(inner)
    if vt in (_v.VT_EMPTY, _v.VT_NULL):
        bits = 0
    return Variant.from_bits(vt, bits)


def _array_from_dbus(vt, inner):
    element_type = vt & ~_v.VT_ARRAY
    _expect(_v.is_element_type(element_type))
    _expect(isinstance(inner, dbus.Struct) and len(inner) == 2)
    bounds, elements = inner
    _expect(isinstance(bounds, dbus.Array) and bounds.signature == "(ui)")
    dims = []
    for bound in bounds:
        dims.append((int(bound[0]), int(bound[1])))
    if element_type == _v.VT_VARIANT:
        _expect(isinstance(elements, dbus.Array) and elements.signature == VARIANT_SIGNATURE)
        items = [from_dbus(element) for element in elements]
    else:
        sig = _v.carrier(element_type)
        if sig == "y":
            _expect(isinstance(elements, dbus.ByteArray))
            items = [Variant.from_bits(element_type, byte) for byte in bytes(elements)]
        else:
            _expect(isinstance(elements, dbus.Array) and elements.signature == sig)
            items = [_scalar_from_dbus(element_type, sig, element) for element in elements]
    try:
        return Variant.array(vt, dims, items)
    except _v.AutomationError:
        raise MalformedValue("bounds do not fit the elements") from None


def from_dbus(structure):
    """The Variant of a "(qv)" structure read from a message."""
    _expect(isinstance(structure, dbus.Struct) and len(structure) == 2 and type(structure[0]) is dbus.UInt16)
    vt, inner = int(structure[0]), structure[1]
    if vt & _v.VT_ARRAY:
        return _array_from_dbus(vt, inner)
    sig = _v.carrier(vt)
    _expect(sig is not None)
    return _scalar_from_dbus(vt, sig, inner)
