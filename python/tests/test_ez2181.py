"""The simulated 2181 board driven from Python through the real varnix server
on a private bus: data memory, flash programming and verification, the three
error methods, and a script that leaves nothing behind when it ends."""

import os
import shutil
import socket
import subprocess
import sys
import textwrap
import unittest

import varnix

from tests.private_session import PrivateSession, program

EZ2181_CLASS_ID = "{3A0F6C21-52D4-4E8B-9C17-2B8E40D1A001}"
EZ2181_BUS_NAME = "org.varnix.Automation.Class.C3A0F6C21_52D4_4E8B_9C17_2B8E40D1A001"
IMAGE_SIZE = 4096
CHANGED_AT = 0x0A37


def pattern(count):
    state = 2181
    data = bytearray()
    for _ in range(count):
        state = (state * 1664525 + 1013904223) & 0xFFFFFFFF
        data.append(state >> 24)
    return data


class Ez2181Test(unittest.TestCase):
    def setUp(self):
        self.session = PrivateSession()
        self.addCleanup(self.session.close)
        self.register_varnix()
        self.start_board()
        data = pattern(IMAGE_SIZE)
        self.image = self.session.srecord_file("dsp.bnm", data)
        data[CHANGED_AT] ^= 0xFF
        self.changed = self.session.srecord_file("changed.bnm", data)

    def register_varnix(self):
        self.session.register_varnix()
        self.assertEqual(varnix.ClassesRoot().class_id_of_progid("varnix.ez2181"), EZ2181_CLASS_ID)

    def start_board(self):
        """The simulated board on a pseudo-terminal linked as com1 in this session's port map."""
        self.board = subprocess.Popen([program("EZ2181_SIM"), "com1"], env=self.session.environment(),
                                      stdout=subprocess.PIPE, text=True)
        self.addCleanup(self.stop_board)
        self.assertIn("linked as com1", self.board.stdout.readline())

    def stop_board(self):
        self.board.terminate()
        self.board.wait(30)
        self.board.stdout.close()

    def dispatch(self):
        board = varnix.Dispatch("Varnix.Ez2181", bus=self.session.bus)
        self.addCleanup(board.Release)
        return board

    def test_a_script_uses_memory_and_flash_and_leaves_no_object_behind(self):
        script = textwrap.dedent("""\
            import sys
            import varnix

            image, changed = sys.argv[1:]
            board = varnix.Dispatch("Varnix.Ez2181")
            board.ErrorMethod = 2
            print(board.ErrorMethod)
            print(board.WriteDM(16, [0x1234, 0x5678, 0xABCD, 0x0042], 0, 0))
            print(board.ReadDM(16, 4, 0, 0))
            print(board.ProgFlash(image))
            print(board.VerifyFlash(image))
            try:
                board.VerifyFlash(changed)
            except varnix.DispatchError as e:
                print(e.code, e.description)
            print(board.ErrorCode, board.ErrorString)
            print(board._driver.server_name)
            """)
        done = subprocess.run([sys.executable, "-c", script, self.image, self.changed],
                              env=self.session.environment(), capture_output=True, text=True, timeout=240)
        self.assertEqual(done.returncode, 0, done.stderr)
        lines = done.stdout.splitlines()
        self.assertEqual(lines[:-1], ["2", "0", "[4660, 22136, 43981, 66]", "0", "0",
                                      "%d Verify Error at Addr" % CHANGED_AT,
                                      "%d Verify Error at Addr" % CHANGED_AT])
        # The script ended holding its board: the server released it and ended.
        self.assertTrue(self.session.name_gone(lines[-1]))
        self.assertFalse(self.session.name_has_owner(EZ2181_BUS_NAME))

    def test_error_method_0_answers_null_and_1_an_error_value(self):
        board = self.dispatch()
        self.assertEqual(board.ProgFlash(self.image), 0)
        self.assertEqual(board.ErrorMethod, 0)
        self.assertIs(board.VerifyFlash(self.changed), varnix.Null)
        self.assertEqual((board.ErrorCode, board.ErrorString), (CHANGED_AT, "Verify Error at Addr"))
        board.ErrorMethod = 1
        result = board.VerifyFlash(self.changed)
        self.assertIsInstance(result, varnix.ErrorValue)
        self.assertEqual(result, CHANGED_AT + 5)
        self.assertEqual(board.VerifyFlash(self.image), 0)

    def test_data_memory_round_trip_with_typed_and_plain_arrays(self):
        board = self.dispatch()
        board.ErrorMethod = 2
        words = [0, 1, 0x7FFF, 0x8000, 0xFFFF]
        self.assertEqual(board.WriteDM(0x100, words, 0, 0), 0)
        self.assertEqual(board.ReadDM(0x100, len(words), 0, 0), words)
        self.assertEqual(board.WriteDM(0x200, varnix.Variant(varnix.VT_ARRAY | varnix.VT_I2, [7, -1]), 0, 0), 0)
        self.assertEqual(board.ReadDM(0x200, 2, 0, 0), [7, 0xFFFF])
        self.assertEqual(board.ReadDM(0x100, 1, 0, 0), [0])

    def test_a_missing_image_raises_the_boards_dispatch_error(self):
        board = self.dispatch()
        board.ErrorMethod = 2
        with self.assertRaises(varnix.DispatchError) as caught:
            board.ProgFlash(os.path.join(self.session.folder, "absent.bnm"))
        self.assertEqual(caught.exception.description, board.ErrorString)
        self.assertEqual(caught.exception.code, board.ErrorCode)
        self.assertEqual(caught.exception.scode, 0)

    def test_a_port_that_cannot_be_opened_fails_by_the_error_method_and_says_why(self):
        """Not in the port map, or a network port where nothing listens: every error
        method reports the cause, and PowerOn does so at once, as Reset does."""
        link = os.path.join(self.session.config, "dosdevices", "com1")
        closed = socket.socket()
        closed.bind(("127.0.0.1", 0))
        refused_at = "127.0.0.1:%d" % closed.getsockname()[1]
        closed.close()
        not_mapped = (f"Can't write to serial port (COM1 is not in the port map: {os.path.dirname(link)} has no "
                      f"link named com1. Link the port to its device with: ln -sfn /dev/ttyUSB0 {link})")
        refused = (f"Can't write to serial port (COM1 ({link}): {refused_at} refused the connection "
                   "(no port server listens there))")
        cases = [(None, "Reset", not_mapped), (None, "PowerOn", not_mapped),
                 ("rfc2217://" + refused_at, "PowerOn", refused)]
        for target, member, text in cases:
            with self.subTest(target=target, member=member):
                if os.path.lexists(link):
                    os.remove(link)
                if target:
                    os.symlink(target, link)
                board = self.dispatch()
                call = getattr(board, member)
                arguments = (0,) if member == "Reset" else ()
                self.assertIs(call(*arguments), varnix.Null)
                self.assertEqual((board.ErrorString, board.ErrorCode), (text, 0))
                board.ErrorMethod = 1
                result = call(*arguments)
                self.assertIsInstance(result, varnix.ErrorValue)
                self.assertEqual(result, 5)
                board.ErrorMethod = 2
                with self.assertRaises(varnix.DispatchError) as caught:
                    call(*arguments)
                self.assertEqual(caught.exception.description, text)

    def test_members_and_arguments_the_board_does_not_have(self):
        board = self.dispatch()
        self.assertFalse(hasattr(board, "ReadDX"))
        self.assertIsInstance(board.PowerOn, varnix.Method)
        with self.assertRaises(varnix.AutomationError) as caught:
            board.ReadDM(16, 4)
        self.assertEqual(caught.exception.hresult, varnix.DISP_E_BADPARAMCOUNT)
        with self.assertRaises(varnix.AutomationError) as caught:
            board.SetBaud("fast")
        self.assertEqual((caught.exception.hresult, caught.exception.argument_index), (varnix.DISP_E_TYPEMISMATCH, 0))

    def test_the_complete_example_of_the_scripting_guide_prints_what_the_guide_says(self):
        source = os.path.join(os.path.dirname(__file__), "..", "..")
        with open(os.path.join(source, "docs", "python-scripting.md"), encoding="utf-8") as file:
            example = file.read().split("## A complete example")[1]
        script = example.split("cat > check_flash.py <<'EOF'\n")[1].split("\nEOF\n")[0]
        printed = example.split("It prints:\n")[1].split("\n\n")[0].strip()
        expected = [line.strip() for line in printed.splitlines()]
        # The guide's images: the shipped sample and a copy with the byte at 0x0410 changed.
        shutil.copy(os.path.join(source, "upgrade", "samples", "demo.bnm"), self.session.folder)
        subprocess.run(["srec_cat", "demo.bnm", "-exclude", "0x0410", "0x0411", "-generate", "0x0410", "0x0411",
                        "-constant", "0x5A", "-o", "changed.bnm", "-motorola", "-address-length=3",
                        "-disable=data-count", "-execution-start-address=0"],
                       cwd=self.session.folder, capture_output=True, check=True)
        done = subprocess.run([sys.executable, "-c", script, "demo.bnm", "changed.bnm"], cwd=self.session.folder,
                              env=self.session.environment(), capture_output=True, text=True, timeout=240)
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertEqual(done.stdout.splitlines(), expected)

    def test_releasing_the_board_ends_the_server(self):
        board = varnix.Dispatch("varnix.EZ2181", bus=self.session.bus)
        server = board._driver.server_name
        self.assertTrue(self.session.name_has_owner(EZ2181_BUS_NAME))
        board.Release()
        self.assertTrue(self.session.name_gone(server))
        self.assertFalse(self.session.name_has_owner(EZ2181_BUS_NAME))


if __name__ == "__main__":
    unittest.main()
