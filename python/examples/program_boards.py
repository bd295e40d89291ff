#!/usr/bin/env python3
"""Programs one image into several 2181 boards at the same time through one varnix:

    program_boards.py IMAGE PORT...      (program_boards.py dsp.bnm com1 com2 com3 com4)

Each board waits for its power-on, is programmed and verified by a thread of its
own, on a bus connection of its own: a call blocks only the thread that made it,
and the server runs the calls of different boards at the same time. A line for
each board as it ends, then a table; the exit status is 1 when a board failed.
"""

import os
import sys
import threading
import time

import dbus
import varnix


def program(port, image, results):
    start = time.monotonic()
    failure = ""
    bus = dbus.SessionBus(private=True)
    try:
        with varnix.Dispatch("varnix.ez2181", bus=bus) as board:
            board.ErrorMethod = 2             # failures raise DispatchError
            board.Port = port                 # the board's port in the port map
            board.PowerOn()                   # up to 10 s for the board to greet
            board.ProgFlash(image)
            board.VerifyFlash(image)
    except varnix.VarnixError as e:
        failure = e.description if isinstance(e, varnix.DispatchError) else e.text
    finally:
        bus.close()
    results[port] = (failure, time.monotonic() - start)
    print("%s: %s" % (port, failure or "programmed and verified"), flush=True)


def main():
    if len(sys.argv) < 3:
        sys.exit("usage: program_boards.py IMAGE PORT...")
    # The server opens the file from a working folder of its own.
    image, ports = os.path.abspath(sys.argv[1]), sys.argv[2:]
    results = {}
    threads = [threading.Thread(target=program, args=(port, image, results)) for port in ports]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()

    print("%-6s %-7s %8s  %s" % ("Port", "Result", "Time", "Error"))
    for port in ports:
        failure, seconds = results[port]
        print(("%-6s %-7s %6.1f s  %s" % (port, "failed" if failure else "ok", seconds, failure)).rstrip())
    sys.exit(1 if any(failure for failure, _ in results.values()) else 0)


if __name__ == "__main__":
    main()
