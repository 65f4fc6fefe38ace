"""The desktop's search on a session bus of the test's own: GNOME Shell's search provider and
KRunner's runner, driven with gdbus as the two desktops drive them. With the program not running,
a search makes the bus start it (through the activation file the program installs), and it
answers from a world catalogue that radiocat imports from a directory export: the demo's stations
among some three thousand others in two hundred countries, as many as the catalogue holds. A chosen
station plays as a click in the list plays it, heard on the rig's PulseAudio server.

usage: search_test.py PROGRAM ARCHIVE RADIOCAT [unittest arguments]
"""

import ast
import json
import os
import shlex
import shutil
import subprocess
import sys
import time
import unittest

import rig
from session_bus import start_session_bus

SERVICE = "org.sonavia.Plus"
SHELL_PATH = "/org/sonavia/Plus/SearchProvider"
SHELL = "org.gnome.Shell.SearchProvider2"
RUNNER_PATH = "/org/sonavia/Plus/StationRunner"
RUNNER = "org.kde.krunner1"
ACTIVATION_TEMPLATE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "data",
                                   SERVICE + ".service.in")
COUNTRY_CODES = {"Norway": "NO", "Italy": "IT", "Japan": "JP"}
OTHER_COUNTRIES = 200
OTHER_STATIONS = 4000


def world_export(stations):
    """A directory export of the demo's stations and many others that no search here finds."""
    records = [{"name": s.name, "url_resolved": s.url, "countrycode": COUNTRY_CODES[s.country],
                "country": s.country, "codec": "MP3" if s.mp3 else "OGG", "votes": 100000 + i,
                "lastcheckok": 1, "hls": 0} for i, s in enumerate(stations) if s.offered]
    # Some in the demo's countries too, with fewer votes than the demo's stations.
    countries = list(COUNTRY_CODES) + ["Land %d" % i for i in range(OTHER_COUNTRIES)]
    records += [{"name": "Other Waves %d" % i, "url_resolved": "http://127.0.0.1:9/%d" % i,
                 "countrycode": COUNTRY_CODES.get(countries[i % len(countries)], ""),
                 "country": countries[i % len(countries)], "codec": "AAC", "votes": i,
                 "lastcheckok": 1, "hls": 0} for i in range(OTHER_STATIONS)]
    return json.dumps(records)


class SearchTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.rig = rig.Rig(tray=True, pulse=True)
        try:
            cls.make_world_catalogue()
            cls.start_bus()
        except BaseException:
            cls.rig.stop()
            raise

    @classmethod
    def make_world_catalogue(cls):
        export = os.path.join(cls.rig.home, "export.json")
        with open(export, "w") as f:
            f.write(world_export(cls.rig.stations))
        imported = subprocess.run(
            [cls.rig.build.radiocat, "import", export,
             os.path.join(cls.rig.servers.catalogue.root, "world")],
            capture_output=True, text=True, timeout=60)
        if imported.returncode != 0:
            raise RuntimeError("radiocat import failed:\n" + imported.stderr)
        print("\n" + imported.stdout, end="")
        cls.catalogue_env = dict(cls.rig.servers.env(),
                                 SONAVIA_CATALOGUE_BASE=cls.rig.servers.catalogue.url("/world/"))

    @classmethod
    def start_bus(cls):
        """The bus and its activation file, as installed but for the program it starts: the
        build's, in a start-up folder of the rig's, writing its log there."""
        folder = os.path.join(cls.rig.home, "bus")
        services = os.path.join(folder, "services")
        os.makedirs(services)
        cls.startup = cls.rig.folder()
        cls.pid_file = os.path.join(cls.startup, "program.pid")
        program = "echo $$ > %s; cd %s && exec %s --verbose 2>> program.log" % (
            shlex.quote(cls.pid_file), shlex.quote(cls.startup), shlex.quote(cls.rig.build.program))
        with open(ACTIVATION_TEMPLATE) as f:
            activation = f.read().replace("@SONAVIA_INSTALLED_PROGRAM@",
                                          "/bin/sh -c " + shlex.quote(program))
        with open(os.path.join(services, SERVICE + ".service"), "w") as f:
            f.write(activation)
        cls.address = "unix:path=" + os.path.join(folder, "socket")
        # What a desktop session's bus passes on to the programs it starts.
        env = dict(os.environ)
        env.update(cls.rig.env)
        env.update(cls.catalogue_env, SONAVIA_AUDIO_SINK="pulsesink",
                   DBUS_SESSION_BUS_ADDRESS=cls.address)
        start_session_bus(cls.rig.processes, folder, services, env)
        cls.pid = None

    @classmethod
    def tearDownClass(cls):
        if cls.pid:
            cls.rig.processes.stop_pid(cls.pid, rig.TIMEOUT)
        cls.rig.stop()

    def call(self, path, method, *args):
        """A method call on the test's bus and its reply as Python values."""
        started = time.monotonic()
        done = subprocess.run(["gdbus", "call", "--session", "--dest", SERVICE, "--object-path",
                               path, "--method", method, "--timeout", str(2 * rig.TIMEOUT)] +
                              [repr(a) if isinstance(a, str) else str(a) for a in args],
                              env=dict(os.environ, DBUS_SESSION_BUS_ADDRESS=self.address),
                              capture_output=True, text=True, timeout=3 * rig.TIMEOUT)
        self.assertEqual(done.returncode, 0, done.stderr)
        self.seconds = time.monotonic() - started
        # GVariant text: Python literals once its type marks and boxes are dropped.
        text = done.stdout.replace("@as ", "").replace("@a{sv} ", "").replace("<", "")
        return ast.literal_eval(text.replace(">", ""))

    def others_kept(self):
        """How many of the other stations the catalogue holds: as many as fit."""
        catalogue = os.path.join(self.rig.servers.catalogue.root, "world", "Sonavia",
                                 "channelsplus", "channels.rd")
        with open(catalogue, encoding="utf-8") as f:
            return f.read().count("Other Waves")

    def heard(self, station):
        monitor = self.rig.pulse.monitor
        return rig.wait_for(lambda: rig.station_playing(monitor.wait_for(0.5, 5),
                                                        self.rig.stations) == station,
                            rig.TIMEOUT, 0)

    def test_a_search_starts_the_program_and_a_chosen_station_plays(self):
        station = self.rig.servers.station
        self.assertFalse(os.path.exists(self.pid_file), "nothing runs before the search")
        # GNOME Shell's first search: the bus starts the program, which answers once its
        # catalogue is in.
        (found,) = self.call(SHELL_PATH, SHELL + ".GetInitialResultSet", ["fjord"])
        print("first search, the program started by it: %.2f s" % self.seconds)
        with open(self.pid_file) as f:
            type(self).pid = int(f.read())
        self.rig.processes.watch(self.pid)
        self.assertEqual(len(found), 1)
        # Started as usual: its radio window is open, and nothing plays yet.
        self.assertTrue(rig.wait_for(lambda: self.rig.desktop.xdotool(
            "search", "--onlyvisible", "--pid", self.pid, "--name", "^%s$" % rig.WINDOW_NAME),
            rig.TIMEOUT))
        self.assertTrue(rig.silent(self.rig.pulse.monitor.wait_for(1.0, 5)))

        (metas,) = self.call(SHELL_PATH, SHELL + ".GetResultMetas", found)
        self.assertEqual(metas, [{"id": found[0], "name": "Fjord Tone", "description": "Norway",
                                  "gicon": "org.sonavia.Plus"}])
        # A country's name finds its stations; typing on narrows them; one letter finds none.
        (italy,) = self.call(SHELL_PATH, SHELL + ".GetInitialResultSet", ["ital"])
        (metas,) = self.call(SHELL_PATH, SHELL + ".GetResultMetas", italy)
        self.assertEqual({m["description"] for m in metas}, {"Italy"})
        # In the catalogue's order: by votes.
        self.assertEqual([m["name"] for m in metas[:2]], ["Basso Square", "Campanile Ticks"])
        (narrowed,) = self.call(SHELL_PATH, SHELL + ".GetSubsearchResultSet", italy,
                                ["ital", "bas"])
        self.assertEqual([m["name"] for m in self.call(
            SHELL_PATH, SHELL + ".GetResultMetas", narrowed)[0]], ["Basso Square"])
        self.assertEqual(self.call(SHELL_PATH, SHELL + ".GetInitialResultSet", ["f"]), ([],))
        self.assertEqual(len(self.call(SHELL_PATH, SHELL + ".GetInitialResultSet",
                                       ["other", "waves"])[0]), self.others_kept())

        self.call(SHELL_PATH, SHELL + ".ActivateResult", found[0], ["fjord"], 0)
        self.assertTrue(self.heard(station("Fjord Tone")), "GNOME's choice plays")

        # KRunner: the station, its country beneath it, the program's icon; then run.
        (matches,) = self.call(RUNNER_PATH, RUNNER + ".Match", "kyoto")
        self.assertEqual([m[1:4] + (m[5],) for m in matches],
                         [("Kyoto Pulse", "org.sonavia.Plus", 20, {"subtext": "Japan"})])
        (exact,) = self.call(RUNNER_PATH, RUNNER + ".Match", "kyoto pulse")
        self.assertEqual(exact[0][3], 100, "a name typed whole is KRunner's exact match")
        self.call(RUNNER_PATH, RUNNER + ".Run", matches[0][0], "")
        self.assertTrue(self.heard(station("Kyoto Pulse")), "KRunner's choice plays")
        # As a click in the station list: the choice is remembered for the next start.
        with open(os.path.join(self.startup, "channel.dat"), "rb") as f:
            self.assertEqual(f.read(), b"package0\nKyoto Pulse")


if __name__ == "__main__":
    if not shutil.which("dbus-daemon") or not shutil.which("gdbus"):
        sys.exit("dbus-daemon and gdbus are needed")
    rig.main()
