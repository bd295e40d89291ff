#!/usr/bin/env python3
"""Runs a command and fails when anything opened one of the machine's own ports meanwhile.

    device-guard.py [--watch PATH]... -- COMMAND [ARG]...

Tests, benchmarks and demos talk only to their own pseudo-terminals and sockets. The
machine's serial and parallel ports (/dev/ttyS*, /dev/ttyUSB*, /dev/ttyACM*, /dev/parport*,
or the paths given with --watch) may be a console or a real board, so an open of one of
them during the run is a fault, even if the command itself succeeded. The watch sees opens
by every process: as root it uses fanotify and names the process that opened the device;
otherwise inotify, which cannot tell who did.
"""
import ctypes
import ctypes.util
import glob
import os
import select
import struct
import subprocess
import sys
import threading

OPEN = 0x20  # IN_OPEN and FAN_OPEN alike
INOTIFY_EVENT = struct.Struct("iIII")
FANOTIFY_EVENT = struct.Struct("IBBHQii")
AT_FDCWD = -100

libc = ctypes.CDLL(ctypes.util.find_library("c"), use_errno=True)
libc.fanotify_mark.argtypes = [ctypes.c_int, ctypes.c_uint, ctypes.c_uint64, ctypes.c_int, ctypes.c_char_p]


def ports_of_the_machine():
    paths = []
    for pattern in ("/dev/ttyS*", "/dev/ttyUSB*", "/dev/ttyACM*", "/dev/parport*"):
        paths.extend(sorted(glob.glob(pattern)))
    return paths


def command_line_of(pid):
    """The command line of a process, or its name once it has ended and only that is left."""
    for name, separator in (("cmdline", b"\0"), ("comm", b"\n")):
        try:
            with open(f"/proc/{pid}/{name}", "rb") as file:
                text = file.read().replace(separator, b" ").decode(errors="replace").strip()
        except OSError:
            text = ""
        if text:
            return f"{text} (pid {pid})"
    return f"pid {pid}, already gone"


class Watch:
    """Opens of the watched paths, as (path, who) pairs, collected while the command runs."""

    def __init__(self, paths):
        self.opened = []
        self.names = {}
        self.fd = libc.fanotify_init(0, os.O_RDONLY | os.O_CLOEXEC)
        self.fanotify = self.fd >= 0
        if self.fanotify:
            for path in paths:
                libc.fanotify_mark(self.fd, 1, OPEN, AT_FDCWD, os.fsencode(path))  # FAN_MARK_ADD
        else:
            self.fd = libc.inotify_init1(os.O_CLOEXEC)
            if self.fd < 0:
                raise OSError("neither fanotify nor inotify is available")
            for path in paths:
                wd = libc.inotify_add_watch(self.fd, os.fsencode(path), OPEN)
                if wd >= 0:
                    self.names[wd] = path
        self.stop_read, self.stop_write = os.pipe()
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _read(self):
        while True:
            ready = select.select([self.fd, self.stop_read], [], [])[0]
            if self.fd in ready:
                self._take(os.read(self.fd, 65536))
            elif self.stop_read in ready:
                return

    def _take(self, data):
        offset = 0
        if self.fanotify:
            while offset + FANOTIFY_EVENT.size <= len(data):
                length, _vers, _reserved, _header, mask, event_fd, pid = FANOTIFY_EVENT.unpack_from(data, offset)
                offset += length
                if event_fd >= 0:
                    path = os.readlink(f"/proc/self/fd/{event_fd}")
                    os.close(event_fd)
                    if mask & OPEN:
                        self.opened.append((path, command_line_of(pid)))
            return
        while offset + INOTIFY_EVENT.size <= len(data):
            wd, mask, _cookie, length = INOTIFY_EVENT.unpack_from(data, offset)
            offset += INOTIFY_EVENT.size + length
            if mask & OPEN and wd in self.names:
                self.opened.append((self.names[wd], "a process inotify cannot name"))

    def close(self):
        # What the kernel queued before the command ended is read before the reader stops.
        while select.select([self.fd], [], [], 0.2)[0]:
            pass
        os.write(self.stop_write, b"x")
        self.reader.join()
        os.close(self.fd)
        return self.opened


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

    try:
        watch = Watch(watched or ports_of_the_machine())
    except OSError as error:
        print(f"device-guard: {error}; the run is not watched", file=sys.stderr)
        return subprocess.call(command)
    status = subprocess.call(command)
    opened = watch.close()

    for path, who in opened:
        print(f"device-guard: {path} was opened during the run by {who}; tests, benchmarks and demos "
              "may open only their own pseudo-terminals and sockets", file=sys.stderr)
    if opened and status == 0:
        return 1
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
