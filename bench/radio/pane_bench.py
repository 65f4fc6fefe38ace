"""Browser pane benchmark: the memory of the whole program (the program and every helper process
of its session: resident and proportional set size of each, and their sums) while it plays a
station to a PulseAudio server of the rig's own, with the pane never opened, open on a page, and
closed for 30 s, and the time from a link click to the page shown in the pane.

usage: pane_bench.py PROGRAM ARCHIVE RADIOCAT [rounds]
Prints figures; asserts nothing. A time runs from just before the click is sent (xdotool) to
the first look at the new page, looked at every polling step; both are printed beside it.
"""

import os
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "tests", "desktop"))
import rig  # noqa: E402

WEBSITE, HELP, WATCH_TV, UPGRADE = (689, 143), (689, 119), (689, 168), (500, 158)
TOGGLE, HIDE = (52, 262), (673, 38)
PAGE_COLOUR = bytes((240, 240, 240))   # the site's pages, style.css
TOOLTIP_SHOWN = 0.7
PANE_NAME = "Sonavia Browser"
SETTLE = 4.0   # seconds for memory to settle after a change
CLOSED = 30.0  # seconds the pane stays closed before its memory is looked at
RSS_TARGET, PSS_TARGET, CLOSED_TARGET = 70, 40, 80   # MB


def session_pids(pid):
    pids = []
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open("/proc/%s/stat" % entry) as f:
                    stat = f.read()
            except OSError:
                continue
            if int(stat[stat.rindex(")") + 2:].split()[3]) == pid:
                pids.append(int(entry))
    return pids


def session_memory(pid):
    """(name, RSS in MB, PSS in MB) of every process of the program's session."""
    found = []
    for member in sorted(session_pids(pid)):
        try:
            with open("/proc/%d/comm" % member) as f:
                name = f.read().strip()
            sizes = {}
            with open("/proc/%d/smaps_rollup" % member) as f:
                for line in f:
                    field = line.split()
                    if field[0] in ("Rss:", "Pss:"):
                        sizes[field[0]] = int(field[1]) / 1024
        except OSError:
            continue
        found.append((name, sizes.get("Rss:", 0.0), sizes.get("Pss:", 0.0)))
    return found


def report_memory(what, pid, targets=None):
    """Prints the memory of every process and the sums; returns the sums (RSS, PSS)."""
    found = session_memory(pid)
    rss, pss = sum(r for _, r, _ in found), sum(p for _, _, p in found)
    line = "memory, %-28s RSS %6.1f MB, PSS %6.1f MB in %d processes" % (what, rss, pss,
                                                                        len(found))
    if targets:
        line += "  (targets: %s)" % targets(rss, pss)
    print(line)
    for name, r, p in found:
        print("    %-18s RSS %6.1f MB  PSS %6.1f MB" % (name, r, p))
    return rss, pss


def pane_picture(desk, pane_geometry):
    x, y, width, height = pane_geometry
    return subprocess.run(["import", "-window", "root", "-crop",
                           "%dx%d+%d+%d" % (width - 12, height - 12, x + 6, y + 6), "rgb:-"],
                          env=desk.env, capture_output=True, check=True, timeout=20).stdout


def page_shown(picture):
    """Most of the pane shows the site's page colour."""
    pixels = len(picture) // 3
    page = sum(1 for i in range(0, pixels * 3, 3 * 7) if picture[i:i + 3] == PAGE_COLOUR)
    return page * 7 > pixels // 2


def wait_page(desk, start, pane_geometry, before):
    """Seconds from `start` to the first look at a page that differs from `before` and stays the
    same over the next look, and that page's picture."""
    last, changed_at = None, None
    while time.monotonic() - start < rig.TIMEOUT:
        looked_at = time.monotonic()
        picture = pane_picture(desk, pane_geometry)
        if picture != before and picture == last and page_shown(picture):
            return changed_at - start, picture
        if picture != last:
            changed_at = looked_at
        last = picture
    raise RuntimeError("the page never showed")


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    rig.BUILD = rig.Build(*(os.path.realpath(p) for p in sys.argv[1:4]))
    rounds = int(sys.argv[4]) if len(sys.argv) > 4 else 3
    bench = rig.Rig(tray=True, pulse=True)
    try:
        station = bench.stations[0]
        program = bench.start(bench.folder({"channel.dat": "package0\n" + station.name}))
        window = program.wait_window()
        time.sleep(SETTLE)
        report_memory("pane never opened:", program.pid, lambda rss, pss: "RSS < %d MB: %s, "
                      "PSS < %d MB: %s" % (RSS_TARGET, "met" if rss < RSS_TARGET else "MISSED",
                                           PSS_TARGET, "met" if pss < PSS_TARGET else "MISSED"))

        desk = program.rig.desktop
        start = time.monotonic()
        program.click(window, *WEBSITE)
        pane = program.wait_window(PANE_NAME)
        appeared = time.monotonic() - start
        geometry = program.geometry(pane)
        first, picture = wait_page(desk, start, geometry, None)
        step = time.monotonic()
        pane_picture(desk, geometry)
        step = time.monotonic() - step
        print("first opening: pane window after %.2f s" % appeared)

        times, clicks = [], []
        for _ in range(rounds):
            for point in (WATCH_TV, UPGRADE, WEBSITE, HELP):
                # Over the button before the clock starts, so that only the click is timed.
                desk.xdotool("mousemove", "--window", window, *point)
                time.sleep(TOOLTIP_SHOWN)
                start = time.monotonic()
                desk.xdotool("click", 1)
                clicks.append(time.monotonic() - start)
                elapsed, picture = wait_page(desk, start, geometry, picture)
                times.append(elapsed)
        print("link click to page shown: first %.2f s (the engine starting), then median %.2f s, "
              "max %.2f s over %d clicks;\n"
              "  each time includes the click's own delivery (median %.2f s) and up to one "
              "polling step (%.2f s)"
              % (first, statistics.median(times), max(times), len(times),
                 statistics.median(clicks), step))

        time.sleep(SETTLE)
        report_memory("pane open on a page:", program.pid)
        program.click(window, *TOGGLE)
        time.sleep(CLOSED)
        report_memory("pane closed for %d s:" % CLOSED, program.pid,
                      lambda rss, pss: "PSS < %d MB: %s" % (
                          CLOSED_TARGET, "met" if pss < CLOSED_TARGET else "MISSED"))
        # Opened again, the pane shows a page.
        start = time.monotonic()
        program.click(window, *TOGGLE)
        again, _ = wait_page(desk, start, geometry, None)
        print("pane opened again: page shown after %.2f s" % again)
    finally:
        bench.stop()


if __name__ == "__main__":
    main()
