#!/usr/bin/python3
"""Times the window from the start of the program to its first frame on screen, on
a virtual X display of its own (Xvfb; the offscreen platform draws nowhere).

    bench/window_first_frame.py [path/to/pelvaro ...] [runs]

For each run it starts the program and watches the display: the window's creation
and mapping arrive as events on the root window, and an X Damage watch set on the
window as soon as it exists reports the first drawing into it, the first frame.
Given several builds, it runs them in turns so that a busy machine slows them
alike. Prints the median time to the mapped window and to the first frame.
Needs the packages xvfb and python3-xlib.
"""
import os
import select
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

from Xlib import X, display as xdisplay
from Xlib.ext import damage


def free_display_number():
    for number in range(94, 200):
        if not os.path.exists("/tmp/.X%d-lock" % number) and \
                not os.path.exists("/tmp/.X11-unix/X%d" % number):
            return number
    sys.exit("no free X display number between :94 and :199")


def start_xvfb(number):
    server = subprocess.Popen(["Xvfb", ":%d" % number, "-screen", "0", "1024x768x24",
                               "-nolisten", "tcp"], stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline:
        try:
            return server, xdisplay.Display(":%d" % number)
        except Exception:
            if server.poll() is not None:
                sys.exit("Xvfb :%d did not start" % number)
            time.sleep(0.05)
    server.terminate()
    sys.exit("Xvfb :%d did not answer" % number)


def time_one_start(connection, command, environment, timeout=10.0):
    """Seconds from the start of the command to its window being mapped and to the
    first drawing into it; None for what was not seen within the timeout."""
    watched = set()
    mapped = set()
    map_time = frame_time = None
    start = time.perf_counter()
    program = subprocess.Popen(command, env=environment, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    try:
        while frame_time is None and time.perf_counter() - start < timeout:
            if not connection.pending_events():
                select.select([connection.fileno()], [], [], 0.05)
            while connection.pending_events():
                event = connection.next_event()
                now = time.perf_counter() - start
                if event.type == X.CreateNotify:
                    # Watch every new top-level window before it can be mapped and drawn.
                    event.window.damage_create(damage.DamageReportNonEmpty)
                    watched.add(event.window.id)
                    connection.flush()
                elif event.type == X.MapNotify and event.window.id in watched:
                    mapped.add(event.window.id)
                    if map_time is None:
                        map_time = now
                elif event.type == connection.extension_event.DamageNotify and \
                        event.drawable.id in mapped and frame_time is None:
                    frame_time = now
    finally:
        program.terminate()
        program.wait()
        connection.sync()
        while connection.pending_events():
            connection.next_event()
    return map_time, frame_time


def main():
    arguments = sys.argv[1:]
    runs = int(arguments.pop()) if arguments and arguments[-1].isdigit() else 15
    here = os.path.dirname(os.path.abspath(__file__))
    programs = arguments or [os.path.join(here, "..", "build", "gui", "qt", "pelvaro")]
    if shutil.which("Xvfb") is None:
        sys.exit("needs Xvfb (package xvfb)")

    number = free_display_number()
    server, connection = start_xvfb(number)
    runtime = tempfile.mkdtemp(prefix="pelvaro-bench-")
    try:
        if not connection.has_extension("DAMAGE"):
            sys.exit("the X server has no DAMAGE extension")
        connection.damage_query_version()
        connection.screen().root.change_attributes(event_mask=X.SubstructureNotifyMask)
        connection.flush()
        environment = dict(os.environ, DISPLAY=":%d" % number, QT_QPA_PLATFORM="xcb",
                           XDG_RUNTIME_DIR=runtime)
        for program in programs:
            time_one_start(connection, [program], environment)  # warm the caches
        results = {program: ([], []) for program in programs}
        for _ in range(runs):
            for program in programs:
                map_time, frame_time = time_one_start(connection, [program], environment)
                if map_time is None or frame_time is None:
                    sys.exit("%s: no window drawn within the timeout" % program)
                results[program][0].append(map_time)
                results[program][1].append(frame_time)
    finally:
        connection.close()
        server.terminate()
        server.wait()
        shutil.rmtree(runtime, ignore_errors=True)

    print("window start under Xvfb :%d, median of %d runs" % (number, runs))
    for program in programs:
        maps, frames = results[program]
        print("  %s" % program)
        print("    mapped        %7.1f ms" % (statistics.median(maps) * 1000))
        print("    first frame   %7.1f ms  (target at most 150 ms; slowest %.1f ms)"
              % (statistics.median(frames) * 1000, max(frames) * 1000))


if __name__ == "__main__":
    main()
