"""The example python/examples/program_boards.py against four simulated 2181 boards
on four ports of one varnix: three switched on, the fourth never greets."""

import os
import subprocess
import sys
import unittest

from tests.private_session import PrivateSession, program
from tests.test_ez2181 import pattern

EXAMPLE = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "examples", "program_boards.py")


class SeveralBoardsTest(unittest.TestCase):
    def setUp(self):
        self.session = PrivateSession()
        self.addCleanup(self.session.close)
        self.session.register_varnix()
        self.image = self.session.srecord_file("dsp.bnm", pattern(2048))
        for port in ("com1", "com2", "com3"):
            self.start_board(port, "--power-up-every", "200")
        self.start_board("com4")  # switched off: it never sends its power-on frame

    def start_board(self, port, *options):
        board = subprocess.Popen([program("EZ2181_SIM"), *options, port], env=self.session.environment(),
                                 stdout=subprocess.PIPE, text=True)
        self.addCleanup(self.stop_board, board)
        self.assertIn("linked as " + port, board.stdout.readline())

    @staticmethod
    def stop_board(board):
        board.terminate()
        board.wait(30)
        board.stdout.close()

    def test_three_boards_programmed_and_the_failed_ones_reported(self):
        """com4 never greets; com7 is not in the port map."""
        not_mapped = "COM7 is not in the port map: "
        done = subprocess.run([sys.executable, EXAMPLE, self.image, "com1", "com7", "com2", "com3", "com4"],
                              env=self.session.environment(), capture_output=True, text=True, timeout=240)
        self.assertEqual(done.returncode, 1, done.stdout + done.stderr)
        lines = done.stdout.splitlines()
        self.assertEqual(sorted(line.split(" map: ")[0] for line in lines[:5]),
                         ["com1: programmed and verified", "com2: programmed and verified",
                          "com3: programmed and verified", "com4: ERROR: Device Timeout",
                          "com7: COM7 is not in the port"])
        self.assertEqual(lines[5], "Port   Result      Time  Error")
        rows = [line.split() for line in lines[6:]]
        self.assertEqual([row[:2] for row in rows], [["com1", "ok"], ["com7", "failed"], ["com2", "ok"],
                                                     ["com3", "ok"], ["com4", "failed"]])
        self.assertIn("s  " + not_mapped, lines[7])
        self.assertEqual(lines[10][-len("s  ERROR: Device Timeout"):], "s  ERROR: Device Timeout")

    def test_a_port_given_twice_is_refused_before_any_board_is_touched(self):
        done = subprocess.run([sys.executable, EXAMPLE, self.image, "com1", "com2", "COM1"],
                              env=self.session.environment(), capture_output=True, text=True, timeout=240)
        self.assertEqual(done.returncode, 2)
        self.assertEqual(done.stderr, "program_boards.py: COM1 is given twice; give each port once\n")
        self.assertEqual(done.stdout, "")


if __name__ == "__main__":
    unittest.main()
