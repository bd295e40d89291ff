"""The Python client against the transport tests' server on a private bus:
creation by ProgID through bus activation, members by name, lossless values,
both kinds of failure, and every way an object goes back to its server."""

import datetime
import decimal
import math
import os
import signal
import struct
import subprocess
import sys
import textwrap
import unittest

import varnix
from varnix import Variant
from varnix.driver import DispatchDriver

from tests.private_session import PrivateSession, program, wait_for

TEST_OBJECT = ("{5B2E4C1A-7D3F-4A60-8E91-0A1B2C3D4E01}", "Varnix.TestObject")
TEST_SINGLE = ("{5B2E4C1A-7D3F-4A60-8E91-0A1B2C3D4E02}", "Varnix.TestSingle")
TEST_OBJECT_BUS_NAME = "org.varnix.Automation.Class.C5B2E4C1A_7D3F_4A60_8E91_0A1B2C3D4E01"
ECHO = 1


def r8(bits):
    return Variant.from_bits(varnix.VT_R8, struct.unpack("<d", struct.pack("<Q", bits))[0])


class TransportTest(unittest.TestCase):
    def setUp(self):
        self.session = PrivateSession()
        self.addCleanup(self.session.close)
        server = program("VARNIX_TEST_SERVER")
        self.session.register(*TEST_OBJECT, server)
        self.session.register(*TEST_SINGLE, server)

    def dispatch(self, progid=TEST_OBJECT[1], **options):
        obj = varnix.Dispatch(progid, bus=self.session.bus, **options)
        self.addCleanup(obj.Release)
        return obj

    def echo(self, obj, value):
        return obj._invoke(ECHO, varnix.METHOD, [value])

    def run_script(self, body):
        script = "import os, sys, varnix\n" + textwrap.dedent(body)
        return subprocess.run([sys.executable, "-c", script], env=self.session.environment(), capture_output=True,
                              text=True, timeout=120)

    # -- creation ----------------------------------------------------------

    def test_creates_by_progid_in_any_case_through_bus_activation(self):
        self.assertFalse(self.session.name_has_owner(TEST_OBJECT_BUS_NAME))
        obj = self.dispatch("VARNIX.testobject")
        self.assertTrue(self.session.name_has_owner(TEST_OBJECT_BUS_NAME))
        self.assertEqual(obj._driver.server_name, self.session.bus.get_name_owner(TEST_OBJECT_BUS_NAME))
        self.assertEqual(obj._driver.object_path, "/org/varnix/Automation/Object/1")
        self.assertEqual(obj.LiveObjects, 1)

    def test_unregistered_progid_is_class_not_registered(self):
        with self.assertRaises(varnix.AutomationError) as caught:
            varnix.Dispatch("Varnix.NoSuchClass", bus=self.session.bus)
        self.assertEqual(caught.exception.hresult, 0x80040154)
        self.assertEqual(caught.exception.text, "class not registered: run varnix -Register to register the server")
        self.assertEqual(str(caught.exception),
                         "class not registered: run varnix -Register to register the server (0x80040154)")

    def test_server_program_that_cannot_start_is_server_execution_failed(self):
        self.session.register("{5B2E4C1A-7D3F-4A60-8E91-0A1B2C3D4E09}", "Varnix.Gone",
                              os.path.join(self.session.folder, "no-such-program"))
        with self.assertRaises(varnix.AutomationError) as caught:
            varnix.Dispatch("varnix.gone", bus=self.session.bus)
        self.assertEqual(caught.exception.hresult, varnix.CO_E_SERVER_EXEC_FAILURE)
        self.assertEqual(caught.exception.text,
                         "server execution failed: run varnix -Register again; the server's messages go to "
                         "the session bus's standard error (docs/getting-started.md)")

    def test_without_a_session_bus_the_text_says_so_and_where_to_read_on(self):
        script = "import varnix\ntry:\n    varnix.Dispatch('Varnix.TestObject')\nexcept varnix.AutomationError as e:\n    print(e)\n"
        environment = self.session.environment(DBUS_SESSION_BUS_ADDRESS="unix:path=/nonexistent/bus")
        done = subprocess.run([sys.executable, "-c", script], env=environment, capture_output=True, text=True,
                              timeout=60)
        self.assertEqual(done.stdout, "the session bus cannot be reached: start one as docs/getting-started.md "
                         "says (\"A session bus where there is no desktop\") (0x800401F0)\n", done.stderr)

    def test_one_process_per_object_class_gives_each_object_its_own_server(self):
        first = self.dispatch(TEST_SINGLE[1])
        second = self.dispatch(TEST_SINGLE[1])
        self.assertNotEqual(first._driver.server_name, second._driver.server_name)
        self.assertNotEqual(first.ProcessId, second.ProcessId)
        self.assertEqual(first.LiveObjects, 1)
        self.assertEqual(second.LiveObjects, 1)

    # -- members by name ---------------------------------------------------

    def test_methods_are_called_and_properties_got_and_put_by_name_in_any_case(self):
        obj = self.dispatch()
        self.assertEqual(obj.Value, 0)
        obj.Value = 7
        self.assertEqual(obj.value, 7)
        self.assertEqual(obj.Add(2, 3), 5)
        self.assertEqual(obj.ADD(-2, 3), 1)
        self.assertEqual(obj.Concat("ab", "cd"), "abcd")
        obj.Secret = 41
        self.assertEqual(obj.Value, 41)

    def test_looking_at_a_method_does_not_run_it(self):
        obj = self.dispatch()
        crash = obj.Crash  # would kill the server if it ran
        self.assertIsInstance(crash, varnix.Method)
        self.assertEqual(obj.Add(1, 1), 2)
        self.assertTrue(self.session.name_has_owner(obj._driver.server_name))

    def test_unknown_name_is_an_automation_error_and_an_attribute_error(self):
        obj = self.dispatch()
        with self.assertRaises(varnix.UnknownNameError) as caught:
            obj.NoSuchMember
        self.assertEqual(caught.exception.hresult, varnix.DISP_E_UNKNOWNNAME)
        self.assertIn("NoSuchMember: unknown name (0x80020006)", str(caught.exception))
        self.assertIsInstance(caught.exception, AttributeError)
        self.assertFalse(hasattr(obj, "NoSuchMember"))
        self.assertEqual(getattr(obj, "Missing", "fallback"), "fallback")
        with self.assertRaises(varnix.UnknownNameError):
            obj.NoSuchMember = 1

    def test_read_only_and_write_only_properties_raise_their_dispatch_errors(self):
        obj = self.dispatch()
        with self.assertRaises(varnix.DispatchError) as caught:
            obj.ProcessId = 5
        self.assertEqual((caught.exception.code, caught.exception.description),
                         (383, "Unable to write read-only property."))
        with self.assertRaises(varnix.DispatchError) as caught:
            obj.Secret
        self.assertEqual((caught.exception.code, caught.exception.description),
                         (394, "Unable to read write-only property."))

    # -- failures ----------------------------------------------------------

    def test_dispatch_exception_arrives_with_code_text_source_and_help_context(self):
        obj = self.dispatch()
        with self.assertRaises(varnix.DispatchError) as caught:
            obj.Fail(0x1234, "Verify Error at Addr \udcff")
        error = caught.exception
        self.assertEqual(error.code, 0x1234)
        self.assertEqual(error.description, "Verify Error at Addr \udcff")
        self.assertEqual(error.source, "TestObject")
        self.assertEqual(error.helpcontext, 7)
        self.assertEqual(error.scode, 0)
        self.assertEqual(error.hresult, varnix.DISP_E_EXCEPTION)
        self.assertEqual(str(error), "Verify Error at Addr \udcff (code 4660)")
        self.assertNotIsInstance(error, varnix.AutomationError)
        self.assertIsInstance(error, varnix.VarnixError)
        # The object is still there after the failure.
        self.assertEqual(obj.Add(2, 2), 4)

    def test_wrong_argument_count_and_type_come_back_as_such(self):
        obj = self.dispatch()
        with self.assertRaises(varnix.AutomationError) as caught:
            obj.Add(1)
        self.assertEqual(caught.exception.hresult, varnix.DISP_E_BADPARAMCOUNT)
        self.assertEqual(caught.exception.text, "invalid number of parameters")
        with self.assertRaises(varnix.AutomationError) as caught:
            obj.Add(1, "not a number")
        self.assertEqual(caught.exception.hresult, varnix.DISP_E_TYPEMISMATCH)
        self.assertEqual(caught.exception.argument_index, 1)
        with self.assertRaises(varnix.AutomationError) as caught:
            obj._invoke(0x7777, varnix.METHOD, [])
        self.assertEqual(caught.exception.hresult, varnix.DISP_E_MEMBERNOTFOUND)

    def test_values_without_an_automation_type_are_refused_before_sending(self):
        obj = self.dispatch()
        with self.assertRaises(varnix.AutomationError) as caught:
            obj.Add(1, object())
        self.assertEqual((caught.exception.hresult, caught.exception.argument_index), (varnix.DISP_E_BADVARTYPE, 1))
        with self.assertRaises(varnix.AutomationError) as caught:
            obj.Echo(1 << 64)
        self.assertEqual((caught.exception.hresult, caught.exception.argument_index), (varnix.DISP_E_OVERFLOW, 0))
        with self.assertRaises(varnix.AutomationError) as caught:
            obj.Echo(value=1)
        self.assertEqual(caught.exception.hresult, varnix.DISP_E_NONAMEDARGS)
        self.assertEqual(obj.LiveObjects, 1)

    def test_server_dying_during_a_call_is_an_automation_error(self):
        obj = self.dispatch()
        with self.assertRaises(varnix.AutomationError) as caught:
            obj.Crash()
        self.assertEqual(caught.exception.hresult, varnix.RPC_E_SERVER_DIED)
        self.assertEqual(caught.exception.text, "the server ended during the call")
        with self.assertRaises(varnix.AutomationError) as caught:
            obj.Value
        self.assertEqual(caught.exception.hresult, varnix.RPC_E_DISCONNECTED)

    def test_a_call_longer_than_the_time_out_is_the_call_timed_out(self):
        obj = self.dispatch(call_timeout=0.2)
        marker = os.path.join(self.session.folder, "marker")
        with self.assertRaises(varnix.AutomationError) as caught:
            obj.NestedLoop(marker)  # runs for a second
        self.assertEqual(caught.exception.hresult, varnix.RPC_E_TIMEOUT)
        self.assertTrue(wait_for(lambda: os.path.exists(marker)))  # the call did reach the server

    def test_another_connection_cannot_call_the_object(self):
        obj = self.dispatch()
        stranger = DispatchDriver(self.session.connect())
        stranger.server_name = obj._driver.server_name
        stranger.object_path = obj._driver.object_path
        with self.assertRaises(varnix.AutomationError) as caught:
            stranger.invoke(ECHO, varnix.METHOD, [Variant.of(1)])
        self.assertEqual((caught.exception.hresult, caught.exception.text), (varnix.E_ACCESSDENIED, "access denied"))
        stranger.object_path = "/org/varnix/Automation/Object/99"
        with self.assertRaises(varnix.AutomationError) as caught:
            stranger.invoke(ECHO, varnix.METHOD, [Variant.of(1)])
        self.assertEqual(caught.exception.hresult, varnix.CO_E_OBJNOTCONNECTED)

    # -- values ------------------------------------------------------------

    def test_every_scalar_type_comes_back_exactly(self):
        obj = self.dispatch()
        values = [
            Variant(varnix.VT_EMPTY), Variant(varnix.VT_NULL),
            Variant(varnix.VT_I1, -1), Variant(varnix.VT_I1, -128), Variant(varnix.VT_UI1, 255),
            Variant(varnix.VT_I2, -32768), Variant(varnix.VT_UI2, 65535),
            Variant(varnix.VT_I4, -2147483648), Variant(varnix.VT_UI4, 0xFFFFFFFF),
            Variant(varnix.VT_INT, -5), Variant(varnix.VT_UINT, 0x80000000),
            Variant(varnix.VT_I8, -(1 << 63)), Variant(varnix.VT_UI8, (1 << 64) - 1),
            Variant(varnix.VT_R4, 1.5), Variant.from_bits(varnix.VT_R4, 0x7F800001),  # a signalling NaN
            Variant(varnix.VT_R8, -0.0), r8(0x7FF8DEADBEEF0001), r8(1),  # a NaN payload, the least subnormal
            Variant(varnix.VT_CY, decimal.Decimal("-922337203685477.5808")),
            Variant(varnix.VT_DATE, datetime.datetime(2026, 12, 8, 15, 30)),
            Variant(varnix.VT_BSTR, bytes(range(256))), Variant(varnix.VT_BSTR, ""),
            Variant(varnix.VT_ERROR, 0x80004005),
            Variant(varnix.VT_BOOL, True), Variant(varnix.VT_BOOL, False),
            Variant.from_bits(varnix.VT_BOOL, 1),  # odd bits of a BOOL stay as they are
        ]
        for value in values:
            with self.subTest(value=value):
                back = self.echo(obj, value)
                self.assertEqual(back, value)
                self.assertEqual(back.bits if not isinstance(back.bits, float) else struct.pack("<d", back.bits),
                                 value.bits if not isinstance(value.bits, float) else struct.pack("<d", value.bits))

    def test_every_array_shape_comes_back_exactly(self):
        obj = self.dispatch()
        values = [
            Variant(varnix.VT_ARRAY | varnix.VT_I4, [1, -2, 3]),
            Variant(varnix.VT_ARRAY | varnix.VT_I4, []),
            Variant(varnix.VT_ARRAY | varnix.VT_UI1, bytes(range(256)), bounds=[(256, -3)]),
            Variant(varnix.VT_ARRAY | varnix.VT_R8, [[1.5, 2.5, 3.5], [4.5, 5.5, 6.5]]),
            Variant(varnix.VT_ARRAY | varnix.VT_I2, list(range(24)), bounds=[(2, 1), (3, -1), (4, 7)]),
            Variant(varnix.VT_ARRAY | varnix.VT_BSTR, ["", "a\x00b", "\udcff"]),
            Variant(varnix.VT_ARRAY | varnix.VT_BOOL, [True, False]),
            Variant(varnix.VT_ARRAY | varnix.VT_R4, [0.25, -1.0]),
            Variant(varnix.VT_ARRAY | varnix.VT_CY, [decimal.Decimal("1.2345")]),
            Variant(varnix.VT_ARRAY | varnix.VT_UI8, [(1 << 64) - 1]),
            Variant(varnix.VT_ARRAY | varnix.VT_VARIANT,
                    [1, "two", None, varnix.Null, [3, [4.0, b"\x05"]], Variant(varnix.VT_I2, 6)]),
        ]
        for value in values:
            with self.subTest(value=value):
                self.assertEqual(self.echo(obj, value), value)

    def test_plain_python_values_come_back_as_they_went(self):
        obj = self.dispatch()
        values = [0, -1, 2147483647, 2147483648, -(1 << 63), (1 << 64) - 1, 1.25, -0.0, "text", "\udcff\x00",
                  True, False, None, varnix.Null, varnix.ErrorValue(-5), decimal.Decimal("12.3456"),
                  datetime.datetime(1899, 12, 29, 6, 0), [1, 2, 3], [1.5, 2.5], ["a", "b"], [1, "a", None],
                  [[1, 2], [3, 4]], []]
        for value in values:
            with self.subTest(value=value):
                back = obj.Echo(value)
                self.assertEqual(back, value)
                self.assertIs(type(back), type(value) if not isinstance(value, bool) else bool)
        self.assertTrue(math.isnan(obj.Echo(float("nan"))))
        self.assertEqual(obj.Echo(b"\x00\xff"), [0, 255])
        self.assertEqual(obj.Echo((1, 2)), [1, 2])

    # -- life of the object --------------------------------------------------

    def test_release_gives_the_object_back_and_the_server_ends(self):
        obj = self.dispatch()
        server = obj._driver.server_name
        obj.Release()
        self.assertTrue(self.session.name_gone(server))
        self.assertFalse(self.session.name_has_owner(TEST_OBJECT_BUS_NAME))
        obj.Release()  # a second time does nothing
        with self.assertRaises(varnix.AutomationError) as caught:
            obj.Value
        self.assertEqual(caught.exception.hresult, varnix.CO_E_OBJNOTCONNECTED)
        self.assertEqual(caught.exception.text, "object is not connected to the server")

    def test_leaving_a_with_block_and_deleting_release_the_object(self):
        keeper = self.dispatch()
        with varnix.Dispatch(TEST_OBJECT[1], bus=self.session.bus) as obj:
            self.assertEqual(obj.LiveObjects, 2)
        self.assertEqual(keeper.LiveObjects, 1)
        other = varnix.Dispatch(TEST_OBJECT[1], bus=self.session.bus)
        self.assertEqual(keeper.LiveObjects, 2)
        del other
        self.assertEqual(keeper.LiveObjects, 1)

    def test_objects_still_held_are_released_at_exit_while_the_bus_is_still_there(self):
        obj = self.dispatch()
        server = obj._driver.server_name
        varnix.dispatch._release_all()  # what the interpreter runs at exit
        self.assertTrue(self.session.name_gone(server))
        self.assertFalse(obj._driver.is_created)

    def test_a_script_that_ends_without_releasing_leaves_no_object_behind(self):
        done = self.run_script("""
            obj = varnix.Dispatch("varnix.testobject")
            obj.Value = 3
            print(obj.Value, obj._driver.server_name)
            holder = [obj, obj.Add]  # still referenced when the interpreter ends
        """)
        self.assertEqual(done.returncode, 0, done.stderr)
        value, server = done.stdout.split()
        self.assertEqual(value, "3")
        self.assertTrue(self.session.name_gone(server))
        self.assertFalse(self.session.name_has_owner(TEST_OBJECT_BUS_NAME))

    def test_a_killed_script_leaves_no_object_behind(self):
        script = subprocess.Popen(
            [sys.executable, "-c", "import sys, varnix\nobj = varnix.Dispatch('Varnix.TestObject')\n"
                                   "print(obj._driver.server_name, flush=True)\nsys.stdin.read()\n"],
            env=self.session.environment(), stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        server = script.stdout.readline().strip()
        self.assertTrue(server.startswith(":"))
        script.send_signal(signal.SIGKILL)
        script.wait()
        script.stdin.close()
        script.stdout.close()
        self.assertTrue(self.session.name_gone(server))

    def test_a_script_sees_both_kinds_of_failure(self):
        done = self.run_script("""
            with varnix.Dispatch("Varnix.TestObject") as obj:
                try:
                    obj.Fail(5, "broke")
                except varnix.DispatchError as e:
                    print(e.code, e.description)
                try:
                    obj.Add()
                except varnix.AutomationError as e:
                    print(hex(e.hresult), e.text)
        """)
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertEqual(done.stdout, "5 broke\n0x8002000e invalid number of parameters\n")


if __name__ == "__main__":
    unittest.main()
