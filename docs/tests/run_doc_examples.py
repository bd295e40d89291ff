#!/usr/bin/python3
"""Runs every command example of README.md and docs/*.md as a reader pastes it.

A fenced block marked sh, bash, shell, console or python is an example to run, unless
the line before its fence is an HTML comment "<!-- not run: REASON -->" (for blocks
that need hardware, a display or a package build). The runnable blocks of one page run
in order in one bash shell, so that a block may use what an earlier one made or set;
a python block runs there with /usr/bin/python3, a console block runs its "$ " lines.

Each page starts as a reader who did the README's setup: the built programs and the
simulators on PATH, the project's python/ package on PYTHONPATH, varnix registered in
private XDG folders, a session bus of its own (dbus-run-session) and a working folder
holding copies of the samples demo.bnm and demo.hex (upgrade/samples/). The port map folder exists, with every comN and lpt1 linked to a pseudo-terminal
that does not exist: a simulator takes such a link over, and a program that would open
the port without one fails instead of reaching the machine's own ports.

A failing command (the shell runs with -e and pipefail, and a block's last status
counts, so that "cmd && echo OK" fails when cmd does) fails the page, reporting the
page, the first line of the block and the block's output. Two mistakes that do not fail
every run are refused before anything runs: a simulator started with "&" (the next
command races its start; --background returns once the port is linked), a file named
under /tmp (what is there differs from machine to machine; a block makes its files in
the working folder), and a varnix-call of a board without ErrorMethod=2 (under the
default error method a failing call prints null and the command still succeeds).

    run_doc_examples.py --source DIR --bin DIR [--bin DIR]... [PAGE]...
"""

import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile

RUN_LANGUAGES = {"sh", "bash", "shell", "console", "python"}
NOT_RUN = re.compile(r"^<!--\s*not run:\s*\S.*-->\s*$")
MARK = "@@docs-example-block "
PAGE_TIMEOUT_S = 240
SAMPLES = ("demo.bnm", "demo.hex")
PAGE_MARK = "VARNIX_DOC_EXAMPLE_PAGE"  # in the environment of everything a page starts


class Block:
    def __init__(self, language, line, text):
        self.language = language
        self.line = line
        self.text = text

    def first_line(self):
        return next((l for l in self.text.splitlines() if l.strip()), "")


def runnable_blocks(page_text):
    """The blocks of a page to run, in order; blocks marked "not run" are left out."""
    blocks = []
    lines = page_text.splitlines()
    i = 0
    while i < len(lines):
        fence = re.match(r"^(`{3,})\s*([\w-]*)", lines[i])
        if not fence:
            i += 1
            continue
        ticks, language = fence.group(1), fence.group(2).lower()
        end = i + 1
        while end < len(lines) and not lines[end].startswith(ticks):
            end += 1
        skipped = i > 0 and NOT_RUN.match(lines[i - 1].strip())
        if language in RUN_LANGUAGES and not skipped:
            blocks.append(Block(language, i + 1, "\n".join(lines[i + 1:end]) + "\n"))
        i = end + 1
    return blocks


SIMULATOR_WITH_AMPERSAND = re.compile(r"(^|[;&|(]\s*|\s)[\w./-]*-sim\b[^\n#]*[^&]&\s*(#.*)?$", re.M)
VARNIX_CALL = re.compile(r"\bvarnix-call\b.*\bvarnix\.\w+", re.I)
TMP_FILE = re.compile(r"(?<![\w$})])/tmp/")


def mistakes(block):
    """What the block does that fails only some of the time, or only on some machines."""
    found = []
    if block.language != "python" and SIMULATOR_WITH_AMPERSAND.search(block.text):
        found.append("starts a simulator with &, so the next command races its start: use --background")
    if TMP_FILE.search(block.text):
        found.append("names a file under /tmp that a reader does not have: make it in the working folder")
    commands = block.text.replace("\\\n", " ").splitlines()
    if block.language != "python" and any(VARNIX_CALL.search(c) and "ErrorMethod=2" not in c for c in commands):
        found.append("calls a board with varnix-call without ErrorMethod=2, so a failure would not fail")
    return found


def console_commands(text):
    """The commands of a console block: its "$ " lines and their continuation lines."""
    commands = []
    continuing = False
    for line in text.splitlines():
        if line.startswith("$ "):
            commands.append(line[2:])
        elif continuing:
            commands.append(line)
        else:
            continue
        continuing = line.endswith("\\")
    return "\n".join(commands) + "\n"


def page_script(blocks):
    """One bash script running the blocks in order, with a mark before each."""
    parts = ["set -eo pipefail\n"]
    for number, block in enumerate(blocks):
        parts.append("printf '\\n%s%d\\n'\n" % (MARK, number))
        if block.language == "python":
            parts.append("/usr/bin/python3 - <<'DOCS_EXAMPLE_PYTHON_END'\n%sDOCS_EXAMPLE_PYTHON_END\n" % block.text)
        elif block.language == "console":
            parts.append(console_commands(block.text))
        else:
            parts.append(block.text)
        parts.append("(exit $?)\n")
    parts.append("printf '\\n%send\\n'\n" % MARK)
    return "".join(parts)


def page_environment(scratch, bins, source):
    env = {k: v for k, v in os.environ.items() if not k.startswith(("XDG_", "DBUS_"))}
    env.update({
        "HOME": os.path.join(scratch, "home"),
        "XDG_CONFIG_HOME": os.path.join(scratch, "config"),
        "XDG_DATA_HOME": os.path.join(scratch, "data"),
        "XDG_RUNTIME_DIR": os.path.join(scratch, "runtime"),
        "XDG_CACHE_HOME": os.path.join(scratch, "cache"),
        "PATH": os.pathsep.join(bins + [env.get("PATH", "/usr/bin:/bin")]),
        "PYTHONPATH": os.path.join(source, "python"),
        "PYTHONDONTWRITEBYTECODE": "1",
        "QT_QPA_PLATFORM": "offscreen",
        "TMPDIR": os.path.join(scratch, "tmp"),  # what mktemp makes goes with the page
        PAGE_MARK: scratch,
    })
    for key in ("HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "TMPDIR"):
        os.makedirs(env[key], exist_ok=True)
    os.makedirs(os.path.join(env["XDG_DATA_HOME"], "dbus-1", "services"))
    os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700)
    dosdevices = os.path.join(env["XDG_CONFIG_HOME"], "dosdevices")
    os.makedirs(dosdevices)
    for name in ["com%d" % n for n in range(1, 10)] + ["lpt1"]:
        os.symlink("/dev/pts/%d" % (990000 + len(os.listdir(dosdevices))), os.path.join(dosdevices, name))
    return env


def end_leftovers(scratch):
    """Ends what the page started and left running (a simulator not stopped, say): the
    processes that carry the page's mark in their environment."""
    mine = ("%s=%s" % (PAGE_MARK, scratch)).encode()
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/environ" % pid, "rb") as f:
                if mine in f.read().split(b"\0"):
                    os.kill(int(pid), signal.SIGTERM)
        except OSError:
            pass


def run_page(path, source, bins):
    """Runs the page's blocks; a list of failure reports (empty when all passed)."""
    with open(path, encoding="utf-8") as f:
        blocks = runnable_blocks(f.read())
    if not blocks:
        return [], 0
    page = os.path.relpath(path, source)
    refused = ["%s:%d: the block starting\n    %s\n%s" % (page, b.line, b.first_line(), text)
               for b in blocks for text in mistakes(b)]
    if refused:
        return refused, len(blocks)
    scratch = tempfile.mkdtemp(prefix="docs-example-")
    try:
        env = page_environment(scratch, bins, source)
        work = os.path.join(scratch, "work")
        os.makedirs(work)
        for sample in SAMPLES:
            shutil.copy(os.path.join(source, "upgrade", "samples", sample), work)
        registered = subprocess.run(["varnix", "-Register"], env=dict(env, DBUS_SESSION_BUS_ADDRESS=""),
                                    cwd=work, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        if registered.returncode != 0:
            return ["%s: varnix -Register failed:\n%s" % (page, registered.stdout)], len(blocks)
        script = os.path.join(scratch, "page.sh")
        with open(script, "w", encoding="utf-8") as f:
            f.write(page_script(blocks))
        # Output to a file, not a pipe: a program a block leaves in the background then
        # holds nothing the test waits for.
        output_path = os.path.join(scratch, "output.txt")
        with open(output_path, "w+", encoding="utf-8", errors="replace") as output:
            try:
                status = subprocess.run(["dbus-run-session", "--", "bash", script], env=env, cwd=work,
                                        stdin=subprocess.DEVNULL, stdout=output, stderr=subprocess.STDOUT,
                                        timeout=PAGE_TIMEOUT_S).returncode
            except subprocess.TimeoutExpired:
                status = "a time-out after %d s" % PAGE_TIMEOUT_S
            output.seek(0)
            text = output.read()
        end_leftovers(scratch)
        if status == 0 and (MARK + "end") in text:
            return [], len(blocks)
        pieces = text.split(MARK)
        last = pieces[-1]
        number_text, _, block_output = last.partition("\n")
        block = blocks[int(number_text)] if number_text.isdigit() else blocks[0]
        return ["%s:%d: the block starting\n    %s\nfailed (exit status %s) with this output:\n%s" %
                (page, block.line, block.first_line(), status, block_output.rstrip() or "(none)")], len(blocks)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser(description="Runs the command examples of the documentation.")
    parser.add_argument("--source", required=True, help="the source tree")
    parser.add_argument("--bin", action="append", default=[], help="a folder of built programs, for PATH")
    parser.add_argument("pages", nargs="*", help="pages to run (default: README.md and docs/*.md)")
    args = parser.parse_args()
    source = os.path.abspath(args.source)
    pages = args.pages or [os.path.join(source, "README.md")] + sorted(
        os.path.join(source, "docs", name) for name in os.listdir(os.path.join(source, "docs")) if name.endswith(".md"))
    failures = []
    for page in pages:
        page_failures, count = run_page(os.path.abspath(page), source, [os.path.abspath(b) for b in args.bin])
        print("%-40s %2d block(s) %s" % (os.path.relpath(page, source), count, "FAILED" if page_failures else "ok"))
        failures += page_failures
    for failure in failures:
        print("\n" + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
