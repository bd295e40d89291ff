"""Automation values: the VT tags, Variant, and the mapping to plain Python.

A Variant is a value with its VT tag, held as the bits it travels as, so that
every value the server sends comes back unchanged when it is sent again (NaN
payloads and odd BOOL bits included). Scripts seldom need it: arguments are
plain Python values, mapped by `Variant.of`, and results are plain Python
values, mapped by `Variant.value`. docs/python-scripting.md has the tables.
"""

import datetime
import decimal
import struct

from . import hresult as _hr
from .errors import AutomationError

VT_EMPTY = 0
VT_NULL = 1
VT_I2 = 2
VT_I4 = 3
VT_R4 = 4
VT_R8 = 5
VT_CY = 6
VT_DATE = 7
VT_BSTR = 8
VT_DISPATCH = 9
VT_ERROR = 10
VT_BOOL = 11
VT_VARIANT = 12
VT_I1 = 16
VT_UI1 = 17
VT_UI2 = 18
VT_UI4 = 19
VT_I8 = 20
VT_UI8 = 21
VT_INT = 22
VT_UINT = 23
VT_ARRAY = 0x2000
VT_BYREF = 0x4000

MAX_DIMENSIONS = 32
MAX_ELEMENTS = 4194304

# The D-Bus type that carries each scalar tag's bits, and the range of those bits.
_CARRIERS = {
    VT_EMPTY: "y", VT_NULL: "y", VT_I1: "y", VT_UI1: "y",
    VT_I2: "n", VT_BOOL: "n",
    VT_UI2: "q",
    VT_I4: "i", VT_INT: "i", VT_ERROR: "i",
    VT_UI4: "u", VT_UINT: "u", VT_R4: "u",
    VT_I8: "x", VT_CY: "x",
    VT_UI8: "t",
    VT_R8: "d", VT_DATE: "d",
    VT_BSTR: "ay",
}
_CARRIER_RANGES = {
    "y": (0, 0xFF), "n": (-0x8000, 0x7FFF), "q": (0, 0xFFFF),
    "i": (-0x80000000, 0x7FFFFFFF), "u": (0, 0xFFFFFFFF),
    "x": (-(1 << 63), (1 << 63) - 1), "t": (0, (1 << 64) - 1),
}
# Range of the numbers a script may give for each integer tag.
_INTEGER_RANGES = {
    VT_I1: (-0x80, 0x7F), VT_UI1: (0, 0xFF),
    VT_I2: (-0x8000, 0x7FFF), VT_UI2: (0, 0xFFFF),
    VT_I4: (-0x80000000, 0x7FFFFFFF), VT_INT: (-0x80000000, 0x7FFFFFFF),
    VT_UI4: (0, 0xFFFFFFFF), VT_UINT: (0, 0xFFFFFFFF),
    VT_I8: (-(1 << 63), (1 << 63) - 1), VT_UI8: (0, (1 << 64) - 1),
    VT_ERROR: (-0x80000000, 0xFFFFFFFF),
}

__all__ = [name for name in dir() if name.startswith("VT_")] + ["Variant", "Null", "ErrorValue"]

_NAMES = {value: name for name, value in globals().items() if name.startswith("VT_") and name not in ("VT_ARRAY", "VT_BYREF")}

_DATE_ZERO = datetime.datetime(1899, 12, 30)
_SECONDS_PER_DAY = 86400.0


def carrier(vt):
    """The D-Bus signature that carries a scalar tag ("i" for VT_I4); None when the tag cannot travel."""
    return _CARRIERS.get(vt)


def is_element_type(vt):
    """True if arrays of this element type can travel."""
    return vt == VT_VARIANT or (vt not in (VT_EMPTY, VT_NULL) and vt in _CARRIERS)


def type_name(vt):
    if vt & VT_ARRAY:
        return "VT_ARRAY|" + type_name(vt & ~VT_ARRAY)
    return _NAMES.get(vt, "VT_%d" % vt)


class _NullType:
    """VT_NULL: "no value", as a member answers a failure under error method 0."""

    _instance = None

    def __new__(cls):
        if cls._instance is None:
            cls._instance = super().__new__(cls)
        return cls._instance

    def __bool__(self):
        return False

    def __repr__(self):
        return "Null"

    def __reduce__(self):
        return (_NullType, ())


Null = _NullType()


class ErrorValue(int):
    """A VT_ERROR value: a status code given as a result (error method 1 answers
    a failure with one). It is an int, signed as it travels."""

    def __repr__(self):
        return "ErrorValue(%d)" % int(self)


def _bad_type():
    return AutomationError(_hr.DISP_E_BADVARTYPE)


def _overflow():
    return AutomationError(_hr.DISP_E_OVERFLOW)


def _mismatch():
    return AutomationError(_hr.DISP_E_TYPEMISMATCH)


def _as_integer(value):
    if isinstance(value, bool) or not isinstance(value, int):
        if isinstance(value, float) and value.is_integer():
            return int(value)
        raise _mismatch()
    return int(value)


def _date_to_days(value):
    delta = value - _DATE_ZERO
    whole = delta.days
    fraction = (delta.seconds + delta.microseconds / 1e6) / _SECONDS_PER_DAY
    # Before the zero day the whole days count back and the time of day still forward.
    return whole - fraction if whole < 0 and fraction else whole + fraction


def _days_to_date(days):
    whole = int(days)
    fraction = abs(days - whole)
    return _DATE_ZERO + datetime.timedelta(days=whole) + datetime.timedelta(
        microseconds=round(fraction * _SECONDS_PER_DAY * 1e6))


def _scalar_bits(vt, value):
    """What a script gives for a scalar of tag `vt`, as the bits it travels as."""
    if vt in (VT_EMPTY, VT_NULL):
        if value is not None and value is not Null:
            raise _mismatch()
        return 0
    if vt == VT_BOOL:
        if not isinstance(value, (bool, int)):
            raise _mismatch()
        return -1 if value else 0
    if vt == VT_BSTR:
        if isinstance(value, str):
            return value.encode("utf-8", "surrogateescape")
        if isinstance(value, (bytes, bytearray, memoryview)):
            return bytes(value)
        raise _mismatch()
    if vt in (VT_R8, VT_DATE):
        if vt == VT_DATE and isinstance(value, datetime.datetime):
            if value.tzinfo is not None:  # a date travels as local days, without a zone
                raise _mismatch()
            return _date_to_days(value)
        if isinstance(value, bool) or not isinstance(value, (int, float, decimal.Decimal)):
            raise _mismatch()
        try:
            return float(value)
        except OverflowError:
            raise _overflow() from None
    if vt == VT_R4:
        if isinstance(value, bool) or not isinstance(value, (int, float, decimal.Decimal)):
            raise _mismatch()
        try:
            return struct.unpack("<I", struct.pack("<f", float(value)))[0]
        except (OverflowError, struct.error):
            raise _overflow() from None
    if vt == VT_CY:
        if isinstance(value, bool) or not isinstance(value, (int, float, decimal.Decimal)):
            raise _mismatch()
        try:
            units = int((decimal.Decimal(value) * 10000).to_integral_value(decimal.ROUND_HALF_EVEN))
        except (decimal.InvalidOperation, ValueError, OverflowError):
            raise _overflow() from None
        low, high = _CARRIER_RANGES["x"]
        if not low <= units <= high:
            raise _overflow()
        return units
    if vt in _INTEGER_RANGES:
        number = _as_integer(value)
        low, high = _INTEGER_RANGES[vt]
        if not low <= number <= high:
            raise _overflow()
        if vt == VT_I1:
            return number & 0xFF
        if vt == VT_ERROR:
            return number - (1 << 32) if number > 0x7FFFFFFF else number
        return number
    raise _bad_type()


def _shape(nested):
    """The counts of a rectangular nest of lists, outermost first."""
    counts = []
    level = nested
    while isinstance(level, (list, tuple)):
        counts.append(len(level))
        if not level:
            break
        level = level[0]
    return counts


def _flatten(nested, counts, depth=0):
    if depth == len(counts):
        return [nested]
    if not isinstance(nested, (list, tuple)) or len(nested) != counts[depth]:
        raise _mismatch()
    flat = []
    for item in nested:
        flat.extend(_flatten(item, counts, depth + 1))
    return flat


def _nest(flat, counts):
    """Row-major elements as nested lists, the last dimension innermost."""
    if len(counts) <= 1:
        return list(flat)
    block = len(flat) // counts[0] if counts[0] else 0
    return [_nest(flat[i * block:(i + 1) * block], counts[1:]) for i in range(counts[0])]


class Variant:
    """A value with its VT tag.

    Variant(VT_I2, 5), Variant(VT_R4, 1.5), Variant(VT_BSTR, "text"),
    Variant(VT_ARRAY | VT_I4, [1, 2, 3]), Variant(VT_ARRAY | VT_R8, [[1, 2], [3, 4]]),
    Variant(VT_ARRAY | VT_UI1, b"...", bounds=[(3, 1)]) (lower bound 1).

    For an array, `value` is a list, nested one level per dimension, unless
    `bounds` is given: then it is all elements in row-major order and `bounds`
    one (count, lower bound) per dimension. A value that does not fit the tag
    raises AutomationError (type mismatch, out of present range, bad variable type).
    """

    __slots__ = ("vt", "_bits", "bounds", "elements")

    def __init__(self, vt, value=None, bounds=None):
        vt = int(vt)
        if vt & VT_BYREF:
            raise _bad_type()
        self.vt = vt
        if not vt & VT_ARRAY:
            if vt not in _CARRIERS:
                raise _bad_type()
            if bounds is not None:
                raise _mismatch()
            self._bits = _scalar_bits(vt, value)
            self.bounds = None
            self.elements = None
            return
        element_type = vt & ~VT_ARRAY
        if not is_element_type(element_type):
            raise _bad_type()
        if isinstance(value, (bytes, bytearray, memoryview)):
            value = list(bytes(value))
        if not isinstance(value, (list, tuple)):
            raise _mismatch()
        if bounds is None:
            counts = _shape(value) if value else [0]
            if element_type == VT_VARIANT:
                counts = counts[:1]
            flat = _flatten(value, counts)
            bounds = [(count, 0) for count in counts]
        else:
            flat = list(value)
        elements = []
        for item in flat:
            if isinstance(item, Variant):
                if element_type != VT_VARIANT and item.vt != element_type:
                    raise _mismatch()
                elements.append(item)
            elif element_type == VT_VARIANT:
                elements.append(Variant.of(item))
            else:
                elements.append(Variant(element_type, item))
        self._set_array(bounds, elements)

    def _set_array(self, bounds, elements):
        bounds = [(int(count), int(lower)) for count, lower in bounds]
        if not 1 <= len(bounds) <= MAX_DIMENSIONS:
            raise AutomationError(_hr.E_INVALIDARG)
        total = 1
        for count, lower in bounds:
            if not 0 <= count <= 0xFFFFFFFF or not -0x80000000 <= lower <= 0x7FFFFFFF:
                raise AutomationError(_hr.E_INVALIDARG)
            total *= count
        if total > MAX_ELEMENTS or total != len(elements):
            raise AutomationError(_hr.E_INVALIDARG)
        self._bits = None
        self.bounds = bounds
        self.elements = elements

    @classmethod
    def from_bits(cls, vt, bits):
        """A scalar from the bits it travels as (the D-Bus value of its carrier)."""
        variant = cls.__new__(cls)
        variant.vt = vt
        variant._bits = bits
        variant.bounds = None
        variant.elements = None
        return variant

    @classmethod
    def array(cls, vt, bounds, elements):
        """An array from its bounds and its element Variants in row-major order."""
        variant = cls.__new__(cls)
        variant.vt = vt
        variant._set_array(bounds, list(elements))
        return variant

    @property
    def bits(self):
        """A scalar's bits as they travel: an int, a float for VT_R8/VT_DATE, bytes for VT_BSTR."""
        return self._bits

    @property
    def is_array(self):
        return bool(self.vt & VT_ARRAY)

    @staticmethod
    def of(value):
        """The Variant a plain Python value goes out as (see the module's table).

        None VT_EMPTY, Null VT_NULL, bool VT_BOOL, ErrorValue VT_ERROR, int
        VT_I4 (VT_I8 beyond 32 bits, VT_UI8 beyond 63), float VT_R8, Decimal
        VT_CY, datetime VT_DATE, str VT_BSTR, bytes VT_ARRAY|VT_UI1, a list or
        tuple an array with lower bound 0: of the one type all its elements
        map to when they are scalars of one type, otherwise of VT_VARIANT.
        """
        if isinstance(value, Variant):
            return value
        if value is None:
            return Variant.from_bits(VT_EMPTY, 0)
        if value is Null:
            return Variant.from_bits(VT_NULL, 0)
        if isinstance(value, bool):
            return Variant(VT_BOOL, value)
        if isinstance(value, ErrorValue):
            return Variant(VT_ERROR, int(value))
        if isinstance(value, int):
            for vt in (VT_I4, VT_I8, VT_UI8):
                low, high = _INTEGER_RANGES[vt]
                if low <= value <= high:
                    return Variant.from_bits(vt, int(value))
            raise _overflow()
        if isinstance(value, float):
            return Variant.from_bits(VT_R8, value)
        if isinstance(value, decimal.Decimal):
            return Variant(VT_CY, value)
        if isinstance(value, datetime.datetime):
            return Variant(VT_DATE, value)
        if isinstance(value, str):
            return Variant(VT_BSTR, value)
        if isinstance(value, (bytes, bytearray, memoryview)):
            return Variant(VT_ARRAY | VT_UI1, value)
        if isinstance(value, (list, tuple)):
            elements = [Variant.of(item) for item in value]
            types = {element.vt for element in elements}
            if not elements:
                element_type = VT_I4
            elif len(types) == 1 and is_element_type(elements[0].vt) and not elements[0].is_array:
                element_type = elements[0].vt
            else:
                element_type = VT_VARIANT
            return Variant.array(VT_ARRAY | element_type, [(len(elements), 0)], elements)
        raise _bad_type()

    @property
    def value(self):
        """The plain Python value (see the module's table); arrays as nested lists."""
        if self.is_array:
            values = [element.value for element in self.elements]
            return _nest(values, [count for count, _ in self.bounds])
        vt, bits = self.vt, self._bits
        if vt == VT_EMPTY:
            return None
        if vt == VT_NULL:
            return Null
        if vt == VT_BOOL:
            return bits != 0
        if vt == VT_BSTR:
            return bits.decode("utf-8", "surrogateescape")
        if vt == VT_R4:
            return struct.unpack("<f", struct.pack("<I", bits))[0]
        if vt == VT_R8:
            return float(bits)
        if vt == VT_CY:
            return decimal.Decimal(bits).scaleb(-4)
        if vt == VT_DATE:
            try:
                return _days_to_date(bits)
            except (OverflowError, ValueError):
                return float(bits)
        if vt == VT_ERROR:
            return ErrorValue(bits)
        if vt == VT_I1:
            return bits - 0x100 if bits > 0x7F else bits
        return int(bits)

    def _key(self):
        if self.is_array:
            return (self.vt, tuple(self.bounds), tuple(element._key() for element in self.elements))
        bits = self._bits
        if isinstance(bits, float):
            bits = struct.pack("<d", bits)
        return (self.vt, bits)

    def __eq__(self, other):
        if not isinstance(other, Variant):
            return NotImplemented
        return self._key() == other._key()

    def __hash__(self):
        return hash(self._key())

    def __repr__(self):
        if self.is_array:
            shown = [element if self.vt & ~VT_ARRAY == VT_VARIANT else element.value for element in self.elements]
            if any(lower for _, lower in self.bounds) or len(self.bounds) > 1:
                return "Variant(%s, %r, bounds=%r)" % (type_name(self.vt), shown, self.bounds)
            return "Variant(%s, %r)" % (type_name(self.vt), shown)
        if self.vt in (VT_EMPTY, VT_NULL):
            return "Variant(%s)" % type_name(self.vt)
        return "Variant(%s, %r)" % (type_name(self.vt), self.value)
