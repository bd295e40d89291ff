"""Variant: which VT type each Python value goes out as, the bits it travels
as, the Python value each VT type comes back as, and what is refused."""

import datetime
import decimal
import struct
import unittest
import unittest.mock

import varnix
from varnix import Variant


def bits_of(value):
    variant = Variant.of(value)
    return variant.vt, variant.bits


class PlainValuesGoOutAsTheirTypes(unittest.TestCase):
    def test_integers_take_the_smallest_of_i4_i8_ui8(self):
        self.assertEqual(bits_of(0), (varnix.VT_I4, 0))
        self.assertEqual(bits_of(-2147483648), (varnix.VT_I4, -2147483648))
        self.assertEqual(bits_of(2147483647), (varnix.VT_I4, 2147483647))
        self.assertEqual(bits_of(2147483648), (varnix.VT_I8, 2147483648))
        self.assertEqual(bits_of(-2147483649), (varnix.VT_I8, -2147483649))
        self.assertEqual(bits_of((1 << 63) - 1), (varnix.VT_I8, (1 << 63) - 1))
        self.assertEqual(bits_of(1 << 63), (varnix.VT_UI8, 1 << 63))
        self.assertEqual(bits_of((1 << 64) - 1), (varnix.VT_UI8, (1 << 64) - 1))

    def test_integers_beyond_64_bits_are_out_of_range(self):
        for value in (1 << 64, -(1 << 63) - 1):
            with self.subTest(value=value), self.assertRaises(varnix.AutomationError) as caught:
                Variant.of(value)
            self.assertEqual(caught.exception.hresult, varnix.DISP_E_OVERFLOW)

    def test_other_scalars(self):
        self.assertEqual(bits_of(True), (varnix.VT_BOOL, -1))
        self.assertEqual(bits_of(False), (varnix.VT_BOOL, 0))
        self.assertEqual(bits_of(2.5), (varnix.VT_R8, 2.5))
        self.assertEqual(bits_of("Ab"), (varnix.VT_BSTR, b"Ab"))
        self.assertEqual(bits_of("\u00e9\udcff"), (varnix.VT_BSTR, b"\xc3\xa9\xff"))
        self.assertEqual(bits_of(None), (varnix.VT_EMPTY, 0))
        self.assertEqual(bits_of(varnix.Null), (varnix.VT_NULL, 0))
        self.assertEqual(bits_of(varnix.ErrorValue(0x80004005)), (varnix.VT_ERROR, -2147467259))
        self.assertEqual(bits_of(decimal.Decimal("-1.23456")), (varnix.VT_CY, -12346))
        self.assertEqual(bits_of(decimal.Decimal("0.00005")), (varnix.VT_CY, 0))  # half to even
        self.assertEqual(bits_of(datetime.datetime(1899, 12, 30)), (varnix.VT_DATE, 0.0))
        self.assertEqual(bits_of(datetime.datetime(1900, 1, 1, 18)), (varnix.VT_DATE, 2.75))
        self.assertEqual(bits_of(datetime.datetime(1899, 12, 29, 6)), (varnix.VT_DATE, -1.25))

    def test_bytes_go_out_as_an_array_of_ui1(self):
        variant = Variant.of(b"\x00\xff")
        self.assertEqual(variant.vt, varnix.VT_ARRAY | varnix.VT_UI1)
        self.assertEqual(variant.bounds, [(2, 0)])
        self.assertEqual([element.bits for element in variant.elements], [0, 255])
        self.assertEqual(Variant.of(bytearray(b"a")).vt, varnix.VT_ARRAY | varnix.VT_UI1)

    def test_lists_of_one_scalar_type_are_arrays_of_that_type(self):
        cases = [([1, 2], varnix.VT_I4), ([1.5], varnix.VT_R8), (["a", "b"], varnix.VT_BSTR),
                 ([True], varnix.VT_BOOL), ([], varnix.VT_I4), ((1, 2), varnix.VT_I4),
                 ([1 << 40], varnix.VT_I8)]
        for value, element in cases:
            with self.subTest(value=value):
                variant = Variant.of(value)
                self.assertEqual(variant.vt, varnix.VT_ARRAY | element)
                self.assertEqual(variant.bounds, [(len(value), 0)])

    def test_mixed_or_nested_lists_are_arrays_of_variants(self):
        for value in ([1, 2.5], [1, "a"], [[1, 2], [3, 4]], [None, None], [1, 1 << 40], [b"a"]):
            with self.subTest(value=value):
                variant = Variant.of(value)
                self.assertEqual(variant.vt, varnix.VT_ARRAY | varnix.VT_VARIANT)
                self.assertEqual(variant.value, [list(item) if isinstance(item, bytes) else item for item in value])

    def test_values_without_an_automation_type_are_a_bad_variable_type(self):
        for value in (object(), {1: 2}, {1}, 1j):
            with self.subTest(value=value), self.assertRaises(varnix.AutomationError) as caught:
                Variant.of(value)
            self.assertEqual(caught.exception.hresult, varnix.DISP_E_BADVARTYPE)

    def test_a_variant_goes_out_as_it_is(self):
        variant = Variant(varnix.VT_UI2, 7)
        self.assertIs(Variant.of(variant), variant)


class TypedVariants(unittest.TestCase):
    def test_each_integer_type_keeps_to_its_range(self):
        ranges = {varnix.VT_I1: (-128, 127), varnix.VT_UI1: (0, 255), varnix.VT_I2: (-32768, 32767),
                  varnix.VT_UI2: (0, 65535), varnix.VT_I4: (-(1 << 31), (1 << 31) - 1),
                  varnix.VT_UI4: (0, (1 << 32) - 1), varnix.VT_I8: (-(1 << 63), (1 << 63) - 1),
                  varnix.VT_UI8: (0, (1 << 64) - 1), varnix.VT_INT: (-(1 << 31), (1 << 31) - 1),
                  varnix.VT_UINT: (0, (1 << 32) - 1)}
        for vt, (low, high) in ranges.items():
            with self.subTest(vt=varnix.variant.type_name(vt)):
                self.assertEqual(Variant(vt, low).value, low)
                self.assertEqual(Variant(vt, high).value, high)
                for outside in (low - 1, high + 1):
                    with self.assertRaises(varnix.AutomationError) as caught:
                        Variant(vt, outside)
                    self.assertEqual(caught.exception.hresult, varnix.DISP_E_OVERFLOW)

    def test_i1_travels_as_its_twos_complement_byte(self):
        self.assertEqual(Variant(varnix.VT_I1, -1).bits, 255)
        self.assertEqual(Variant.from_bits(varnix.VT_I1, 128).value, -128)

    def test_r4_travels_as_its_32_bits(self):
        self.assertEqual(Variant(varnix.VT_R4, 1.5).bits, 0x3FC00000)
        self.assertEqual(Variant.from_bits(varnix.VT_R4, 0xC0200000).value, -2.5)
        with self.assertRaises(varnix.AutomationError) as caught:
            Variant(varnix.VT_R4, 1e39)
        self.assertEqual(caught.exception.hresult, varnix.DISP_E_OVERFLOW)

    def test_currency_travels_as_ten_thousandths(self):
        self.assertEqual(Variant(varnix.VT_CY, 12).bits, 120000)
        self.assertEqual(Variant(varnix.VT_CY, decimal.Decimal("0.0001")).bits, 1)
        self.assertEqual(Variant.from_bits(varnix.VT_CY, -15).value, decimal.Decimal("-0.0015"))
        for outside in (decimal.Decimal("922337203685477.5808"), float("nan"), float("inf")):
            with self.assertRaises(varnix.AutomationError) as caught:
                Variant(varnix.VT_CY, outside)
            self.assertEqual(caught.exception.hresult, varnix.DISP_E_OVERFLOW)

    def test_date_comes_back_as_a_datetime_and_impossible_dates_as_days(self):
        self.assertEqual(Variant.from_bits(varnix.VT_DATE, -1.25).value, datetime.datetime(1899, 12, 29, 6))
        self.assertEqual(Variant.from_bits(varnix.VT_DATE, 46364.5).value, datetime.datetime(2026, 12, 8, 12))
        self.assertEqual(Variant.from_bits(varnix.VT_DATE, 1e300).value, 1e300)

    def test_other_scalars_come_back_as_python_values(self):
        self.assertIsNone(Variant(varnix.VT_EMPTY).value)
        self.assertIs(Variant(varnix.VT_NULL).value, varnix.Null)
        self.assertIs(Variant.from_bits(varnix.VT_BOOL, 1).value, True)
        self.assertIs(Variant.from_bits(varnix.VT_BOOL, 0).value, False)
        self.assertEqual(Variant.from_bits(varnix.VT_BSTR, b"a\xffb").value, "a\udcffb")
        error = Variant.from_bits(varnix.VT_ERROR, 7).value
        self.assertIsInstance(error, varnix.ErrorValue)
        self.assertEqual(error, 7)
        self.assertEqual(repr(error), "ErrorValue(7)")
        self.assertFalse(varnix.Null)
        self.assertIs(varnix.variant._NullType(), varnix.Null)

    def test_a_value_that_does_not_fit_the_tag_is_a_type_mismatch(self):
        for vt, value in ((varnix.VT_I4, "1"), (varnix.VT_BSTR, 5), (varnix.VT_R8, "x"), (varnix.VT_EMPTY, 0),
                          (varnix.VT_I4, 1.5), (varnix.VT_BOOL, "yes"), (varnix.VT_ARRAY | varnix.VT_I4, 5),
                          (varnix.VT_DATE, datetime.datetime(2026, 1, 1, tzinfo=datetime.timezone.utc)),
                          (varnix.VT_DATE, datetime.date(2026, 1, 1))):
            with self.subTest(vt=vt, value=value), self.assertRaises(varnix.AutomationError) as caught:
                Variant(vt, value)
            self.assertEqual(caught.exception.hresult, varnix.DISP_E_TYPEMISMATCH)
        self.assertEqual(Variant(varnix.VT_I4, 3.0).bits, 3)

    def test_tags_that_cannot_travel_are_a_bad_variable_type(self):
        for vt in (varnix.VT_DISPATCH, varnix.VT_VARIANT, varnix.VT_I4 | varnix.VT_BYREF, 99,
                   varnix.VT_ARRAY | varnix.VT_EMPTY, varnix.VT_ARRAY | varnix.VT_NULL,
                   varnix.VT_ARRAY | varnix.VT_DISPATCH):
            with self.subTest(vt=vt), self.assertRaises(varnix.AutomationError) as caught:
                Variant(vt, [] if vt & varnix.VT_ARRAY else 0)
            self.assertEqual(caught.exception.hresult, varnix.DISP_E_BADVARTYPE)


class Arrays(unittest.TestCase):
    def test_nested_lists_give_the_dimensions_and_come_back_nested(self):
        variant = Variant(varnix.VT_ARRAY | varnix.VT_I4, [[1, 2, 3], [4, 5, 6]])
        self.assertEqual(variant.bounds, [(2, 0), (3, 0)])
        self.assertEqual([element.bits for element in variant.elements], [1, 2, 3, 4, 5, 6])
        self.assertEqual(variant.value, [[1, 2, 3], [4, 5, 6]])

    def test_flat_elements_with_bounds(self):
        variant = Variant(varnix.VT_ARRAY | varnix.VT_I2, list(range(6)), bounds=[(3, 1), (2, -5)])
        self.assertEqual(variant.value, [[0, 1], [2, 3], [4, 5]])
        with self.assertRaises(varnix.AutomationError) as caught:
            Variant(varnix.VT_ARRAY | varnix.VT_I2, list(range(5)), bounds=[(3, 1), (2, -5)])
        self.assertEqual(caught.exception.hresult, varnix.E_INVALIDARG)

    def test_ragged_lists_are_a_type_mismatch(self):
        with self.assertRaises(varnix.AutomationError) as caught:
            Variant(varnix.VT_ARRAY | varnix.VT_I4, [[1, 2], [3]])
        self.assertEqual(caught.exception.hresult, varnix.DISP_E_TYPEMISMATCH)

    def test_elements_of_another_type_are_a_type_mismatch(self):
        with self.assertRaises(varnix.AutomationError):
            Variant(varnix.VT_ARRAY | varnix.VT_I4, [Variant(varnix.VT_I2, 1)])
        with self.assertRaises(varnix.AutomationError):
            Variant(varnix.VT_ARRAY | varnix.VT_UI1, [256])

    def test_limits_of_dimensions_and_elements(self):
        Variant.array(varnix.VT_ARRAY | varnix.VT_I4, [(1, 0)] * 32, [Variant(varnix.VT_I4, 1)])
        with self.assertRaises(varnix.AutomationError):
            Variant.array(varnix.VT_ARRAY | varnix.VT_I4, [(1, 0)] * 33, [Variant(varnix.VT_I4, 1)])
        with self.assertRaises(varnix.AutomationError):
            Variant.array(varnix.VT_ARRAY | varnix.VT_I4, [], [])
        self.assertEqual(varnix.variant.MAX_ELEMENTS, 4194304)
        with unittest.mock.patch.object(varnix.variant, "MAX_ELEMENTS", 4):
            Variant(varnix.VT_ARRAY | varnix.VT_UI1, b"1234")
            with self.assertRaises(varnix.AutomationError):
                Variant(varnix.VT_ARRAY | varnix.VT_UI1, b"12345")

    def test_empty_array_comes_back_as_an_empty_list(self):
        self.assertEqual(Variant(varnix.VT_ARRAY | varnix.VT_BSTR, []).value, [])
        self.assertEqual(Variant(varnix.VT_ARRAY | varnix.VT_I4, [], bounds=[(0, 0), (3, 0)]).value, [])


class Equality(unittest.TestCase):
    def test_variants_are_equal_by_tag_and_bits(self):
        nan = struct.unpack("<d", struct.pack("<Q", 0x7FF8000000000123))[0]
        self.assertEqual(Variant(varnix.VT_R8, nan), Variant(varnix.VT_R8, nan))
        self.assertNotEqual(Variant(varnix.VT_R8, 0.0), Variant(varnix.VT_R8, -0.0))
        self.assertNotEqual(Variant(varnix.VT_I4, 1), Variant(varnix.VT_INT, 1))
        self.assertNotEqual(Variant.from_bits(varnix.VT_BOOL, 1), Variant(varnix.VT_BOOL, True))
        self.assertNotEqual(Variant(varnix.VT_ARRAY | varnix.VT_I4, [1], bounds=[(1, 0)]),
                            Variant(varnix.VT_ARRAY | varnix.VT_I4, [1], bounds=[(1, 1)]))
        self.assertEqual(len({Variant(varnix.VT_I4, 1), Variant(varnix.VT_I4, 1)}), 1)

    def test_repr_names_the_type(self):
        self.assertEqual(repr(Variant(varnix.VT_I2, 5)), "Variant(VT_I2, 5)")
        self.assertEqual(repr(Variant(varnix.VT_NULL)), "Variant(VT_NULL)")
        self.assertEqual(repr(Variant.of([1, 2])), "Variant(VT_ARRAY|VT_I4, [1, 2])")


if __name__ == "__main__":
    unittest.main()
