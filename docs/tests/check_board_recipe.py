#!/usr/bin/python3
"""Checks that the "A new board" recipe of docs/hacking.md names every file a new
serial board must touch, and counts those files.

The recipe is a numbered list; each item begins with the paths it stands for, in
backticks, before the first colon: `monitor/boards/<Board>.{h,cpp}`: what goes there.
<Board> and <board> stand for a board's class name and its name in lower case, {a,b}
for each of the names in it, and a path ending in "/" for a folder with its files.

A file that names every serial board we have is a list of boards, and a new board
belongs in it, unless it is one of a board's own files (its path carries a board's
name). The check fails, naming the file, for every such list the recipe does not
name, and for every recipe path that matches no file of any board we have. It prints
how many files a new serial board touches: each path as the files it stands for, a
folder as the files the 21k board has there.

    check_board_recipe.py --source DIR
"""

import argparse
import os
import re
import subprocess
import sys

# The serial boards we have, class name first. A list of boards is recognised by
# naming all of them, so a new board need not be added here.
BOARDS = [("Ez2181", "ez2181"), ("Ezkit21k", "ezkit21k"), ("Faderbox", "faderbox")]
# The board whose folders give the count of files a folder stands for.
COUNTED_BOARD = ("Ezkit21k", "ezkit21k")
RECIPE_PAGE = "docs/hacking.md"
RECIPE_HEADING = "## A new board"
# This check and its tests name every board to recognise lists, and are none.
THIS_CHECK = ("docs/tests/check_board_recipe.py", "docs/tests/test_check_board_recipe.py")

ITEM = re.compile(r"^(\d+)\.\s+(.*)$")
BRACES = re.compile(r"\{([^{}]*)\}")


def recipe_entries(page_text):
    """The recipe's paths, item by item: [(item number, [path, ...]), ...]."""
    lines = page_text.splitlines()
    try:
        start = lines.index(RECIPE_HEADING) + 1
    except ValueError:
        raise SystemExit(f"{RECIPE_PAGE} has no section \"{RECIPE_HEADING[3:]}\"")
    items = []
    for line in lines[start:]:
        if line.startswith("## "):
            break
        match = ITEM.match(line)
        if match:
            items.append((int(match.group(1)), match.group(2)))
        elif items and line.startswith("   ") and line.strip():
            number, text = items[-1]
            items[-1] = (number, text + " " + line.strip())
    return [(number, lead_paths(text)) for number, text in items]


def lead_paths(item_text):
    """The backticked paths at the start of an item, up to its first colon outside
    backticks."""
    paths = []
    inside = False
    token = ""
    for character in item_text:
        if character == "`":
            if inside and ("/" in token or "." in token):
                paths.append(token)
            inside = not inside
            token = ""
        elif inside:
            token += character
        elif character == ":":
            break
    return paths


def expand(path, board):
    """The paths one recipe path stands for, for one board."""
    path = path.replace("<Board>", board[0]).replace("<board>", board[1])
    match = BRACES.search(path)
    if not match:
        return [path]
    expanded = []
    for choice in match.group(1).split(","):
        expanded += expand(path[: match.start()] + choice + path[match.end():], board)
    return expanded


def matches(path, files):
    """The files a path names: itself, or a folder's files."""
    if path.endswith("/"):
        return [f for f in files if f.startswith(path)]
    return [path] if path in files else []


def source_files(source):
    """The files of the source tree: git's tracked files, or a walk that leaves out
    hidden folders and build folders where there is no git checkout."""
    if os.path.exists(os.path.join(source, ".git")):
        listed = subprocess.run(["git", "-C", source, "ls-files", "-z"], check=True,
                                capture_output=True).stdout.decode()
        return sorted(f for f in listed.split("\0") if f and os.path.isfile(os.path.join(source, f)))
    files = []
    for folder, subfolders, names in os.walk(source):
        subfolders[:] = sorted(s for s in subfolders if not s.startswith(".") and
                               not os.path.exists(os.path.join(folder, s, "CMakeCache.txt")))
        files += [os.path.relpath(os.path.join(folder, n), source) for n in names]
    return sorted(files)


def is_own_file(path):
    lower = path.lower()
    return any(board[1] in lower for board in BOARDS)


def names_every_board(source, path):
    with open(os.path.join(source, path), "rb") as f:
        text = f.read().lower()
    return all(board[1].encode() in text for board in BOARDS)


def lists_of_boards(source, files):
    return [f for f in files
            if f != RECIPE_PAGE and f not in THIS_CHECK and not is_own_file(f) and names_every_board(source, f)]


def check(source, out=sys.stdout):
    """Prints the findings; returns the number of problems."""
    files = set(source_files(source))
    with open(os.path.join(source, RECIPE_PAGE), encoding="utf-8") as f:
        entries = recipe_entries(f.read())

    named = set()
    problems = 0
    count = 0
    for number, paths in entries:
        if not paths:
            print(f"{RECIPE_PAGE}: item {number} of \"{RECIPE_HEADING[3:]}\" names no path", file=out)
            problems += 1
        for path in paths:
            for choice in expand(path, ("<Board>", "<board>")):
                found = [m for board in BOARDS for each in expand(choice, board) for m in matches(each, files)]
                named.update(found)
                if not found:
                    print(f"{RECIPE_PAGE}: item {number}: {choice} matches no file of any board", file=out)
                    problems += 1
                counted = len(matches(expand(choice, COUNTED_BOARD)[0], files)) if choice.endswith("/") else 1
                print(f"  {counted:3d}  {choice}", file=out)
                count += counted

    for path in lists_of_boards(source, sorted(files)):
        if path not in named:
            print(f"{path}: names every serial board, but the recipe in {RECIPE_PAGE} does not name it", file=out)
            problems += 1

    print(f"A new serial board touches {count} files.", file=out)
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--source", required=True, help="the source tree")
    arguments = parser.parse_args()
    return 1 if check(arguments.source) else 0


if __name__ == "__main__":
    sys.exit(main())
