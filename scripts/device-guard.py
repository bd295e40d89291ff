#!/usr/bin/env python3
"""Runs a command and fails when anything opened one of the machine's own ports meanwhile.

    device-guard.py [--watch PATH]... -- COMMAND [ARG]...

Tests, benchmarks and demos talk only to their own pseudo-terminals and sockets. The
machine's serial and parallel ports (/dev/ttyS*, /dev/ttyUSB*, /dev/ttyACM*, /dev/parport*,
or the paths given with --watch) may be a console or a real board, so an open of one of
them during the run is a fault, even if the command itself succeeded. The watch uses
inotify, which sees opens by every process, so it cannot tell who opened the device.
"""
import ctypes
import ctypes.util
import glob
import os
import select
import struct
import subprocess
import sys

IN_OPEN = 0x20
IN_NONBLOCK = os.O_NONBLOCK
EVENT_HEADER = struct.Struct("iIII")


def ports_of_the_machine():
    paths = []
    for pattern in ("/dev/ttyS*", "/dev/ttyUSB*", "/dev/ttyACM*", "/dev/parport*"):
        paths.extend(sorted(glob.glob(pattern)))
    return paths


def main(argv):
    watched = []
    while argv and argv[0] != "--":
        if argv[0] == "--watch" and len(argv) > 1:
            watched.append(argv[1])
            argv = argv[2:]
        else:
            print(__doc__.strip(), file=sys.stderr)
            return 2
    command = argv[1:]
    if not command:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    watched = watched or ports_of_the_machine()

    libc = ctypes.CDLL(ctypes.util.find_library("c"), use_errno=True)
    fd = libc.inotify_init1(IN_NONBLOCK)
    if fd < 0:
        print("device-guard: inotify is not available", file=sys.stderr)
        return 2
    names = {}
    for path in watched:
        wd = libc.inotify_add_watch(fd, os.fsencode(path), IN_OPEN)
        if wd >= 0:
            names[wd] = path

    status = subprocess.call(command)

    opened = {}
    while select.select([fd], [], [], 0)[0]:
        try:
            data = os.read(fd, 65536)
        except BlockingIOError:
            break
        offset = 0
        while offset + EVENT_HEADER.size <= len(data):
            wd, mask, _cookie, length = EVENT_HEADER.unpack_from(data, offset)
            offset += EVENT_HEADER.size + length
            if mask & IN_OPEN and wd in names:
                opened[names[wd]] = opened.get(names[wd], 0) + 1
    os.close(fd)

    for path, count in sorted(opened.items()):
        print(f"device-guard: {path} was opened {count} time(s) during the run; tests, benchmarks "
              "and demos may open only their own pseudo-terminals and sockets", file=sys.stderr)
    if opened and status == 0:
        return 1
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
