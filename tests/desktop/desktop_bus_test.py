"""The program on a desktop with a session bus of its own: the media controls (MPRIS) act on the
real program, heard in the recording, and its tray icon goes through a status notifier watcher
and host (status_notifier_host.py) as on KDE, on GNOME with the AppIndicator extension and on
most Wayland panels: there is no XEmbed tray on this desktop.

usage: desktop_bus_test.py PROGRAM ARCHIVE RADIOCAT [unittest arguments]
"""

import os
import queue
import re
import shutil
import subprocess
import sys
import threading
import unittest

import rig
from servers import Station
from session_bus import start_notifier_host, start_session_bus

MPRIS = "org.mpris.MediaPlayer2.SonaviaPlus"
MPRIS_PATH = "/org/mpris/MediaPlayer2"
PLAYER = "org.mpris.MediaPlayer2.Player"
# A station whose stream names what it plays.
TITLED = Station("Norway", "Morning Tone", "Tells its title", 698,
                 "audiotestsrc is-live=true freq=698 volume=0.5 ! taginject tags=title=Wake-Up-Song"
                 " ! {out}")
MENU_ENTRY = re.compile(r"\((\d+), \{[^}]*'label': <'([^']*)'>")


class DesktopBusTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.rig = rig.Rig(tray=False)
        try:
            cls.start_bus()
            TITLED.url = cls.rig.servers.icecast.url(TITLED.mount)
            cls.rig.servers.icecast.start_feed(TITLED)
            cls.stations = list(cls.rig.stations) + [TITLED]
            cls.env = dict(cls.rig.servers.catalogue_variant("bus", cls.stations),
                           DBUS_SESSION_BUS_ADDRESS=cls.bus)
        except BaseException:
            cls.rig.stop()
            raise

    @classmethod
    def start_bus(cls):
        folder = os.path.join(cls.rig.home, "bus")
        cls.bus = start_session_bus(cls.rig.processes, folder)
        cls.host = start_notifier_host(cls.rig.processes, folder, cls.bus)
        cls.events = queue.Queue()
        threading.Thread(target=lambda: [cls.events.put(line.split())
                                         for line in cls.host.stdout], daemon=True).start()

    @classmethod
    def tearDownClass(cls):
        cls.rig.stop()

    def tearDown(self):
        self.rig.stop_programs()

    @classmethod
    def next_event(cls, kind, timeout=rig.TIMEOUT):
        """The host's next line of that kind (its words), or None."""
        try:
            while True:
                event = cls.events.get(timeout=timeout)
                if event[0] == kind:
                    return event
        except queue.Empty:
            return None

    def call(self, destination, path, method, *args):
        """A method call on the test's bus; its reply in GVariant text."""
        done = subprocess.run(["gdbus", "call", "--session", "--dest", destination,
                               "--object-path", path, "--method", method] + list(args),
                              env=dict(os.environ, DBUS_SESSION_BUS_ADDRESS=self.bus),
                              capture_output=True, text=True, timeout=rig.TIMEOUT)
        self.assertEqual(done.returncode, 0, done.stderr)
        return done.stdout

    def player(self, method, *args):
        return self.call(MPRIS, MPRIS_PATH, PLAYER + "." + method, *args)

    def property(self, interface, name):
        return self.call(MPRIS, MPRIS_PATH, "org.freedesktop.DBus.Properties.Get", interface, name)

    def start(self, station=None, args=()):
        """The program with the media controls on the bus; `station` is the remembered one."""
        # Only what this program registers counts.
        while not self.events.empty():
            self.events.get()
        files = {"channel.dat": "package0\n%s\n" % station.name} if station else {}
        program = self.rig.start(self.rig.folder(files), env=self.env, args=args)
        window = program.wait_window()
        self.assertTrue(rig.wait_for(lambda: MPRIS in self.call(
            "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus.ListNames"),
            rig.TIMEOUT), "the media controls are on the bus")
        return program, window

    def heard(self, program, station, timeout=rig.TIMEOUT):
        return rig.wait_for(lambda: rig.station_playing(program.recording.wait_for(0.5, 5),
                                                        self.stations) == station, timeout, 0)

    def test_media_controls_act_on_the_radio_and_show_what_plays(self):
        program, window = self.start(TITLED)
        self.assertTrue(self.heard(program, TITLED))
        root = "org.mpris.MediaPlayer2"
        self.assertIn("'Sonavia Plus'", self.property(root, "Identity"))
        self.assertIn("'org.sonavia.Plus'", self.property(root, "DesktopEntry"))
        self.assertTrue(rig.wait_for(lambda: "Wake-Up-Song" in self.property(PLAYER, "Metadata"),
                                     rig.TIMEOUT), "the stream's title")
        self.assertIn("Morning Tone", self.property(PLAYER, "Metadata"))

        self.player("Pause")
        self.assertTrue(rig.wait_for(lambda: rig.silent(program.recording.wait_for(0.5, 1)),
                                     rig.TIMEOUT, 0), "Pause silences it")
        self.assertIn("'Stopped'", self.property(PLAYER, "PlaybackStatus"))
        self.player("Play")
        self.assertTrue(self.heard(program, TITLED), "Play brings it back")
        self.assertIn("'Playing'", self.property(PLAYER, "PlaybackStatus"))
        self.assertIn("false", self.property(PLAYER, "CanGoPrevious"))
        self.player("Next")
        other = rig.wait_for(lambda: rig.station_playing(
            program.recording.wait_for(0.5, 5), self.rig.stations), rig.TIMEOUT, 0)
        self.assertIsNotNone(other, "Next plays another station")
        # The demo's stations tell titles of their own, Ogg and MP3 alike.
        self.assertTrue(rig.wait_for(lambda: any(
            title in self.property(PLAYER, "Metadata") for title in other.titles), rig.TIMEOUT),
            "%s tells its title" % other.name)
        self.assertIn("true", self.property(PLAYER, "CanGoPrevious"))
        self.player("Previous")
        self.assertTrue(self.heard(program, TITLED), "Previous goes back to the first")

        # The volume, read and written in step with what the user set.
        self.assertIn("0.5", self.property(PLAYER, "Volume"))
        self.call(MPRIS, MPRIS_PATH, "org.freedesktop.DBus.Properties.Set", PLAYER, "Volume",
                  "<0.25>")
        self.assertIn("0.25", self.property(PLAYER, "Volume"))

        # Raise shows the hidden window; Quit is "Exit".
        program.click(window, 673, 38)
        self.assertTrue(rig.wait_for(lambda: not program.windows(), rig.TIMEOUT))
        self.call(MPRIS, MPRIS_PATH, root + ".Raise")
        program.wait_window()
        self.call(MPRIS, MPRIS_PATH, root + ".Quit")
        self.assertEqual(program.wait(), 0)
        self.assertEqual(program.file("setting.dat").split(b"\n")[4], b"25")

    def test_show_starts_the_program_or_brings_back_its_hidden_window(self):
        # Nothing running: --show starts the program as usual; no station is remembered.
        program, window = self.start(args=["--show"])
        self.assertTrue(rig.silent(program.recording.wait_for(1.0, 3)))
        self.player("Play")
        self.assertIsNotNone(rig.wait_for(lambda: rig.station_playing(
            program.recording.wait_for(0.5, 5), self.stations), rig.TIMEOUT, 0),
            "Play with no station remembered plays one")

        program.click(window, 673, 38)
        self.assertTrue(rig.wait_for(lambda: not program.windows(), rig.TIMEOUT))
        shown = self.rig.start(self.rig.folder(), env=self.env, args=["--show"])
        self.assertEqual(shown.wait(), 0, "--show ends at once, showing no message")
        program.wait_window()
        self.assertTrue(program.running())

    def test_the_status_notifier_item_opens_the_window_and_its_menu_acts(self):
        program, window = self.start(self.rig.servers.station("Fjord Tone"))
        item = self.next_event("item")
        self.assertIsNotNone(item, "the icon registers with the watcher")
        service, path = item[1], item[2]
        self.assertIsNotNone(self.next_event("new-icon", 5), "the icon animates")

        # Hidden, the window comes back with the host's click; with it open, a click raises it.
        program.click(window, 673, 38)
        self.assertTrue(rig.wait_for(lambda: not program.windows(), rig.TIMEOUT))
        self.call(service, path, "org.kde.StatusNotifierItem.Activate", "0", "0")
        program.wait_window()
        self.call(service, path, "org.kde.StatusNotifierItem.Activate", "0", "0")
        self.assertEqual(len(program.windows()), 1)

        # The exported menu offers the tray's commands, and each one acts: here, Exit.
        menu = self.call(service, path, "org.freedesktop.DBus.Properties.Get",
                         "org.kde.StatusNotifierItem", "Menu")
        menu_path = re.search(r"objectpath '([^']+)'", menu).group(1)
        layout = self.call(service, menu_path, "com.canonical.dbusmenu.GetLayout", "0", "int32 -1",
                           "@as []")
        entries = {label: int(number) for number, label in MENU_ENTRY.findall(layout)}
        self.assertEqual(sorted(entries), ["15 min", "30 min", "60 min", "90 min", "Exit", "Off",
                                           "Open", "Random Channel", "Record", "Sleep",
                                           "Stop/Resume"])
        self.call(service, menu_path, "com.canonical.dbusmenu.Event", str(entries["Exit"]),
                  "clicked", "<0>", "0")
        self.assertEqual(program.wait(), 0)


if __name__ == "__main__":
    if not shutil.which("dbus-daemon") or not shutil.which("gdbus"):
        sys.exit("dbus-daemon and gdbus are needed")
    rig.main()
