"""Measures the real program on an X desktop of its own, against the demo's loopback servers
(tools/demo/servers.py: icecast2 stations and the catalogue server on 127.0.0.1):

  - start to window mapped: from the program's start (just before it is executed) to the X server
    mapping the radio window, with the catalogue served over loopback and a station remembered in
    channel.dat (so the start-up fetches the catalogue, the flags and a station's address, and
    opens the player). Measured on a bare Xvfb, where the window is a child of the root and its
    MapNotify reaches a watcher of the root (xev); the best and the median of several starts;
  - CPU while playing with the window open and the meter running, then with the window hidden
    ("Hide", the program in the tray), from /proc/PID/stat over a stretch of seconds, with the
    threads that use the most. The audio goes to a fakesink that keeps real time.

    bench_program.py PROGRAM ARCHIVE RADIOCAT [seconds]     (default 15 s a CPU figure)
"""

import os
import re
import statistics
import subprocess
import sys
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "desktop"))
import rig  # noqa: E402
from servers import wait_for  # noqa: E402

STARTS = 7
SETTLE = 6.0            # seconds for buffering and the fade-in before CPU is measured
START_TARGET = 0.12     # seconds
OPEN_TARGET = 2.0       # % of one core
HIDDEN_TARGET = 1.5
TICKS = os.sysconf("SC_CLK_TCK")
SINK = "fakesink sync=true"
HIDE_BUTTON = (656 + 17, 21 + 17)   # the middle of "Hide"


def cpu_seconds(pid):
    """User and system CPU time of the process and of each of its threads (name: seconds)."""
    def read(path):
        with open(path) as f:
            text = f.read()
        name = text[text.index("(") + 1:text.rindex(")")]
        fields = text[text.rindex(")") + 2:].split()
        return name, (int(fields[11]) + int(fields[12])) / TICKS

    _, total = read("/proc/%d/stat" % pid)
    threads = {}
    for tid in os.listdir("/proc/%d/task" % pid):
        try:
            name, seconds = read("/proc/%d/task/%s/stat" % (pid, tid))
        except OSError:
            continue
        threads["%s/%s" % (name, tid)] = seconds
    return total, threads


def measure_cpu(pid, seconds):
    total_before, threads_before = cpu_seconds(pid)
    time.sleep(seconds)
    total_after, threads_after = cpu_seconds(pid)
    used = {name: after - threads_before.get(name, 0.0) for name, after in threads_after.items()}
    top = sorted(((s, re.sub(r"/\d+$", "", n)) for n, s in used.items() if s > 0), reverse=True)
    return 100.0 * (total_after - total_before) / seconds, top[:5]


def report_cpu(what, percent, top, target, seconds):
    verdict = "met" if percent < target else "MISSED"
    threads = ", ".join("%s %.2f %%" % (name, 100.0 * s / seconds) for s, name in top)
    print("%-40s %5.2f %% of a core  (target < %.1f %%: %s)" % (what, percent, target, verdict))
    print("    busiest threads: %s" % (threads or "none measurable"))


class MapWatch:
    """xev on the root window: the moment each top-level window is mapped."""

    def __init__(self, env):
        # Line-buffered, so that each event is read as it happens.
        self.process = subprocess.Popen(["stdbuf", "-oL", "xev", "-root", "-event", "substructure"],
                                        env=env,
                                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                        stdin=subprocess.DEVNULL, text=True, bufsize=1)
        self.mapped = []
        self.lock = threading.Lock()
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()

    def _read(self):
        seen_at = None
        for line in self.process.stdout:
            if line.startswith("MapNotify event"):
                seen_at = time.monotonic()
            elif seen_at is not None and "window 0x" in line:
                window = int(re.findall(r"window (0x[0-9a-f]+)", line)[-1], 16)
                with self.lock:
                    self.mapped.append((seen_at, window))
                seen_at = None

    def when(self, window, since):
        """The first mapping of `window` at or after `since` (window numbers are used again by
        later programs)."""
        with self.lock:
            return next((t for t, w in self.mapped if w == window and t >= since), None)

    def stop(self):
        self.process.terminate()
        self.process.wait()


def bare_display(processes, folder):
    """Xvfb without a window manager; returns the environment that points at it."""
    read_end, write_end = os.pipe()
    processes.start(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "%dx%dx24" % rig.SCREEN,
                     "-nolisten", "tcp"], os.path.join(folder, "bare-xvfb.log"),
                    pass_fds=(write_end,))
    os.close(write_end)
    with os.fdopen(read_end) as pipe:
        number = pipe.readline().strip()
    return dict(bench.env, DISPLAY=":" + number)


def start_program(folder, env, log):
    return bench.processes.start([bench.build.program], os.path.join(folder, log), cwd=folder,
                                 env=dict(env, SONAVIA_AUDIO_SINK=SINK))


def radio_window(process, env, visible=True):
    args = ["xdotool", "search", "--all"] + (["--onlyvisible"] if visible else []) + \
        ["--pid", str(process.pid), "--name", "^%s$" % rig.WINDOW_NAME]
    found = rig.run(args, env).split()
    return int(found[0]) if found else None


def remembered_station():
    station = bench.stations[0]
    return bench.folder({"channel.dat": "package0\n" + station.name})


def start_to_mapped():
    env = bare_display(bench.processes, bench.home)
    watch = MapWatch(env)
    times = []
    try:
        time.sleep(0.5)   # xev is watching
        for _ in range(STARTS):
            folder = remembered_station()
            started = time.monotonic()
            process = start_program(folder, env, "start.log")
            window = wait_for(lambda: radio_window(process, env), rig.TIMEOUT, 0.05)
            mapped = window and wait_for(lambda: watch.when(window, started), 5)
            if mapped:
                times.append(mapped - started)
            bench.processes.stop(process)
    finally:
        watch.stop()
    if not times:
        print("start to window mapped: the window never appeared")
        return False
    median = statistics.median(times)
    print("%-40s best %.3f s, median %.3f s of %d  (target < %.2f s: %s)"
          % ("start to window mapped (loopback)", min(times), median, len(times), START_TARGET,
             "met" if median < START_TARGET else "MISSED"))
    return True


def playing_cpu(seconds):
    folder = remembered_station()
    process = start_program(folder, bench.env, "play.log")
    window = wait_for(lambda: radio_window(process, bench.env), rig.TIMEOUT, 0.1)
    if not window:
        print("CPU: the window never appeared")
        return False
    # The cursor away from the window: nothing is hovered.
    bench.desktop.xdotool("mousemove", "--sync", rig.SCREEN[0] - 1, rig.SCREEN[1] - 1)
    time.sleep(SETTLE)
    percent, top = measure_cpu(process.pid, seconds)
    report_cpu("CPU playing, window open, meter running", percent, top, OPEN_TARGET, seconds)

    bench.desktop.xdotool("mousemove", "--sync", "--window", window, *HIDE_BUTTON, "click", 1)
    if not wait_for(lambda: radio_window(process, bench.env) is None, rig.TIMEOUT, 0.1):
        print("CPU hidden: the window did not close")
        return False
    time.sleep(1.0)
    percent, top = measure_cpu(process.pid, seconds)
    report_cpu("CPU playing, window hidden (tray)", percent, top, HIDDEN_TARGET, seconds)
    bench.processes.stop(process)
    return True


def main():
    global bench
    if len(sys.argv) < 4:
        sys.exit("usage: %s PROGRAM ARCHIVE RADIOCAT [seconds]" % sys.argv[0])
    seconds = float(sys.argv[4]) if len(sys.argv) > 4 else 15.0
    bench = rig.Rig(tray=True, build=rig.Build(*(os.path.realpath(p) for p in sys.argv[1:4])))
    try:
        ok = start_to_mapped()
        ok = playing_cpu(seconds) and ok
    finally:
        bench.stop()
    sys.exit(0 if ok else 1)


bench = None

if __name__ == "__main__":
    main()
