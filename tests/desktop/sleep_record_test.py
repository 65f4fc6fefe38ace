"""The tray's sleep timer and recording, driven through the tray's exported menu and read from its
tooltip (a status notifier host on a session bus of the test's own), the sound heard through the
rig's PulseAudio server: a recording makes a file for each title the station sends, each of which
decodes to the station's tone; the sleep timer fades out and stops; a disk that fills ends the
recording and not the sound.

usage: sleep_record_test.py PROGRAM ARCHIVE RADIOCAT [unittest arguments]
"""

import os
import re
import shutil
import subprocess
import sys
import threading
import time
import unittest

import rig
from session_bus import start_notifier_host, start_session_bus

ITEM = "org.kde.StatusNotifierItem"
MENU_ITEM = re.compile(r"\((\d+), (\{[^{}]*\})")
SECONDS_PER_TITLE = 6
# A file's length against the time between the title changes the tooltip showed (the stream is
# cut where it is received, some seconds before it is heard), and all the files' against the
# whole recording's.
CUT_TOLERANCE = 4.0
TOTAL_TOLERANCE = 2.0
# The sleep timer's minute, shortened: the shortest choice (15 min) lasts 15 s, its last 10 the
# fade.
TEST_MINUTE_MS = 1000
SLEEP_CHOICE = 15
FADE = 10
# A disk that 128 kbit/s fill in a few seconds.
SMALL_DISK = "96k"


class SleepRecordTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.rig = rig.Rig(tray=False, pulse=True)
        try:
            folder = os.path.join(cls.rig.home, "bus")
            cls.bus = start_session_bus(cls.rig.processes, folder)
            host = start_notifier_host(cls.rig.processes, folder, cls.bus)
            cls.items = []
            threading.Thread(target=lambda: [cls.items.append(tuple(line.split()[1:3]))
                                             for line in host.stdout
                                             if line.startswith("item ")], daemon=True).start()
        except BaseException:
            cls.rig.stop()
            raise

    @classmethod
    def tearDownClass(cls):
        cls.rig.stop()

    def tearDown(self):
        self.rig.stop_programs()

    def start(self, station, music, env=None):
        """The program playing `station`, its music folder `music`; returns it once it plays."""
        config = os.path.join(self.rig.home, "config%d" % (self.rig.folders + 1))
        os.makedirs(config)
        with open(os.path.join(config, "user-dirs.dirs"), "w") as f:
            f.write('XDG_MUSIC_DIR="%s"\n' % music)
        self.items.clear()
        program = self.rig.start(
            self.rig.folder({"channel.dat": "package0\n%s\n" % station.name}),
            env=dict(env or {}, DBUS_SESSION_BUS_ADDRESS=self.bus, XDG_CONFIG_HOME=config))
        program.wait_window()
        self.assertTrue(rig.wait_for(lambda: self.items, rig.TIMEOUT), "the tray icon registers")
        self.assertTrue(self.heard(program, station), "%s plays" % station.name)
        return program

    def call(self, path, method, *args):
        service = self.items[-1][0]
        return subprocess.run(["gdbus", "call", "--session", "--dest", service, "--object-path",
                               path, "--method", method] + [str(a) for a in args],
                              env=dict(os.environ, DBUS_SESSION_BUS_ADDRESS=self.bus),
                              capture_output=True, text=True, timeout=rig.TIMEOUT).stdout

    def tooltip(self):
        return self.call(self.items[-1][1], "org.freedesktop.DBus.Properties.Get", ITEM, "ToolTip")

    def wait_tooltip(self, text, present=True):
        self.assertTrue(rig.wait_for(lambda: (text in self.tooltip()) == present, rig.TIMEOUT),
                        "the tooltip %s %r: %s" % ("shows" if present else "drops", text,
                                                   self.tooltip()))

    def menu(self):
        """{label: (id, properties as GVariant text)} of every entry of the tray menu."""
        reply = self.call(self.items[-1][1], "org.freedesktop.DBus.Properties.Get", ITEM, "Menu")
        self.menu_path = re.search(r"objectpath '([^']+)'", reply).group(1)
        layout = self.call(self.menu_path, "com.canonical.dbusmenu.GetLayout", 0, "int32 -1",
                           "@as []")
        entries = {}
        for number, properties in MENU_ITEM.findall(layout):
            label = re.search(r"'label': <'([^']*)'>", properties)
            if label:
                entries[label.group(1)] = (int(number), properties)
        return entries

    def choose(self, label):
        number, _ = self.menu()[label]
        self.call(self.menu_path, "com.canonical.dbusmenu.Event", number, "clicked", "<0>", 0)

    def checked(self, label):
        return "'toggle-state': <1>" in self.menu()[label][1]

    def heard(self, program, station):
        return rig.wait_for(lambda: rig.station_playing(program.recording.wait_for(0.5, 5),
                                                        self.rig.stations) == station,
                            rig.TIMEOUT, 0)

    def music_folder(self):
        folder = os.path.join(self.rig.home, "music%d" % (self.rig.folders + 1))
        os.makedirs(folder)
        return folder

    def decoded(self, path):
        """The file decoded as the rig records sound."""
        raw = path + ".raw"
        subprocess.run(["gst-launch-1.0", "-q", "filesrc", "location=" + path, "!", "decodebin",
                        "!", "audioconvert", "!", "audioresample", "!",
                        "audio/x-raw,format=S16LE,channels=1,rate=%d" % rig.RATE, "!",
                        "filesink", "location=" + raw], check=True, timeout=60)
        return rig.Recording(raw).samples()

    def test_a_recording_makes_a_file_for_each_title(self):
        icecast = self.rig.servers.icecast
        for name, extension in (("Fjord Tone", "ogg"), ("Aurora Chord", "mp3")):
            with self.subTest(name):
                station = self.rig.servers.station(name)
                titles = ["Test Band - Take %d of %s" % (n, name) for n in (1, 2, 3)]
                icecast.hold_title(station, titles[0])
                music = self.music_folder()
                # One program at a time: a second would find the first running.
                self.rig.stop_programs()
                self.start(station, music)
                self.wait_tooltip(titles[0])
                self.assertFalse(self.checked("Record"))
                self.choose("Record")
                self.wait_tooltip("Recording")
                self.assertTrue(self.checked("Record"))
                # When each file began and ended as the tooltip told it.
                moments = [time.monotonic()]
                for title in titles[1:]:
                    time.sleep(SECONDS_PER_TITLE)
                    icecast.hold_title(station, title)
                    self.wait_tooltip(title)
                    moments.append(time.monotonic())
                time.sleep(SECONDS_PER_TITLE)
                self.choose("Record")
                self.wait_tooltip("Recording", present=False)
                moments.append(time.monotonic())

                folder = os.path.join(music, "Sonavia Plus", name)
                self.assertTrue(rig.wait_for(lambda: not any(
                    f.endswith(".part") for f in os.listdir(folder)), rig.TIMEOUT),
                    "no file is left unfinished: %s" % os.listdir(folder))
                files = sorted(os.listdir(folder))
                self.assertEqual(len(files), 3, files)
                recorded = 0.0
                for title, file, begun, ended in zip(titles, files, moments, moments[1:]):
                    self.assertRegex(file, r"^\d{4}-\d\d-\d\d \d\d\.\d\d\.\d\d %s\.%s$"
                                     % (re.escape(title), extension))
                    path = os.path.join(folder, file)
                    info = subprocess.run(["gst-discoverer-1.0", path], capture_output=True,
                                          text=True, timeout=60).stdout
                    duration = re.search(r"Duration: (\d+):(\d+):([\d.]+)", info)
                    self.assertIsNotNone(duration, info)
                    seconds = (int(duration.group(1)) * 3600 + int(duration.group(2)) * 60 +
                               float(duration.group(3)))
                    samples = self.decoded(path)
                    length = len(samples) / rig.RATE
                    # The cuts follow the titles as the listener hears them, give or take the
                    # audio queued on its way there.
                    self.assertLess(abs(length - (ended - begun)), CUT_TOLERANCE,
                                    "%s holds %.1f s" % (file, length))
                    recorded += length
                    self.assertLess(abs(seconds - length), 1.0, "%s: %s" % (file, info))
                    for start in range(0, int(length * 2) - 1):
                        part = samples[start * rig.RATE // 2:(start + 1) * rig.RATE // 2]
                        self.assertEqual(rig.station_playing(part, self.rig.stations), station,
                                         "%s at %.1f s" % (file, start / 2))
                self.assertLess(abs(recorded - (moments[-1] - moments[0])), TOTAL_TOLERANCE,
                                "nothing is lost or written twice between the files")

    def test_the_sleep_timer_fades_out_and_stops_and_keeps_the_volume(self):
        station = self.rig.servers.station("Sakura Flute")
        program = self.start(station, self.music_folder(),
                             {"SONAVIA_TEST_MINUTE_MS": str(TEST_MINUTE_MS)})
        monitor = program.recording
        time.sleep(3)   # the fade-in after the start
        before = rig.rms(monitor.wait_for(1.0))
        self.assertTrue(self.checked("Off"))
        chosen = time.monotonic()
        self.choose("%d min" % SLEEP_CHOICE)
        self.wait_tooltip("Sleep in ")
        self.assertTrue(self.checked("%d min" % SLEEP_CHOICE))
        # Hidden and opened again, the timer goes on.
        window = program.wait_window()
        program.click(window, 673, 38)
        self.assertTrue(rig.wait_for(lambda: not program.windows(), rig.TIMEOUT))

        minute = TEST_MINUTE_MS / 1000
        fade_start = SLEEP_CHOICE * minute - FADE
        levels = [rig.rms(monitor.heard(chosen + fade_start + FADE * share, 1.0))
                  for share in (0.1, 0.35, 0.6, 0.85)]
        self.assertGreater(before, 0.1)
        self.assertAlmostEqual(rig.rms(monitor.heard(chosen + fade_start - 2, 1.0)), before,
                               delta=before * 0.1, msg="the volume stays until the fade")
        for louder, softer in zip([before] + levels, levels):
            self.assertLess(softer, louder * 0.9, "the level falls over the fade: %s" % levels)
        self.assertTrue(rig.silent(monitor.heard(chosen + SLEEP_CHOICE * minute + 0.5, 1.0)),
                        "the station stops at the end")
        self.wait_tooltip("Sleep in ", present=False)
        self.wait_tooltip("(stopped)")
        self.assertTrue(self.checked("Off"))
        self.assertTrue(program.running())

        self.choose("Stop/Resume")
        self.assertTrue(self.heard(program, station), "Resume plays it again")
        time.sleep(3)
        self.assertAlmostEqual(rig.rms(monitor.wait_for(1.0)), before, delta=before * 0.1,
                               msg="at the user's volume")

    def test_a_full_disk_ends_the_recording_and_not_the_sound(self):
        music = self.music_folder()
        mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=" + SMALL_DISK, "tmpfs",
                                  music], capture_output=True, text=True)
        if mounted.returncode != 0:
            self.skipTest("no tmpfs can be mounted here: " + mounted.stderr.strip())
        self.addCleanup(subprocess.run, ["umount", "-l", music])
        station = self.rig.servers.station("Basso Square")
        program = self.start(station, music)
        self.choose("Record")
        self.wait_tooltip("Recording stopped: the disk is full")
        self.assertFalse(self.checked("Record"))
        self.assertTrue(self.heard(program, station), "the sound goes on")
        self.assertGreater(rig.rms(program.recording.wait_for(2.0)), 0.05)
        # What was written is kept, named as a finished recording (the station may change its
        # title meanwhile: a file for each).
        folder = os.path.join(music, "Sonavia Plus", station.name)
        files = os.listdir(folder)
        self.assertTrue(files and all(f.endswith(".mp3") for f in files), files)
        self.assertGreater(sum(os.path.getsize(os.path.join(folder, f)) for f in files),
                           32 * 1024)


if __name__ == "__main__":
    if not shutil.which("dbus-daemon") or not shutil.which("gst-discoverer-1.0"):
        sys.exit("dbus-daemon, gdbus and gst-discoverer-1.0 are needed")
    rig.main()
