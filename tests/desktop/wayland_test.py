"""The program on a Wayland desktop: weston, headless, with and without XWayland. The screen is
read with weston-screenshooter; the program is driven over AT-SPI, as a screen reader user drives
it, since a headless weston takes no input from outside. On each: the window shows with no pixel
of the skin's key colour, the browser pane opens below the window, Hide and the media controls'
Raise work without a tray, and Exit ends the program with code 0, also after the pane was open. Without any display the program says why it cannot start.

usage: wayland_test.py PROGRAM ARCHIVE RADIOCAT [unittest arguments]
"""

import glob
import json
import os
import re
import shutil
import subprocess
import unittest

import rig
from session_bus import python_with_gi, start_accessibility_bus, start_session_bus

HERE = os.path.dirname(os.path.abspath(__file__))
SCREEN = (1024, 768)
# weston's panel at the top of the screen shows a clock: left out of the comparisons.
PANEL_HEIGHT = 40
KEY_COLOUR = (255, 0, 255)
OPEN_PANE_NAME = "Launch Browser"
CLOSE_PANE_NAME = "Hide Browser"
EXIT_NAME = "Exit Sonavia Plus"
HIDE_NAME = "Hide Sonavia Plus"
MEDIA_CONTROLS = "org.mpris.MediaPlayer2.SonaviaPlus"
PANE_TITLE = "Sonavia Browser"
# The pane lies below the window, 12 pixels in from each side of it.
PANE_INSET = 12


class Weston:
    """A headless weston of the test's own, with XWayland when asked for; screenshot() reads
    its screen."""

    def __init__(self, processes, folder, xwayland):
        self.folder = folder
        self.runtime = os.path.join(folder, "runtime")
        os.makedirs(self.runtime, 0o700)
        self.socket = "wayland-sonavia"
        self.log = os.path.join(folder, "weston.log")
        self.env = {k: v for k, v in os.environ.items()
                    if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
        self.env.update(XDG_RUNTIME_DIR=self.runtime, WAYLAND_DISPLAY=self.socket)
        argv = ["weston", "--backend=headless-backend.so", "--use-pixman", "--debug",
                "--socket=" + self.socket, "--width=%d" % SCREEN[0], "--height=%d" % SCREEN[1],
                "--idle-time=0"] + (["--xwayland"] if xwayland else [])
        processes.start(argv, self.log, env=self.env, cwd=folder)
        if not rig.wait_for(lambda: os.path.exists(os.path.join(self.runtime, self.socket)),
                            rig.TIMEOUT, 0.1):
            raise RuntimeError("weston did not start (see %s)" % self.log)
        if xwayland:
            display = rig.wait_for(lambda: re.search(r"xserver listening on display (:\d+)",
                                                     read(self.log)), rig.TIMEOUT, 0.1)
            if not display:
                raise RuntimeError("weston started no XWayland (see %s)" % self.log)
            self.env["DISPLAY"] = display.group(1)

    def screenshot(self):
        """The screen as rows of (r, g, b)."""
        for old in glob.glob(os.path.join(self.folder, "wayland-screenshot-*.png")):
            os.remove(old)
        subprocess.run(["weston-screenshooter"], env=self.env, cwd=self.folder, check=True,
                       timeout=20, capture_output=True)
        png = glob.glob(os.path.join(self.folder, "wayland-screenshot-*.png"))[0]
        rgb = subprocess.run(["convert", png, "-depth", "8", "rgb:-"], check=True,
                             capture_output=True, timeout=20).stdout
        return png, [[tuple(rgb[(y * SCREEN[0] + x) * 3:(y * SCREEN[0] + x) * 3 + 3])
                      for x in range(SCREEN[0])] for y in range(SCREEN[1])]


def read(path):
    with open(path) as f:
        return f.read()


def changed_box(before, after):
    """(left, top, right, bottom) of the pixels below the panel that differ; None when none."""
    rows = [y for y in range(PANEL_HEIGHT, SCREEN[1]) if before[y] != after[y]]
    if not rows:
        return None
    columns = [x for x in range(SCREEN[0])
               if any(before[y][x] != after[y][x] for y in rows[::2])]
    return columns[0], rows[0], columns[-1] + 1, rows[-1] + 1


def key_coloured(shot):
    return sum(1 for row in shot for p in row if all(abs(a - b) <= 8 for a, b in
                                                     zip(p, KEY_COLOUR)))


class WaylandTest:
    XWAYLAND = None

    @classmethod
    def setUpClass(cls):
        cls.rig = rig.Rig(tray=False)
        try:
            cls.weston = Weston(cls.rig.processes, os.path.join(cls.rig.home, "weston"),
                                cls.XWAYLAND)
            folder = os.path.join(cls.rig.home, "bus")
            cls.bus = start_session_bus(cls.rig.processes, folder)
            start_accessibility_bus(cls.rig.processes, folder, cls.bus)
            cls.python = python_with_gi()
        except BaseException:
            cls.rig.stop()
            raise
        # The program finds weston as a desktop session would, and no platform is set for it.
        for name in ("DISPLAY", "QT_QPA_PLATFORM"):
            cls.rig.env.pop(name, None)
        cls.rig.env.update(cls.weston.env, DBUS_SESSION_BUS_ADDRESS=cls.bus,
                           QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")

    @classmethod
    def tearDownClass(cls):
        cls.rig.stop()

    def tearDown(self):
        self.rig.stop_programs()

    def press(self, name):
        done = subprocess.run([self.python, os.path.join(HERE, "atspi_probe.py"), "--press", name],
                              env=dict(os.environ, DBUS_SESSION_BUS_ADDRESS=self.bus),
                              capture_output=True, text=True, timeout=120)
        return done.stdout.strip() == "pressed"

    def names(self):
        done = subprocess.run([self.python, os.path.join(HERE, "atspi_probe.py")],
                              env=dict(os.environ, DBUS_SESSION_BUS_ADDRESS=self.bus),
                              capture_output=True, text=True, timeout=120)
        return [n["name"] for n in json.loads(done.stdout or "[]") if "showing" in n["states"]]

    def keep(self, png, name):
        """Keeps a screenshot for a look (SONAVIA_KEEP_SCREENSHOTS names a folder)."""
        folder = os.environ.get("SONAVIA_KEEP_SCREENSHOTS")
        if folder:
            os.makedirs(folder, exist_ok=True)
            shutil.copy(png, os.path.join(folder, "%s-%s.png" % (self.KIND, name)))

    def stable_shot(self):
        """A screenshot once two in a row agree below the panel."""
        shots = [self.weston.screenshot()]
        rig.wait_for(lambda: shots.append(self.weston.screenshot()) or
                     shots[-1][1][PANEL_HEIGHT:] == shots[-2][1][PANEL_HEIGHT:], rig.TIMEOUT, 0.5)
        return shots[-1]

    def test_the_window_shows_clean_the_pane_lies_below_and_exit_is_clean(self):
        _, desktop = self.stable_shot()
        program = self.rig.start()
        self.assertTrue(rig.wait_for(lambda: EXIT_NAME in self.names(), rig.TIMEOUT, 0.5),
                        "the radio window shows")
        png, shot = self.stable_shot()
        self.keep(png, "window")
        window = changed_box(desktop, shot)
        self.assertIsNotNone(window)
        self.assertEqual(key_coloured(shot), 0, "no pixel of the key colour")

        self.assertTrue(self.press(OPEN_PANE_NAME), "the browser toggle is there")
        self.assertTrue(rig.wait_for(lambda: PANE_TITLE in self.names(), rig.TIMEOUT, 0.5),
                        "the pane opens")
        png, with_pane = self.stable_shot()
        self.keep(png, "pane")
        self.assertEqual(key_coloured(with_pane), 0, "no pixel of the key colour")
        # The window may have moved to make room: it is found again by its top rows.
        moved = changed_box(desktop, with_pane)
        self.assertIsNotNone(moved)
        left, top, right, bottom = moved
        self.assertEqual(right - left, window[2] - window[0], "as wide as the window")
        height = window[3] - window[1]
        self.assertGreater(bottom - top, height + 100, "the pane adds its height below")
        pane_row = top + height + 20
        if pane_row < SCREEN[1]:
            inside = [x for x in range(left, right) if with_pane[pane_row][x] !=
                      desktop[pane_row][x]]
            self.assertTrue(inside, "the pane shows below the window")
            # In from each side of the window (whose art may leave a few pixels of its own).
            self.assertTrue(left < inside[0] <= left + PANE_INSET + 3, (left, inside[0]))
            self.assertTrue(right - PANE_INSET - 3 <= inside[-1] + 1 < right, (right, inside[-1]))

        self.assertTrue(self.press(CLOSE_PANE_NAME), "the toggle closes the pane")
        self.assertTrue(rig.wait_for(lambda: PANE_TITLE not in self.names(), rig.TIMEOUT, 0.5))

        # Without a tray, Hide takes the window to the task bar; the media controls bring it back.
        self.assertTrue(self.press(HIDE_NAME), "Hide is there")
        self.assertTrue(rig.wait_for(lambda: self.weston.screenshot()[1][PANEL_HEIGHT:] ==
                                     desktop[PANEL_HEIGHT:], rig.TIMEOUT, 0.5), "the window goes")
        subprocess.run(["gdbus", "call", "--session", "--dest", MEDIA_CONTROLS, "--object-path",
                        "/org/mpris/MediaPlayer2", "--method", "org.mpris.MediaPlayer2.Raise"],
                       env=dict(os.environ, DBUS_SESSION_BUS_ADDRESS=self.bus), check=True,
                       capture_output=True, timeout=rig.TIMEOUT)
        self.assertTrue(rig.wait_for(lambda: changed_box(desktop, self.weston.screenshot()[1]),
                                     rig.TIMEOUT, 0.5), "Raise shows the window again")
        self.assertTrue(self.press(EXIT_NAME), "Exit is there")
        self.assertEqual(program.wait(), 0, "Exit ends the program cleanly")


class NativeWaylandTest(WaylandTest, unittest.TestCase):
    KIND = "wayland"
    XWAYLAND = False


class XWaylandTest(WaylandTest, unittest.TestCase):
    KIND = "xwayland"
    XWAYLAND = True


class NoDisplayTest(unittest.TestCase):
    def test_without_a_display_the_program_says_why_and_ends(self):
        env = {k: v for k, v in os.environ.items()
               if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
        done = subprocess.run([rig.BUILD.program], env=env, capture_output=True, text=True,
                              timeout=rig.TIMEOUT, cwd=os.path.dirname(rig.BUILD.program))
        self.assertEqual(done.returncode, 1)
        self.assertIn("no X11 or Wayland display", done.stderr)


if __name__ == "__main__":
    rig.main()
