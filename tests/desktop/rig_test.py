"""The whole-program test rig itself (its desktop, servers, recordings and clean-up), the offline
demo's clean-up, and the program's sound as the rig's own PulseAudio server plays it.

usage: rig_test.py PROGRAM ARCHIVE RADIOCAT
"""

import array
import os
import shutil
import signal
import sys
import tempfile
import time
import unittest
import urllib.request
from dataclasses import replace

import rig
import servers

# Where the message dialog's "OK" button sits in the dialog.
OK_BUTTON_CENTRE = (170, 87)


# The centre of "Random Channel", and a pixel inside the download button's face.
RANDOM_CHANNEL = (564 + 28, 22 + 32)
DOWNLOAD_FACE = (626 + 13, 25 + 13)


def alive(pid):
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return False
    return True


def children(pid):
    """The PIDs of a process's children."""
    with open("/proc/%d/task/%d/children" % (pid, pid)) as f:
        return [int(child) for child in f.read().split()]


class RigTest(unittest.TestCase):
    def test_desktop_servers_and_program_come_up_and_all_go_afterwards(self):
        desk = rig.Rig(tray=True)
        try:
            started = [p.pid for p in desk.processes.running] + [desk.processes.guard.pid]
            self.check_desktop(desk)
            self.check_stations(desk)
            self.check_catalogue_and_site(desk)
            started.append(self.check_program(desk))
        finally:
            desk.stop()
        self.assertFalse(os.path.exists(desk.home))
        self.assertTrue(rig.wait_for(lambda: not any(alive(pid) for pid in started), 5),
                        "every process the rig started is gone")

    def check_desktop(self, desk):
        self.assertIn("window id", desk.desktop.xprop("-root", "_NET_SUPPORTING_WM_CHECK"),
                      "openbox manages the desktop")
        self.assertTrue(desk.desktop.tray_window(), "trayer shows its panel")
        desk.desktop.stop_tray()
        self.assertIsNone(desk.desktop.tray_window())
        desk.desktop.start_tray()
        self.assertTrue(desk.desktop.tray_window(), "a tray can come back during a test")
        screen = desk.desktop.screenshot()
        self.assertEqual(len(screen.rgb), rig.SCREEN[0] * rig.SCREEN[1] * 3)

    def check_stations(self, desk):
        # Each station recorded through the sink description the program is given.
        fed = [s for s in desk.stations if s.sound]
        self.assertGreaterEqual(len(fed), 6)
        self.assertGreaterEqual(len({s.country for s in fed}), 3)
        # Through playbin, as the program plays: a station's new title starts a new Ogg chain,
        # whose new pads a bare decoder left linked to one sink would not follow.
        def record(station, recording):
            return desk.processes.start(["gst-launch-1.0", "-q", "playbin", "uri=" + station.url,
                                         "audio-sink=" + recording.sink])

        def check_heard(station, recording):
            heard = recording.wait_for(1.0)
            self.assertEqual(len(heard), rig.RATE, station.name)
            self.assertFalse(rig.silent(heard), station.name)
            self.assertEqual(rig.station_playing(heard, desk.stations), station,
                             "%s: %.1f Hz" % (station.name, rig.dominant_frequency(heard)))

        recordings = [rig.Recording(os.path.join(desk.home, "station%d.raw" % s.position))
                      for s in fed]
        recorders = [record(station, recording) for station, recording in zip(fed, recordings)]
        for station, recording in zip(fed, recordings):
            check_heard(station, recording)
        # A player that opens another station adds to the same recording.
        desk.processes.stop(recorders[0])
        before = recordings[0].seconds()
        record(fed[1], recordings[0])
        check_heard(fed[1], recordings[0])
        self.assertEqual(rig.station_playing(recordings[0].samples(before - 1, 1), fed), fed[0])
        # Told apart clearly: no two stations within a tenth of each other's frequency.
        frequencies = sorted(s.hz for s in fed)
        for low, high in zip(frequencies, frequencies[1:]):
            self.assertGreater(high, low * 1.1)
        self.assertTrue(rig.silent(array.array("h", [3] * rig.RATE)))

    def check_catalogue_and_site(self, desk):
        catalogue = urllib.request.urlopen(
            desk.catalogue.url("/Sonavia/channelsplus/channels.rd"), timeout=10).read()
        self.assertTrue(catalogue.startswith(b"%d" % len(desk.stations)))
        self.assertEqual(desk.catalogue.requests(), ["/Sonavia/channelsplus/channels.rd"])
        first = desk.stations[0]
        address = urllib.request.urlopen(desk.catalogue.url(
            "/Sonavia/freechannels/package0/%d.rd" % (first.position + 1)), timeout=10).read()
        self.assertTrue(address.startswith(first.url.encode()))
        version = urllib.request.urlopen(
            desk.site.url("/sonavia/channelsplus/versionplus.txt"), timeout=10).read()
        self.assertGreater(float(version.split()[0]), 1.1)
        page = urllib.request.urlopen(desk.site.url("/sonavia/index.php"), timeout=10)
        self.assertEqual(page.headers["Content-Type"], "text/html")

    def check_program(self, desk):
        # The program shows its radio window; a second start in the same folder shows its
        # message, a real window to drive.
        program = desk.start()
        program.wait_window()
        self.assertTrue(program.file("setting.dat"), "the program starts")
        second = desk.start(program.folder)
        window = second.wait_window()
        self.assertIn("Normal", second.wm_state(window))
        left, top, width, height = second.geometry(window)
        self.assertTrue(0 <= left and left + width <= rig.SCREEN[0] and height > 0)
        second.key(window, "Escape")  # the program's dialogs close by "OK" only
        self.assertIsNone(second.wait(0.3))
        second.click(window, *OK_BUTTON_CENTRE)
        self.assertEqual(second.wait(), 0, "OK ends the second start")
        self.assertEqual(program.stop(), 0, "a terminated program cleans up and ends")
        return program.pid

class DemoTest(unittest.TestCase):
    DEMO = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "demo",
                        "demo.py")

    def test_the_demo_stops_everything_it_started(self):
        processes = rig.Processes()
        home = tempfile.mkdtemp(prefix="sonavia-demo-")
        os.chmod(home, 0o711)
        try:
            desktop = rig.Desktop(processes, home, tray=True)
            runtime = os.path.join(home, "runtime")
            os.mkdir(runtime, 0o700)
            recording = rig.Recording(os.path.join(home, "played.raw"))
            env = dict(desktop.env, SONAVIA_AUDIO_SINK=recording.sink, XDG_RUNTIME_DIR=runtime)
            build = os.path.dirname(rig.BUILD.program)
            # Interrupted from the terminal (Ctrl+C), and ended by the program's own end.
            ends = [(lambda demo, program: demo.send_signal(signal.SIGINT), 130),
                    (lambda demo, program: os.kill(program, signal.SIGTERM), 0)]
            for number, (end, code) in enumerate(ends):
                folder = os.path.join(home, "demo%d" % number)
                demo = processes.start([sys.executable, self.DEMO, build, folder], env=env)
                self.assertTrue(rig.wait_for(
                    lambda: os.path.exists(os.path.join(folder, "setting.dat")), rig.TIMEOUT),
                    "the program starts")
                started = children(demo.pid)
                program = [pid for pid in started
                           if os.path.realpath("/proc/%d/exe" % pid) == rig.BUILD.program]
                self.assertEqual(len(program), 1)
                self.assertGreaterEqual(len(started), 10, "icecast2, 6 feeds, 2 servers, guard")
                if number == 0:
                    self.window_plays_a_demo_station_and_flashes(desktop, program[0], recording)
                end(demo, program[0])
                self.assertEqual(demo.wait(rig.TIMEOUT), code)
                processes.forget(demo)
                self.assertTrue(rig.wait_for(lambda: not any(alive(p) for p in started), 5),
                                "every process the demo started is gone")
        finally:
            processes.close()
            shutil.rmtree(home, ignore_errors=True)

    def window_plays_a_demo_station_and_flashes(self, desktop, pid, recording):
        found = []
        self.assertTrue(rig.wait_for(lambda: found.extend(desktop.xdotool(
            "search", "--all", "--onlyvisible", "--pid", pid, "--name", "^Sonavia Plus$").split())
            or found, rig.TIMEOUT), "the radio window appears")
        window = found[0]
        desktop.xdotool("mousemove", "--window", window, *RANDOM_CHANNEL, "click", 1)
        heard = []
        rig.wait_for(lambda: heard.append(rig.station_playing(recording.wait_for(1.0),
                                                              servers.STATIONS)) or heard[-1],
                     rig.TIMEOUT)
        self.assertIsNotNone(heard[-1], "a demo station's sound is recorded")
        # The demo's site publishes a newer version: the download button changes its face.
        values = dict(line.split("=", 1) for line in
                      desktop.xdotool("getwindowgeometry", "--shell", window).split())
        x, y = int(values["X"]) + DOWNLOAD_FACE[0], int(values["Y"]) + DOWNLOAD_FACE[1]
        faces = set()
        self.assertTrue(rig.wait_for(lambda: faces.add(desktop.screenshot().pixel(x, y)) or
                                     len(faces) > 1, rig.TIMEOUT), "the download button flashes")


class SoundTest(unittest.TestCase):
    """What a user hears, through a sound server (the rig's PulseAudio, its monitor recorded),
    from stations that have been on the air a while: icecast2 sends a new listener a burst of
    64 KiB, which is how most listeners meet a station. Silences are looked for in 10 ms steps;
    the bounds leave room for a loaded machine."""

    ON_AIR = 15.0
    LISTEN = 6.0
    GAP = 0.25             # the longest silence allowed once sound has started
    OUTAGE = 6.0
    BACK_WITHIN = 4.0      # seconds from the source's return to sound
    HOLD = 0.3             # the bursty link hands data on every HOLD seconds

    @classmethod
    def setUpClass(cls):
        cls.rig = rig.Rig(tray=True, pulse=True)

    @classmethod
    def tearDownClass(cls):
        cls.rig.stop()

    def tearDown(self):
        self.rig.stop_programs()

    def start(self, station, env=None):
        """The program started with `station` remembered, once its first sound is heard; the
        moment of that sound."""
        program = self.rig.start(self.rig.folder({"channel.dat": "package0\n" + station.name}),
                                 env)
        first = program.recording.sound_after(program.started)
        self.assertIsNotNone(first, "%s is heard" % station.name)
        return program, program.started + first

    def assert_plays_on(self, program, station, since, length):
        heard = program.recording.heard(since, length)
        self.assertEqual(rig.station_playing(heard, self.rig.stations), station)
        self.assertLess(rig.longest_silence(heard), self.GAP,
                        "%s plays on without a gap" % station.name)

    def test_an_mp3_station_on_the_air_plays_on_from_its_first_sound(self):
        station = self.rig.servers.station("Aurora Chord")
        self.assertTrue(station.mp3)
        self.rig.servers.icecast.wait_on_air(station, self.ON_AIR)
        program, first = self.start(station)
        self.assert_plays_on(program, station, first, self.LISTEN)

    def test_sound_comes_back_after_an_outage_and_a_bursty_link_does_not_break_it(self):
        station = self.rig.servers.station("Basso Square")
        icecast = self.rig.servers.icecast
        link = servers.BurstyLink(self.rig.processes, icecast.port, self.HOLD)
        bursty = self.rig.servers.catalogue_variant(
            "bursty", [replace(s, url=link.url(s.mount)) for s in self.rig.stations])
        icecast.wait_on_air(station, self.ON_AIR)
        program, first = self.start(station, bursty)
        self.assert_plays_on(program, station, first, self.LISTEN)

        icecast.stop_feed(station)
        try:
            time.sleep(self.OUTAGE)
        finally:
            icecast.start_feed(station)
        returned = icecast.feeds_started[station.mount]
        back = program.recording.sound_after(returned)
        self.assertIsNotNone(back, "the station is heard again")
        self.assertLess(back, self.BACK_WITHIN, "soon after its return")
        # Back from a server with a short burst, over the bursty link: no drop-out either.
        self.assert_plays_on(program, station, returned + back, self.LISTEN)


if __name__ == "__main__":
    rig.main()
