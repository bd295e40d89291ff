"""Status codes, their texts, and what the two exceptions carry and print."""

import unittest

import varnix
from varnix import hresult


class StatusTexts(unittest.TestCase):
    def test_the_texts_of_the_client_side_failures(self):
        cases = {
            0x80040154: "class not registered", 0x80080005: "server execution failed",
            0x80040111: "class not available", 0x80010007: "the server ended during the call",
            0x8001011F: "the server stopped answering", 0x80010108: "the server has disconnected",
            0x800401FD: "object is not connected to the server", 0x80070005: "access denied",
            0x80010105: "the server failed while running the call", 0x80020006: "unknown name",
            0x80020005: "type mismatch", 0x8002000E: "invalid number of parameters",
            0x80020003: "member not found", 0x80020008: "bad variable type", 0x80070057: "invalid argument",
            0x800401F0: "automation runtime not started",
        }
        for code, text in cases.items():
            with self.subTest(code=hex(code)):
                self.assertEqual(hresult.text(code), text)

    def test_signed_codes_as_the_bus_carries_them_are_the_same_codes(self):
        self.assertEqual(hresult.normalize(-2147221164), 0x80040154)
        self.assertEqual(hresult.text(-2147221164), "class not registered")
        self.assertTrue(hresult.failed(-1))
        self.assertFalse(hresult.failed(1))

    def test_a_code_without_a_text(self):
        self.assertEqual(hresult.text(0x8000ABCD), "unknown error 0x8000ABCD")


class Exceptions(unittest.TestCase):
    def test_automation_error_carries_status_text_and_argument(self):
        error = varnix.AutomationError(-2147352571, 2)
        self.assertEqual((error.hresult, error.text, error.argument_index), (0x80020005, "type mismatch", 2))
        self.assertEqual(str(error), "type mismatch (0x80020005)")
        self.assertIsInstance(error, varnix.VarnixError)

    def test_dispatch_error_carries_the_objects_code_and_text(self):
        error = varnix.DispatchError(0x1005, "Verify Error at Addr", "Varnix", "help.hlp", 3)
        self.assertEqual((error.code, error.description, error.source, error.helpfile, error.helpcontext, error.scode),
                         (0x1005, "Verify Error at Addr", "Varnix", "help.hlp", 3, 0))
        self.assertEqual(str(error), "Verify Error at Addr (code 4101)")
        self.assertEqual(error.hresult, varnix.DISP_E_EXCEPTION)

    def test_dispatch_error_of_an_unexpected_failure_shows_its_status(self):
        error = varnix.DispatchError(0, "Out of memory.", scode=-2147024882)
        self.assertEqual(error.scode, 0x8007000E)
        self.assertEqual(str(error), "Out of memory. (0x8007000E)")

    def test_unknown_name_is_also_an_attribute_error(self):
        error = varnix.UnknownNameError("ReadDX")
        self.assertIsInstance(error, AttributeError)
        self.assertIsInstance(error, varnix.AutomationError)
        self.assertEqual(error.name, "ReadDX")
        self.assertEqual(str(error), "ReadDX: unknown name (0x80020006)")


if __name__ == "__main__":
    unittest.main()
