"""The runner of the documentation's examples: which blocks it runs, what it refuses,
and how it reports a failing block. DOC_EXAMPLE_BINS holds the folders of the built
programs, as the runner's --bin options do."""

import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import run_doc_examples as runner  # noqa: E402

PAGE = """# A page

```sh
echo one
```

<!-- not run: needs a board on a real port -->
```sh
echo skipped
```

```text
not a command
```

```console
$ echo two \\
    three
two three
```

```python
print("four")
```
"""


class BlocksTest(unittest.TestCase):
    def test_runnable_blocks_in_order_and_marked_ones_left_out(self):
        blocks = runner.runnable_blocks(PAGE)
        self.assertEqual([(b.language, b.line) for b in blocks], [("sh", 3), ("console", 16), ("python", 22)])
        self.assertEqual(runner.console_commands(blocks[1].text), "echo two \\\n    three\n")

    def test_mistakes_that_fail_only_sometimes_are_refused(self):
        def found(text):
            return runner.mistakes(runner.Block("sh", 1, text))
        self.assertEqual(len(found("dspq47-sim --pace &\ndspq47-cli --send unit.Q47\n")), 1)
        self.assertEqual(len(found("varnix-call varnix.faderbox Ping\n")), 1)
        self.assertEqual(len(found("cp /tmp/dsp.bnm .\n")), 1)
        self.assertEqual(found('sim=$(dspq47-sim --background)\nvarnix-call varnix.faderbox ErrorMethod=2 \\\n'
                               '    Ping\nkill "$sim"\n'), [])


class PageTest(unittest.TestCase):
    def run_page(self, text):
        with tempfile.TemporaryDirectory() as folder:
            page = os.path.join(folder, "page.md")
            with open(page, "w", encoding="utf-8") as f:
                f.write(text)
            bins = [b for b in os.environ.get("DOC_EXAMPLE_BINS", "").split(os.pathsep) if b]
            return runner.run_page(page, os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..")),
                                   bins)

    def test_blocks_of_a_page_share_one_shell_and_its_folder(self):
        failures, count = self.run_page("```sh\nexport A=1\necho x > made.txt\n```\n\n"
                                        "```python\nimport os\nassert os.environ['A'] == '1'\n"
                                        "assert open('made.txt').read() == 'x\\n'\nassert os.path.isfile('demo.bnm')\n```\n")
        self.assertEqual((failures, count), ([], 2))

    def test_a_failing_block_is_named_with_its_output(self):
        failures, _ = self.run_page("```sh\necho fine\n```\n\n```sh\necho about to fail\nfalse && echo never\n"
                                    "```\n\n```sh\necho not reached\n```\n")
        self.assertEqual(len(failures), 1)
        self.assertIn("page.md:5: the block starting\n    echo about to fail\n", failures[0])
        self.assertIn("about to fail", failures[0])
        self.assertNotIn("fine", failures[0])
        self.assertNotIn("not reached", failures[0])

    def test_a_refused_block_runs_nothing(self):
        failures, _ = self.run_page("```sh\nez2181-sim &\n```\n")
        self.assertEqual(len(failures), 1)
        self.assertIn("use --background", failures[0])


if __name__ == "__main__":
    unittest.main()
