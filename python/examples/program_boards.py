#!/usr/bin/env python3
"""Programs one image into several 2181 boards at the same time through one varnix:

    program_boards.py IMAGE PORT...      (program_boards.py dsp.bnm com1 com2 com3 com4)

Each board waits for its power-on, is programmed and verified by a thread of its
own, on a bus connection of its own: a call blocks only the thread that made it,
and the server runs the calls of different boards at the same time. A line for
each board as it ends, then a table with a row for each port; the exit status is
1 when a board failed, 2 for a mistake on the command line (a port given twice).
"""

import os
import sys
import threading
import time

import dbus
import varnix


printing = threading.Lock()


def program(port, image, results, index):
    start = time.monotonic()
    bus = dbus.SessionBus(private=True)
    try:
        with varnix.Dispatch("varnix.ez2181", bus=bus) as board:
            board.ErrorMethod = 2             # failures raise DispatchError
            board.Port = port                 # the board's port in the port map
            board.PowerOn()                   # up to 10 s for the board to greet
            board.ProgFlash(image)
            board.VerifyFlash(image)
        failure = ""
    except varnix.DispatchError as e:
        failure = e.description or str(e)
    except Exception as e:  # the bus, the automation layer: the board failed all the same
        failure = str(e) or type(e).__name__
    finally:
        bus.close()
    results[index] = (failure, time.monotonic() - start)
    with printing:
        print("%s: %s" % (port, failure or "programmed and verified"), flush=True)


def main():
    if len(sys.argv) < 3:
        sys.exit("usage: program_boards.py IMAGE PORT...")
    # The server opens the file from a working folder of its own.
    image, ports = os.path.abspath(sys.argv[1]), sys.argv[2:]
    # Port names are the same in any case; two threads on one board would fight over it.
    seen = set()
    for port in ports:
        if port.lower() in seen:
            print("program_boards.py: %s is given twice; give each port once" % port, file=sys.stderr)
            sys.exit(2)
        seen.add(port.lower())

    # A board whose thread ended without a result has failed too.
    results = [("no result", 0.0)] * len(ports)
    threads = [threading.Thread(target=program, args=(port, image, results, i)) for i, port in enumerate(ports)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()

    print("%-6s %-7s %8s  %s" % ("Port", "Result", "Time", "Error"))
    for port, (failure, seconds) in zip(ports, results):
        print(("%-6s %-7s %6.1f s  %s" % (port, "failed" if failure else "ok", seconds, failure)).rstrip())
    sys.exit(1 if any(failure for failure, _ in results) else 0)


if __name__ == "__main__":
    main()
