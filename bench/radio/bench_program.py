"""Measures the real program on an X desktop of its own, against the demo's loopback servers
(tools/demo/servers.py: icecast2 stations and the catalogue server on 127.0.0.1):

  - start to window mapped: from the program's start (just before it is executed) to the X server
    mapping the radio window, with the catalogue served over loopback and a station remembered in
    channel.dat (so the start-up fetches the catalogue, the flags and a station's address, and
    opens the player). Measured on a bare Xvfb, where the window is a child of the root and its
    MapNotify reaches a watcher of the root (xev); the best and the median of several starts;
  - the sound as a user hears it, on the rig's desktop with a PulseAudio server of its own
    (a null sink, its monitor recorded), against stations that have been on the air at least 15 s
    (icecast2 sends a new listener a burst of 64 KiB):
      - start to first audio: from the program's start to its first sound, with an MP3 station
        remembered (and an Ogg one, whose server answers later);
      - the longest silence in the first 6 s after the first sound, for MP3 and Ogg stations,
        directly and over a link that holds data back for 0.3 s at a time;
      - audio back after a 10 s outage of a live source: from the source's return (the server
        serving its mount again) to the first sound, directly and over the bursty link, and the
        longest silence in the 4 s after it;
  - CPU while playing with the window open and the meter running, then with the window hidden
    ("Hide", the program in the tray), from /proc/PID/stat over a stretch of seconds, with the
    threads that use the most, playing to the PulseAudio server.

    bench_program.py PROGRAM ARCHIVE RADIOCAT [seconds]     (default 15 s a CPU figure)
"""

import os
import re
from dataclasses import replace
import statistics
import subprocess
import sys
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "desktop"))
import rig  # noqa: E402
from servers import BurstyLink, wait_for  # noqa: E402

STARTS = 7
SETTLE = 6.0            # seconds for buffering and the fade-in before CPU is measured
START_TARGET = 0.12     # seconds
OPEN_TARGET = 1.7       # % of one core: no higher than the best peer measured
HIDDEN_TARGET = 1.5
ON_AIR = 15.0           # seconds a station is on the air before it is listened to
SOUND_STARTS = 5        # starts of each kind of station
LISTEN = 6.0            # seconds after the first sound looked at for silences
FIRST_AUDIO_TARGET = 0.45
SILENCE_TARGET = 0.05
OUTAGE = 10.0
OUTAGE_ROUNDS = 3
RETURN_TARGET = 1.5
AFTER_RETURN = 4.0
HOLD = 0.3              # seconds the bursty link holds data back
RETURN_STEP = 0.02      # how often the server is asked whether it serves the station again
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


def verdict(met):
    return "met" if met else "MISSED"


def listen_to_start(station, env=None):
    """Starts the program with `station` remembered; (seconds from the start to the first sound,
    the longest silence in the LISTEN seconds after it), or None when nothing is heard."""
    program = bench.start(bench.folder({"channel.dat": "package0\n" + station.name}), env)
    try:
        first = program.recording.sound_after(program.started)
        if first is None:
            return None
        after = program.recording.heard(program.started + first, LISTEN)
        return first, rig.longest_silence(after)
    finally:
        bench.stop_programs()


def report_starts(what, results):
    heard = [r for r in results if r]
    if not heard:
        print("%-40s nothing heard in %d starts" % (what, len(results)))
        return
    firsts = sorted(first for first, _ in heard)
    silences = [silence for _, silence in heard]
    print("%-40s first audio best %.2f s, median %.2f s; longest silence after it %.2f s "
          "(silences %s; %d of %d starts heard)"
          % (what, firsts[0], statistics.median(firsts), max(silences),
             " ".join("%.2f" % s for s in silences), len(heard), len(results)))
    return statistics.median(firsts), max(silences)


def sound_starts():
    """First audio and the silences after it, for MP3 and Ogg stations on the air a while, and
    for an MP3 station over the bursty link."""
    mp3 = bench.servers.station("Aurora Chord")
    ogg = bench.servers.station("Fjord Tone")
    for station in (mp3, ogg):
        bench.servers.icecast.wait_on_air(station, ON_AIR)
    link = BurstyLink(bench.processes, bench.servers.icecast.port, HOLD)
    bursty = bench.servers.catalogue_variant(
        "bursty", [replace(s, url=link.url(s.mount)) for s in bench.stations])
    results = {"mp3": [], "ogg": [], "bursty": []}
    for _ in range(SOUND_STARTS):
        results["mp3"].append(listen_to_start(mp3))
        results["ogg"].append(listen_to_start(ogg))
        results["bursty"].append(listen_to_start(mp3, bursty))
    figures = report_starts("MP3 station on the air %d s" % ON_AIR, results["mp3"])
    report_starts("Ogg station on the air %d s" % ON_AIR, results["ogg"])
    report_starts("MP3 station over a %.1f s bursty link" % HOLD, results["bursty"])
    if figures:
        print("    targets: first audio < %.2f s (MP3): %s; no silence over %.2f s: %s"
              % (FIRST_AUDIO_TARGET, verdict(figures[0] < FIRST_AUDIO_TARGET), SILENCE_TARGET,
                 verdict(all(r and r[1] <= SILENCE_TARGET
                             for kind in results.values() for r in kind))))
    return bool(figures)


def outages(station, env=None, what="direct"):
    """Takes a playing station off the air for OUTAGE seconds, OUTAGE_ROUNDS times: the time from
    its return to the first sound, and the longest silence in the AFTER_RETURN seconds after."""
    icecast = bench.servers.icecast
    program = bench.start(bench.folder({"channel.dat": "package0\n" + station.name}), env)
    times, silences = [], []
    try:
        if program.recording.sound_after(program.started) is None:
            print("outage (%s): nothing heard before the outage" % what)
            return False
        for _ in range(OUTAGE_ROUNDS):
            icecast.stop_feed(station)
            time.sleep(OUTAGE)
            # The source is back once the server serves its mount again.
            returned = icecast.start_feed(station, RETURN_STEP)
            back = program.recording.sound_after(returned)
            if back is None:
                print("outage (%s): no sound within %d s of the return" % (what, rig.TIMEOUT))
                return False
            times.append(back)
            silences.append(rig.longest_silence(program.recording.heard(returned + back,
                                                                        AFTER_RETURN)))
            time.sleep(2.0)
    finally:
        bench.stop_programs()
    print("%-40s %s s (target < %.1f s: %s); longest silence in the %d s after: %s s"
          % ("audio back after a %d s outage (%s)" % (OUTAGE, what),
             " ".join("%.2f" % t for t in times), RETURN_TARGET,
             verdict(max(times) < RETURN_TARGET), AFTER_RETURN,
             " ".join("%.2f" % s for s in silences)))
    return True


def outage_returns():
    station = bench.servers.station("Aurora Chord")
    link = BurstyLink(bench.processes, bench.servers.icecast.port, HOLD)
    bursty = bench.servers.catalogue_variant(
        "outage", [replace(s, url=link.url(s.mount)) for s in bench.stations])
    ok = outages(station)
    return outages(station, bursty, "over a %.1f s bursty link" % HOLD) and ok


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
    process = bench.start(remembered_station()).process
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
    bench.stop_programs()
    return True


def main():
    global bench
    if len(sys.argv) < 4:
        sys.exit("usage: %s PROGRAM ARCHIVE RADIOCAT [seconds]" % sys.argv[0])
    seconds = float(sys.argv[4]) if len(sys.argv) > 4 else 15.0
    bench = rig.Rig(tray=True, build=rig.Build(*(os.path.realpath(p) for p in sys.argv[1:4])),
                    pulse=True)
    try:
        ok = start_to_mapped()
        ok = sound_starts() and ok
        ok = outage_returns() and ok
        ok = playing_cpu(seconds) and ok
    finally:
        bench.stop()
    sys.exit(0 if ok else 1)


bench = None

if __name__ == "__main__":
    main()
