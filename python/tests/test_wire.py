"""The D-Bus form of values: the exact signatures and D-Bus types each VT
type travels as, read back through a real marshalled message, and the
malformed values a reader refuses."""

import unittest

import dbus
import dbus.lowlevel

import varnix
from varnix import Variant, wire


def through_a_message(structures, signature="(qv)"):
    """Marshals the structures into a message and reads them back as a receiver does."""
    message = dbus.lowlevel.MethodCallMessage("org.example.Test", "/test", "org.example.Test", "Take")
    message.append(*structures, signature=signature * len(structures))
    return message, message.get_args_list(byte_arrays=True)


def value_signature_on_the_wire(variant):
    """The signature dbus-python gives the value inside the D-Bus variant."""
    message = dbus.lowlevel.MethodCallMessage("org.example.Test", "/test", "org.example.Test", "Take")
    message.append(wire.to_dbus(variant).__getitem__(1), signature="v")
    return message.get_args_list(byte_arrays=True)[0], message


class SignaturesOfEveryType(unittest.TestCase):
    SCALARS = {
        varnix.VT_EMPTY: ("y", dbus.Byte), varnix.VT_NULL: ("y", dbus.Byte), varnix.VT_I2: ("n", dbus.Int16),
        varnix.VT_I4: ("i", dbus.Int32), varnix.VT_R4: ("u", dbus.UInt32), varnix.VT_R8: ("d", dbus.Double),
        varnix.VT_CY: ("x", dbus.Int64), varnix.VT_DATE: ("d", dbus.Double), varnix.VT_BSTR: ("ay", dbus.ByteArray),
        varnix.VT_ERROR: ("i", dbus.Int32), varnix.VT_BOOL: ("n", dbus.Int16), varnix.VT_I1: ("y", dbus.Byte),
        varnix.VT_UI1: ("y", dbus.Byte), varnix.VT_UI2: ("q", dbus.UInt16), varnix.VT_UI4: ("u", dbus.UInt32),
        varnix.VT_I8: ("x", dbus.Int64), varnix.VT_UI8: ("t", dbus.UInt64), varnix.VT_INT: ("i", dbus.Int32),
        varnix.VT_UINT: ("u", dbus.UInt32),
    }

    def test_each_scalar_travels_in_the_d_bus_type_of_its_size(self):
        samples = {varnix.VT_BSTR: "x", varnix.VT_R8: 1.0, varnix.VT_DATE: 1.0, varnix.VT_R4: 1.0,
                   varnix.VT_EMPTY: None, varnix.VT_NULL: None, varnix.VT_BOOL: True}
        for vt, (signature, dbus_type) in self.SCALARS.items():
            with self.subTest(vt=varnix.variant.type_name(vt)):
                self.assertEqual(wire.value_signature(vt), signature)
                inner, _ = value_signature_on_the_wire(Variant(vt, samples.get(vt, 1)))
                self.assertIs(type(inner), dbus_type)

    def test_the_variant_structure_is_tag_and_variant(self):
        message, (back,) = through_a_message([wire.to_dbus(Variant(varnix.VT_I2, -2))])
        self.assertEqual(message.get_signature(), "(qv)")
        self.assertIs(type(back[0]), dbus.UInt16)
        self.assertEqual(int(back[0]), 2)
        self.assertEqual(int(back[1]), -2)

    def test_arrays_are_bounds_then_elements(self):
        cases = {
            varnix.VT_ARRAY | varnix.VT_I4: "(a(ui)ai)", varnix.VT_ARRAY | varnix.VT_R4: "(a(ui)au)",
            varnix.VT_ARRAY | varnix.VT_UI1: "(a(ui)ay)", varnix.VT_ARRAY | varnix.VT_I1: "(a(ui)ay)",
            varnix.VT_ARRAY | varnix.VT_BSTR: "(a(ui)aay)", varnix.VT_ARRAY | varnix.VT_BOOL: "(a(ui)an)",
            varnix.VT_ARRAY | varnix.VT_VARIANT: "(a(ui)a(qv))", varnix.VT_ARRAY | varnix.VT_UI8: "(a(ui)at)",
        }
        for vt, signature in cases.items():
            with self.subTest(vt=varnix.variant.type_name(vt)):
                self.assertEqual(wire.value_signature(vt), signature)
        self.assertIsNone(wire.value_signature(varnix.VT_ARRAY | varnix.VT_EMPTY))
        self.assertIsNone(wire.value_signature(varnix.VT_DISPATCH))

    def test_a_vector_of_i4_is_written_as_the_contract_shows_it(self):
        structure = wire.to_dbus(Variant.of([1, 2, 3]))
        self.assertEqual(int(structure[0]), 8195)
        bounds, elements = structure[1]
        self.assertEqual([(int(count), int(lower)) for count, lower in bounds], [(3, 0)])
        self.assertEqual(bounds.signature, "(ui)")
        self.assertEqual(elements.signature, "i")
        self.assertEqual([int(element) for element in elements], [1, 2, 3])
        self.assertEqual(structure[1].signature, "a(ui)ai")

    def test_argument_lists_are_arrays_of_variants_in_natural_order(self):
        arguments = wire.arguments_to_dbus([Variant.of(16), Variant.of("a")])
        self.assertEqual(arguments.signature, "(qv)")
        message, (back,) = through_a_message([arguments], signature="a(qv)")
        self.assertEqual([wire.from_dbus(item) for item in back], [Variant.of(16), Variant.of("a")])


class ReadingBack(unittest.TestCase):
    def test_every_kind_of_value_reads_back_as_it_was_written(self):
        values = [Variant(varnix.VT_UI8, (1 << 64) - 1), Variant(varnix.VT_BSTR, bytes(range(256))),
                  Variant(varnix.VT_ARRAY | varnix.VT_UI1, b""), Variant(varnix.VT_ARRAY | varnix.VT_I1, [-1, 1]),
                  Variant(varnix.VT_ARRAY | varnix.VT_R8, [[1.0], [2.0]]),
                  Variant.of([1, ["x", [None, varnix.Null]], b"\x01"])]
        _, back = through_a_message([wire.to_dbus(value) for value in values])
        self.assertEqual([wire.from_dbus(item) for item in back], values)


def structure(vt, inner):
    return dbus.Struct((dbus.UInt16(vt), inner), signature="qv")


def array_value(bounds, elements, element_signature):
    return dbus.Struct((dbus.Array([dbus.Struct(bound, signature="ui") for bound in bounds], signature="(ui)"),
                        dbus.Array(elements, signature=element_signature)),
                       signature="a(ui)a" + element_signature)


class MalformedValuesAreRefused(unittest.TestCase):
    def assert_malformed(self, item):
        _, (back,) = through_a_message([item])
        with self.assertRaises(wire.MalformedValue):
            wire.from_dbus(back)

    def test_a_scalar_in_the_wrong_d_bus_type(self):
        self.assert_malformed(structure(varnix.VT_I4, dbus.Int16(1)))
        self.assert_malformed(structure(varnix.VT_R4, dbus.Double(1.0)))
        self.assert_malformed(structure(varnix.VT_BSTR, dbus.String("text")))
        self.assert_malformed(structure(varnix.VT_BOOL, dbus.Boolean(True)))

    def test_tags_that_never_travel(self):
        self.assert_malformed(structure(varnix.VT_DISPATCH, dbus.Int32(0)))
        self.assert_malformed(structure(varnix.VT_I4 | varnix.VT_BYREF, dbus.Int32(0)))
        self.assert_malformed(structure(varnix.VT_VARIANT, dbus.Int32(0)))
        self.assert_malformed(structure(varnix.VT_ARRAY | varnix.VT_EMPTY, array_value([(0, 0)], [], "y")))

    def test_bounds_that_do_not_fit_the_elements(self):
        i4 = [dbus.Int32(1), dbus.Int32(2)]
        self.assert_malformed(structure(varnix.VT_ARRAY | varnix.VT_I4, array_value([(3, 0)], i4, "i")))
        self.assert_malformed(structure(varnix.VT_ARRAY | varnix.VT_I4, array_value([], [], "i")))
        self.assert_malformed(structure(varnix.VT_ARRAY | varnix.VT_I4, array_value([(1, 0)] * 33, [i4[0]], "i")))
        _, (good,) = through_a_message([structure(varnix.VT_ARRAY | varnix.VT_I4, array_value([(2, 5)], i4, "i"))])
        self.assertEqual(wire.from_dbus(good).bounds, [(2, 5)])

    def test_elements_of_the_wrong_type(self):
        self.assert_malformed(structure(varnix.VT_ARRAY | varnix.VT_I4, array_value([(1, 0)], [dbus.UInt32(1)], "u")))
        self.assert_malformed(structure(varnix.VT_ARRAY | varnix.VT_I4, dbus.Int32(1)))
        bad_element = structure(varnix.VT_I4, dbus.Byte(1))
        self.assert_malformed(structure(varnix.VT_ARRAY | varnix.VT_VARIANT, array_value([(1, 0)], [bad_element], "(qv)")))


if __name__ == "__main__":
    unittest.main()
