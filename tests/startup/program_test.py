"""Whole-program tests: real processes of the player on the rig's desktop (Xvfb).

usage: program_test.py PROGRAM ARCHIVE VERSION
"""

import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "desktop"))
import rig  # noqa: E402
from servers import Processes, wait_for  # noqa: E402

PROGRAM = None
ARCHIVE = None
VERSION = None      # major.minor, as the build embeds it

# Where the message dialog's "OK" button sits in the dialog's client area.
OK_BUTTON_CENTRE = (170, 87)
RADIO_WINDOW_SIZE = (760, 290)
START_TIMEOUT = 30
# How long a dialog is given to react to a key that must do nothing: the wait ends at once
# when the key does close it.
KEY_REACTION_TIMEOUT = 1.0
# The "Hide" button's centre: without a tray it saves the settings and minimises the window.
HIDE_BUTTON_CENTRE = (673, 38)
SETTINGS_FILES = ("setting.dat", "channel.dat", "iface.dat", "tv.dat")
HUGE_FILE_BYTES = 100 * 1024 * 1024
# The program alone peaks near 50 MB: one that reads a huge file whole holds more than the file.
PEAK_MEMORY_LIMIT_KB = HUGE_FILE_BYTES // 1024


class ProgramTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.processes = Processes()
        cls.logs = tempfile.mkdtemp(prefix="sonavia-program-desktop-")
        cls.desktop = rig.Desktop(cls.processes, cls.logs, tray=False)

    @classmethod
    def tearDownClass(cls):
        cls.processes.close()
        shutil.rmtree(cls.logs, ignore_errors=True)

    def setUp(self):
        self.started = []
        self.home = tempfile.mkdtemp(prefix="sonavia-program-")
        self.runtime = os.path.join(self.home, "runtime")
        os.mkdir(self.runtime, 0o700)
        self.env = dict(self.desktop.env, QT_QPA_PLATFORM="xcb",
                        XDG_RUNTIME_DIR=self.runtime, SONAVIA_AUDIO_SINK="fakesink",
                        SONAVIA_CATALOGUE_BASE="http://127.0.0.1:9/",
                        SONAVIA_SITE_BASE="http://127.0.0.1:9/")

    def tearDown(self):
        for process in self.started:
            if process.poll() is None:
                process.kill()
                process.wait()
        shutil.rmtree(self.home, ignore_errors=True)

    def make_folder(self, name):
        folder = os.path.join(self.home, name)
        os.makedirs(os.path.join(folder, "Interface"))
        shutil.copy(ARCHIVE, os.path.join(folder, "Interface", "radio.int"))
        return folder

    def start(self, folder, prefix=()):
        process = subprocess.Popen(list(prefix) + [PROGRAM], cwd=folder, env=self.env,
                                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        self.started.append(process)
        return process

    def wait_started(self, process, folder):
        # The base window writes the default settings file once it has started.
        started = wait_for(lambda: os.path.exists(os.path.join(folder, "setting.dat")), START_TIMEOUT)
        self.assertTrue(started, "the program did not start")
        self.assertIsNone(process.poll())

    def visible_windows(self, process):
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(process.pid), "--name", "."],
                               env=self.env, capture_output=True, text=True)
        # xdotool's search joins its conditions loosely: keep the windows of this process only.
        return [window for window in found.stdout.split()
                if subprocess.run(["xprop", "-id", window, "_NET_WM_PID"], env=self.env,
                                  capture_output=True, text=True).stdout.split()[-1:] == [str(process.pid)]]

    def size(self, window):
        shell = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window], env=self.env,
                               capture_output=True, text=True).stdout
        values = dict(line.split("=", 1) for line in shell.split())
        return int(values.get("WIDTH", 0)), int(values.get("HEIGHT", 0))

    def click_ok(self, window):
        x, y = OK_BUTTON_CENTRE
        subprocess.run(["xdotool", "mousemove", "--window", window, str(x), str(y), "click", "1"],
                       env=self.env, check=True)

    def test_second_instance_shows_the_message_and_leaves_the_first_running(self):
        folder = self.make_folder("radio")
        first = self.start(folder)
        self.wait_started(first, folder)
        self.assertTrue(wait_for(lambda: len(self.visible_windows(first)) == 1, START_TIMEOUT),
                        "the radio window is the one window shown; the base window never is")

        second = self.start(folder)
        self.assertTrue(wait_for(lambda: self.visible_windows(second), START_TIMEOUT),
                        "the second instance shows its message")
        window = self.visible_windows(second)[0]
        name = subprocess.run(["xdotool", "getwindowname", window], env=self.env,
                              capture_output=True, text=True).stdout.strip()
        self.assertEqual(name, "Sonavia Plus")
        subprocess.run(["import", "-window", "root", os.path.join(os.path.dirname(PROGRAM), "second-instance.png")],
                       env=self.env, check=False)
        # Enter and Escape do nothing in the program's dialogs; only "OK" closes it.
        subprocess.run(["xdotool", "key", "--window", window, "Return", "Escape"], env=self.env)
        self.assertFalse(wait_for(lambda: second.poll() is not None, KEY_REACTION_TIMEOUT),
                         "Enter or Escape closed the message")
        self.click_ok(window)
        self.assertEqual(second.wait(START_TIMEOUT), 0)
        self.assertIsNone(first.poll(), "the first instance keeps running")

        first.terminate()
        self.assertEqual(first.wait(START_TIMEOUT), 0, "a terminated instance cleans up and ends")

    def test_a_killed_instance_never_blocks_the_next_start(self):
        folder = self.make_folder("radio")
        first = self.start(folder)
        self.wait_started(first, folder)
        first.send_signal(signal.SIGKILL)
        first.wait()
        os.remove(os.path.join(folder, "setting.dat"))

        again = self.start(folder)
        # Only an instance that holds the lock gets as far as writing the settings file: one
        # that found another running shows its message and writes nothing.
        self.wait_started(again, folder)
        self.assertTrue(wait_for(lambda: self.visible_windows(again), START_TIMEOUT))
        size = subprocess.run(["xdotool", "getwindowgeometry", self.visible_windows(again)[0]],
                              env=self.env, capture_output=True, text=True).stdout
        self.assertIn("Geometry: %dx%d" % RADIO_WINDOW_SIZE, size,
                      "the radio window, not an 'already running' message")
        again.terminate()
        self.assertEqual(again.wait(START_TIMEOUT), 0)

    def test_help_version_and_a_mistyped_option_start_nothing_and_touch_no_file(self):
        folder = self.make_folder("radio")
        # No display and no session bus: the answers need neither.
        env = {k: v for k, v in self.env.items() if k not in ("DISPLAY", "DBUS_SESSION_BUS_ADDRESS")}
        before = sorted(os.listdir(folder)), sorted(os.listdir(self.runtime))

        def run(*args):
            return subprocess.run([PROGRAM] + list(args), cwd=folder, env=env, capture_output=True,
                                  text=True, timeout=START_TIMEOUT)

        helped = run("--help")
        self.assertEqual(helped.returncode, 0, helped.stderr)
        self.assertIn("--show", helped.stdout)
        self.assertIn("--version", helped.stdout)
        versioned = run("--version")
        self.assertEqual((versioned.returncode, versioned.stdout), (0, "Sonavia Plus %s\n" % VERSION))
        for wrong in (["--frobnicate"], ["--show", "-x"], ["radio.pls"]):
            mistyped = run(*wrong)
            self.assertEqual(mistyped.returncode, 2, wrong)
            self.assertIn("'%s'" % wrong[-1], mistyped.stderr)
            self.assertIn("--help", mistyped.stderr)
        self.assertEqual((sorted(os.listdir(folder)), sorted(os.listdir(self.runtime))), before,
                         "no settings file and no instance lock")

    def test_files_are_read_and_written_below_the_working_directory(self):
        if shutil.which("strace") is None:
            self.skipTest("strace is not installed")
        folder = self.make_folder("elsewhere")
        trace = os.path.join(self.home, "trace.txt")
        process = self.start(folder, prefix=["strace", "-f", "-qq", "-e", "trace=openat", "-o", trace])
        self.wait_started(process, folder)
        traced = subprocess.run(["pgrep", "-P", str(process.pid)], capture_output=True, text=True)
        os.kill(int(traced.stdout.split()[0]), signal.SIGTERM)
        self.assertEqual(process.wait(START_TIMEOUT), 0)
        with open(trace) as log:
            opened = log.read()
        archive = os.path.join(folder, "Interface", "radio.int")
        self.assertIn('"%s", O_RDONLY' % archive, opened)
        program_folder = os.path.dirname(os.path.realpath(PROGRAM))
        self.assertNotIn(os.path.join(program_folder, "setting.dat"), opened)
        with open(os.path.join(folder, "setting.dat"), "rb") as settings:
            self.assertEqual(settings.read(), b"1\n1\n0\n0\n50\n")

    def test_settings_files_that_are_a_folder_a_fifo_or_huge_never_stop_the_start(self):
        for kind in ("folder", "fifo", "huge"):
            with self.subTest(kind):
                folder = self.make_folder(kind)
                for name in SETTINGS_FILES:
                    path = os.path.join(folder, name)
                    if kind == "folder":
                        os.mkdir(path)
                    elif kind == "fifo":
                        os.mkfifo(path)
                    else:
                        with open(path, "wb") as huge:
                            if name == "setting.dat":
                                huge.write(b"1\n0\n5\n3\n77\n")
                            huge.truncate(HUGE_FILE_BYTES)
                process = self.start(folder)
                # A skin tooltip may show beside it: the pointer rests where the last start's
                # "Hide" was clicked.
                radio_windows = lambda: [w for w in self.visible_windows(process)  # noqa: E731
                                         if self.size(w) == RADIO_WINDOW_SIZE]
                self.assertTrue(wait_for(radio_windows, START_TIMEOUT),
                                "the radio window shows, not a message")
                window = radio_windows()[0]
                with open("/proc/%d/status" % process.pid) as status:
                    peak = int(re.search(r"^VmHWM:\s+(\d+)", status.read(), re.M).group(1))
                if kind == "huge":
                    self.assertLess(peak, PEAK_MEMORY_LIMIT_KB, "the huge file was read whole")
                # The window answers: "Hide" minimises it (and saves the settings where it can).
                subprocess.run(["xdotool", "mousemove", "--window", window, *map(str, HIDE_BUTTON_CENTRE),
                                "click", "1"], env=self.env, check=True)
                if kind == "folder":
                    # The settings cannot be saved there: the user is told, in the message dialog.
                    def message():
                        shown = self.visible_windows(process)
                        return shown if len(shown) == 1 and self.size(shown[0]) != RADIO_WINDOW_SIZE else None
                    self.assertTrue(wait_for(message, START_TIMEOUT), "no message")
                    # The dialog is as wide as the folder's name needs; its "OK" is centred.
                    dialog = message()[0]
                    subprocess.run(["xdotool", "mousemove", "--window", dialog, str(self.size(dialog)[0] // 2),
                                    str(OK_BUTTON_CENTRE[1]), "click", "1"], env=self.env, check=True)
                self.assertTrue(wait_for(lambda: not self.visible_windows(process), START_TIMEOUT))
                settings = os.path.join(folder, "setting.dat")
                if kind == "huge":
                    # What the file's head held is kept.
                    with open(settings, "rb") as saved:
                        self.assertEqual(saved.read(), b"1\n0\n5\n3\n77")
                process.terminate()
                self.assertEqual(process.wait(START_TIMEOUT), 0, "SIGTERM ends the program")
                if kind == "folder":
                    self.assertTrue(all(os.path.isdir(os.path.join(folder, name)) for name in SETTINGS_FILES))


if __name__ == "__main__":
    PROGRAM = os.path.realpath(sys.argv[1])
    ARCHIVE = os.path.realpath(sys.argv[2])
    VERSION = sys.argv[3]
    unittest.main(argv=sys.argv[:1], verbosity=2)
