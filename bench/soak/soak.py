"""A long run of the real program as a listener lives with it, against the demo's loopback
servers (icecast2 stations, the catalogue server) on the rig's desktop:

  - it plays all along; every minute the station changes, in turn from the station list, from
    "Random Channel" in the window and from the tray's "Random Channel" (the window hidden);
  - every 3 minutes icecast2 itself stops for 10 to 20 s, then comes back;
  - every 10 s the memory (RSS, PSS, anonymous), threads, descriptors and CPU of all the
    program's processes are read from /proc, and what it plays is recorded.

It prints the samples as it goes, then: the slopes of RSS and anonymous memory in MB per hour
(a least-squares line over the samples after the first quarter of the run), the threads and
descriptors at the start and the end, the silences outside the outages and the station changes,
and for each return of the server how long the sound took to come back.

    soak.py PROGRAM ARCHIVE RADIOCAT [minutes]     (default 30)
"""

import os
import random
import statistics
import subprocess
import sys
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "desktop"))
import rig  # noqa: E402
from servers import wait_for  # noqa: E402

DEFAULT_MINUTES = 30
CHANGE_EVERY = 60.0
OUTAGE_EVERY = 180.0
OUTAGE_SECONDS = (10, 20)
SAMPLE_EVERY = 10.0
# After a change or an outage the sound may rest this long without counting as a silence (one
# that goes on past it counts whole); the return of the sound after an outage is measured from
# icecast2's answering again, its sources then taking a moment to reconnect.
SETTLE = 6.0
BLOCK = 0.1             # seconds of a recording looked at as one
SILENT_BLOCKS = 3       # a silence is at least this many blocks
MB = 1024 * 1024
HOUR = 3600.0
TICKS = os.sysconf("SC_CLK_TCK")
# Window pixels: the first entry of the station list, "Random Channel", "Hide".
FIRST_STATION = (234, 72)
RANDOM_CHANNEL = (592, 54)
HIDE = (673, 38)


def process_tree(pid):
    """The program's process and its descendants (the web engine's helpers, say)."""
    found, pending = [], [pid]
    while pending:
        current = pending.pop()
        found.append(current)
        children = subprocess.run(["pgrep", "-P", str(current)], capture_output=True, text=True)
        pending.extend(int(p) for p in children.stdout.split())
    return found


def read_process(pid):
    """RSS, PSS and anonymous memory in bytes, threads, descriptors and CPU ticks; None once
    the process is gone."""
    try:
        with open("/proc/%d/smaps_rollup" % pid) as f:
            fields = dict(line.split(":", 1) for line in f if ":" in line)
        kb = {k.strip(): int(v.split()[0]) * 1024 for k, v in fields.items()
              if v.strip().endswith("kB")}
        with open("/proc/%d/stat" % pid) as f:
            stat = f.read().rsplit(")", 1)[1].split()
        return {"rss": kb.get("Rss", 0), "pss": kb.get("Pss", 0),
                "anon": kb.get("Anonymous", 0), "threads": int(stat[17]),
                "fds": len(os.listdir("/proc/%d/fd" % pid)),
                "cpu": int(stat[11]) + int(stat[12])}
    except (OSError, ValueError, IndexError):
        return None


def read_program(pid):
    total = {"rss": 0, "pss": 0, "anon": 0, "threads": 0, "fds": 0, "cpu": 0}
    for process in process_tree(pid):
        figures = read_process(process)
        for key, value in (figures or {}).items():
            total[key] += value
    return total


def slope_per_hour(points):
    """The least-squares slope of (seconds, value) points, per hour."""
    if len(points) < 3:
        return float("nan")
    xs, ys = [p[0] for p in points], [p[1] for p in points]
    mx, my = statistics.fmean(xs), statistics.fmean(ys)
    spread = sum((x - mx) ** 2 for x in xs)
    return sum((x - mx) * (y - my) for x, y in zip(xs, ys)) / spread * HOUR if spread else 0.0


class Growth:
    """When the recording grew: (monotonic time, bytes) pairs, read every 50 ms, so that a place
    in the recording is known as a moment."""

    def __init__(self, recording):
        self.recording, self.points, self.running = recording, [], True
        self.thread = threading.Thread(target=self._watch, daemon=True)
        self.thread.start()

    def _watch(self):
        while self.running:
            size = (os.path.getsize(self.recording.path)
                    if os.path.exists(self.recording.path) else 0)
            if not self.points or self.points[-1][1] != size:
                self.points.append((time.monotonic(), size))
            time.sleep(0.05)

    def moment(self, offset):
        """The moment at which byte `offset` of the recording was written."""
        for when, size in self.points:
            if size >= offset:
                return when
        return self.points[-1][0] if self.points else 0.0

    def stop(self):
        self.running = False
        self.thread.join()


class Soak:
    def __init__(self, desk, minutes):
        self.desk, self.minutes = desk, minutes
        self.icecast = desk.servers.icecast
        self.quiet = []         # (from, to) moments when silence is expected
        self.returns = []       # (moment icecast2 was back, moment the sound was back)

    def restart_icecast(self, pause):
        """Stops icecast2 (its feeds end with it), waits, starts it and its feeds again."""
        icecast = self.icecast
        for station in [s for s in self.desk.stations if s.sound]:
            feed = icecast.feeds.pop(station.mount, None)
            if feed:
                self.desk.processes.stop(feed)
        self.desk.processes.stop(icecast.server)
        time.sleep(pause)
        icecast.server = self.desk.processes.start(
            ["icecast2", "-c", os.path.join(icecast.folder, "icecast.xml")],
            os.path.join(icecast.folder, "icecast.out"))
        if not wait_for(lambda: icecast.serves("/") is not None, 30):
            raise RuntimeError("icecast2 did not come back")
        back = time.monotonic()
        for station in [s for s in self.desk.stations if s.sound]:
            icecast.start_feed(station)
        return back

    def change_station(self, program, window, turn):
        desktop = self.desk.desktop
        kind = ("list", "window", "tray")[turn % 3]
        if kind == "list":
            program.click(window, *FIRST_STATION)
        elif kind == "window":
            program.click(window, *RANDOM_CHANNEL)
        else:
            program.click(window, *HIDE)
            wait_for(lambda: not program.windows(), rig.TIMEOUT)
            self.tray_menu(program, 1)
            self.tray_menu(program, 0)
            window = program.wait_window()
        desktop.move(5, rig.SCREEN[1] - 5)
        return kind, window

    def tray_menu(self, program, entry):
        desktop = self.desk.desktop
        _, x, y, width, height = desktop.tray_icons()[0]
        desktop.click(x + width // 2, y + height // 2, 3)
        menus = wait_for(lambda: [w for w in desktop.xdotool(
            "search", "--all", "--onlyvisible", "--pid", program.pid, "").split()
            if program.geometry(w)[3] >= 40], rig.TIMEOUT)
        if not menus:
            raise RuntimeError("the tray menu did not open")
        time.sleep(0.3)
        mx, my, mwidth, mheight = program.geometry(menus[0])
        desktop.click(mx + mwidth // 2, my + mheight * (2 * entry + 1) // 8)
        wait_for(lambda: not [w for w in desktop.xdotool(
            "search", "--all", "--onlyvisible", "--pid", program.pid, "").split()
            if program.geometry(w)[3] >= 40], rig.TIMEOUT)

    def run(self):
        station = self.desk.servers.station("Fjord Tone")
        program = self.desk.start(self.desk.folder({"channel.dat": "package0\n%s\n" %
                                                    station.name}))
        window = program.wait_window()
        growth = Growth(program.recording)
        start = time.monotonic()
        # The first station buffers and fades in.
        self.quiet.append((start, start + 2 * SETTLE))
        end = start + self.minutes * 60
        next_change, next_outage, next_sample = start + CHANGE_EVERY, start + OUTAGE_EVERY, start
        samples, changes, first = [], 0, None
        print("%7s %8s %8s %8s %7s %5s %7s  event" % ("seconds", "RSS MB", "PSS MB", "anon MB",
                                                      "threads", "fds", "CPU %"))
        while time.monotonic() < end and program.running():
            now = time.monotonic()
            event = ""
            if now >= next_outage:
                pause = random.uniform(*OUTAGE_SECONDS)
                back = self.restart_icecast(pause)
                self.quiet.append((now, back + SETTLE))
                self.returns.append((back, None))
                event = "icecast2 away %.0f s" % pause
                next_outage += OUTAGE_EVERY
            elif now >= next_change:
                kind, window = self.change_station(program, window, changes)
                self.quiet.append((now, time.monotonic() + SETTLE))
                changes += 1
                event = "station changed (%s)" % kind
                next_change += CHANGE_EVERY
            if now >= next_sample or event:
                figures = read_program(program.pid)
                figures["at"] = time.monotonic() - start
                if first is None:
                    first = figures
                cpu = (100.0 * (figures["cpu"] - samples[-1]["cpu"]) / TICKS /
                       max(figures["at"] - samples[-1]["at"], 1e-3)) if samples else 0.0
                samples.append(figures)
                print("%7.0f %8.1f %8.1f %8.1f %7d %5d %7.1f  %s" % (
                    figures["at"], figures["rss"] / MB, figures["pss"] / MB,
                    figures["anon"] / MB, figures["threads"], figures["fds"], cpu, event),
                    flush=True)
                next_sample = now + SAMPLE_EVERY
            time.sleep(0.2)
        growth.stop()
        self.report(program, samples, changes, growth, start)

    def expected_quiet(self, first, last):
        """Whether a silence from `first` to `last` lies whole within a change's or an outage's
        time to settle: one that lasts beyond it counts, however it began."""
        return any(begin <= first and last <= until for begin, until in self.quiet)

    def report(self, program, samples, changes, growth, start):
        later = [s for s in samples if s["at"] >= self.minutes * 60 / 4]
        print("\nsoak of %.0f min: %d station changes, %d outages of icecast2" % (
            (samples[-1]["at"] if samples else 0) / 60, changes, len(self.returns)))
        print("RSS slope %.1f MB/h, anonymous memory slope %.1f MB/h (after the first quarter)"
              % (slope_per_hour([(s["at"], s["rss"] / MB) for s in later]),
                 slope_per_hour([(s["at"], s["anon"] / MB) for s in later])))
        if samples:
            print("threads %d -> %d, descriptors %d -> %d" % (
                samples[0]["threads"], samples[-1]["threads"], samples[0]["fds"],
                samples[-1]["fds"]))

        # Silences: quiet stretches of the recording, and stretches in which nothing was
        # written although the program was meant to play.
        data = program.recording.samples()
        step = int(rig.RATE * BLOCK)
        silences, run = [], 0
        for i in range(0, len(data) - step + 1, step):
            if rig.silent(data[i:i + step]):
                run += 1
                continue
            if run >= SILENT_BLOCKS:
                begin = growth.moment((i - run * step) * 2)
                if not self.expected_quiet(begin, growth.moment(i * 2)):
                    silences.append((begin - start, run * BLOCK))
            run = 0
        for (t0, _), (t1, _) in zip(growth.points, growth.points[1:]):
            if t1 - t0 >= SILENT_BLOCKS * BLOCK and not self.expected_quiet(t0, t1):
                silences.append((t0 - start, t1 - t0))
        print("silences outside outages and changes: %d%s" % (
            len(silences), "".join("\n  at %.0f s: %.2f s" % s for s in sorted(silences))))

        # The sound's return after each outage: the first sound written after icecast2 was back.
        for back, _ in self.returns:
            offset = next((size for when, size in growth.points if when >= back), None)
            heard = None
            if offset is not None:
                for i in range(offset // 2, len(data) - step + 1, step):
                    if not rig.silent(data[i:i + step]):
                        heard = growth.moment(i * 2)
                        break
            print("icecast2 back at %.0f s: sound back after %s" % (
                back - start, "%.1f s" % (heard - back) if heard else "never"))


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    rig.BUILD = rig.Build(*(os.path.realpath(p) for p in sys.argv[1:4]))
    minutes = float(sys.argv[4]) if len(sys.argv) > 4 else DEFAULT_MINUTES
    desk = rig.Rig(tray=True)
    try:
        Soak(desk, minutes).run()
    finally:
        desk.stop()


if __name__ == "__main__":
    main()
