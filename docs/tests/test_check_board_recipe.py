"""The check of the new-board recipe on small source trees of its own: the lists it
finds and names, the stale paths, the count, and which files it looks at with and
without git."""

import io
import os
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_board_recipe as checker  # noqa: E402

RECIPE = """# Hacking

## A new board

1. `src/<Board>.{h,cpp}`: the surface.
2. `sims/<board>/`: the simulator,
   with its tests.
3. `lists.txt`: the board's name.

## A new flash file format

1. `other.txt`: not part of the board's recipe.
"""

ALL_BOARDS = "ez2181 Ezkit21k FADERBOX\n"


class CheckBoardRecipeTest(unittest.TestCase):
    def setUp(self):
        self.scratch = tempfile.TemporaryDirectory()
        self.source = self.scratch.name
        self.write("docs/hacking.md", RECIPE)
        self.write("src/Ez2181.h", ALL_BOARDS)  # a board's own file may name every board
        self.write("src/Ez2181.cpp", "")
        self.write("src/Faderbox.h", "")
        self.write("src/Faderbox.cpp", "")
        for name in ("CMakeLists.txt", "main.cpp", "tests/SimTest.cpp"):
            self.write("sims/ezkit21k/" + name, "")
        self.write("sims/ez2181/main.cpp", "")
        self.write("lists.txt", ALL_BOARDS)
        self.write("two-boards.txt", "ez2181 ezkit21k\n")

    def tearDown(self):
        self.scratch.cleanup()

    def write(self, path, text):
        full = os.path.join(self.source, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "w", encoding="utf-8") as f:
            f.write(text)

    def check(self):
        out = io.StringIO()
        problems = checker.check(self.source, out)
        return problems, out.getvalue()

    def test_a_true_recipe_passes_and_counts_a_folder_as_the_21k_boards_files(self):
        problems, out = self.check()
        self.assertEqual(problems, 0, out)
        self.assertIn("    3  sims/<board>/\n", out)
        self.assertTrue(out.endswith("A new serial board touches 6 files.\n"), out)

    def test_a_list_the_recipe_leaves_out_is_named(self):
        self.write("docs/desktop.md", "Varnix.Ez2181, Varnix.Ezkit21k and Varnix.Faderbox\n")
        problems, out = self.check()
        self.assertEqual(problems, 1, out)
        self.assertIn("docs/desktop.md: names every serial board, but the recipe in docs/hacking.md "
                      "does not name it\n", out)

    def test_a_deleted_recipe_line_and_a_stale_one_fail(self):
        self.write("docs/hacking.md", RECIPE.replace("3. `lists.txt`", "3. `gone/<Board>Link.{h,cpp}`"))
        problems, out = self.check()
        self.assertEqual(problems, 3, out)
        self.assertIn("docs/hacking.md: item 3: gone/<Board>Link.h matches no file of any board\n", out)
        self.assertIn("docs/hacking.md: item 3: gone/<Board>Link.cpp matches no file of any board\n", out)
        self.assertIn("lists.txt: names every serial board", out)

    def test_an_item_without_a_path_fails(self):
        self.write("docs/hacking.md", RECIPE.replace("3. `lists.txt`: the", "3. Lists: `lists.txt`, the"))
        problems, out = self.check()
        self.assertEqual(problems, 2, out)
        self.assertIn("docs/hacking.md: item 3 of \"A new board\" names no path\n", out)

    def test_without_git_hidden_and_build_folders_are_left_out(self):
        self.write("build/CMakeCache.txt", "")
        self.write("build/made.txt", ALL_BOARDS)
        self.write(".cache/kept.txt", ALL_BOARDS)
        problems, out = self.check()
        self.assertEqual(problems, 0, out)

    def test_with_git_only_tracked_files_count(self):
        subprocess.run(["git", "init", "-q", self.source], check=True)
        subprocess.run(["git", "-C", self.source, "add", "."], check=True)
        self.write("untracked.txt", ALL_BOARDS)
        problems, out = self.check()
        self.assertEqual(problems, 0, out)
        subprocess.run(["git", "-C", self.source, "add", "untracked.txt"], check=True)
        problems, out = self.check()
        self.assertEqual(problems, 1, out)
        self.assertIn("untracked.txt: names every serial board", out)


if __name__ == "__main__":
    unittest.main()
