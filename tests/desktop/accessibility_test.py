"""What a screen reader finds of the real program over AT-SPI, with the accessibility bus started
by the test as a desktop session starts it: every visible control of the radio window, of the
message dialog and of the browser pane answers with a name, the station list exposes its
stations, and the level meter, the activity box and the tuner's line are described as status
areas. The tuner's line is also looked at as the screen shows it, with its lamp and the station
list's pictures.

usage: accessibility_test.py PROGRAM ARCHIVE RADIOCAT [unittest arguments]
"""

import colorsys
import json
import os
import subprocess
import time
import unittest

import rig
from radio_window_test import HIDE, SELECTED_PICTURE, TREE, WHITE, Radio, close_to, hue_shifted
from servers import Station
from session_bus import python_with_gi, start_accessibility_bus, start_session_bus

HERE = os.path.dirname(os.path.abspath(__file__))
# The roles of what a user acts on or reads.
CONTROL_ROLES = {"push button", "check box", "radio button", "slider", "combo box", "text",
                 "tree", "table", "list", "status bar", "label", "dialog", "frame", "filler"}
BROWSER_TOGGLE = (52, 262)
PANE_TITLE = "Sonavia Browser"

# The tuner (window pixels): its line of what plays and its lamp; the light they show at hue 0.
TUNER_LINE = (408, 42, 138, 12)
LAMP = (488, 25, 62, 16)
TUNER_LIGHT = (135, 213, 255)
LIT = 200              # the lit lamp's and the line's brightest channel reach it, the dim lamp not
HUE = 120
FAILED_PICTURE = (214, 52, 40)
BRANCH_COLUMN = 18     # pixels of the tree's branch column, left of the pictures
BLINK_WATCH = 2.5      # seconds: the lamp blinks once a second
HOLD_SECONDS = 10      # the connecting station's address is held back (less than a request lasts)
TITLE = "Wake-Up Song"
TITLED = Station("Norway", "Morning Tone", "Tells its title", 698,
                 "audiotestsrc is-live=true freq=698 volume=0.5 ! taginject "
                 """'tags="title=\\"%s\\""' ! {out}""" % TITLE)
# Not on the air until the test puts it there.
LATE = Station("Norway", "Harbour Light", "Goes on the air late", 330,
               "audiotestsrc is-live=true freq=330 volume=0.5 ! {out}")


class AccessibilityTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.rig = rig.Rig(tray=True)
        try:
            folder = os.path.join(cls.rig.home, "bus")
            cls.bus = start_session_bus(cls.rig.processes, folder)
            start_accessibility_bus(cls.rig.processes, folder, cls.bus)
            cls.python = python_with_gi()
        except BaseException:
            cls.rig.stop()
            raise
        cls.env = {"DBUS_SESSION_BUS_ADDRESS": cls.bus,
                   # Qt speaks AT-SPI whenever the accessibility bus is there, as under a screen
                   # reader; a desktop turns that on by a setting the test has no need of.
                   "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"}

    @classmethod
    def tearDownClass(cls):
        cls.rig.stop()

    def tearDown(self):
        self.rig.stop_programs()

    def probe(self):
        done = subprocess.run([self.python, os.path.join(HERE, "atspi_probe.py")],
                              env=dict(os.environ, DBUS_SESSION_BUS_ADDRESS=self.bus),
                              capture_output=True, text=True, timeout=120)
        self.assertEqual(done.returncode, 0, done.stderr)
        return json.loads(done.stdout)

    def shown_without_a_name(self, nodes):
        return [(node["role"], node["description"], node["depth"]) for node in nodes
                if node["role"] in CONTROL_ROLES and "showing" in node["states"]
                and not node["name"]]

    def test_every_visible_control_answers_with_a_name(self):
        station = self.rig.servers.station("Fjord Tone")
        folder = self.rig.folder({"channel.dat": "package0\n%s\n" % station.name})
        program = self.rig.start(folder, env=self.env)
        window = program.wait_window()
        nodes = rig.wait_for(lambda: [n for n in self.probe() if n["name"] == station.name and
                                      n["role"] == "table cell"] and self.probe(), rig.TIMEOUT)
        self.assertTrue(nodes, "the station list exposes its stations")
        self.assertEqual(self.shown_without_a_name(nodes), [])
        roles = [n["role"] for n in nodes if "showing" in n["states"]]
        for role, least in (("push button", 10), ("slider", 2), ("combo box", 2),
                            ("radio button", 2), ("check box", 1)):
            self.assertGreaterEqual(roles.count(role), least, role)
        status = {n["name"]: n["description"] for n in nodes if n["role"] == "status bar"}
        self.assertEqual(sorted(status), ["Data activity", "Level meter", "Now playing"])
        self.assertTrue(all(status.values()), "each says what it shows")

        # The browser pane, opened with its toggle.
        program.click(window, *BROWSER_TOGGLE)
        self.assertTrue(rig.wait_for(lambda: program.windows(PANE_TITLE), rig.TIMEOUT))
        nodes = self.probe()
        self.assertIn(PANE_TITLE, [n["name"] for n in nodes if n["depth"] == 1])
        self.assertEqual(self.shown_without_a_name(nodes), [])

        # The message dialog, as a second start shows it.
        second = self.rig.start(folder, env=self.env)
        second.wait_window()
        nodes = rig.wait_for(lambda: [n for n in self.probe()
                                      if n["name"] == "Sonavia is already running"] and
                             self.probe(), rig.TIMEOUT)
        self.assertTrue(nodes, "the message's text")
        self.assertIn(("push button", "OK"), [(n["role"], n["name"]) for n in nodes])
        self.assertEqual(self.shown_without_a_name(nodes), [])

    def tuner_says(self):
        """What screen readers find of the tuner's line."""
        return next((n["description"] for n in self.probe()
                     if n["role"] == "status bar" and n["name"] == "Now playing"), None)

    def test_the_tuner_says_what_plays_and_the_list_marks_what_failed(self):
        servers = self.rig.servers
        TITLED.url, LATE.url = servers.icecast.url(TITLED.mount), servers.icecast.url(LATE.mount)
        servers.icecast.start_feed(TITLED)
        env = dict(self.env, **servers.catalogue_variant("tuner", [TITLED, LATE]))
        radio = Radio(self, self.rig.start(self.rig.folder({"iface.dat": "%d\n" % HUE}), env=env))
        radio.wait_window()

        def brightest(rect, shot=None):
            return max(max(p) for p in radio.area(shot or radio.shot(), rect))

        def says(text):
            return rig.wait_for(lambda: self.tuner_says() == text, rig.TIMEOUT, 0.5)

        def picture_of(row, shot):
            return [radio.pixel(shot, i, sum(row) // 2) for i in range(TREE[0] + 2, TREE[0] + 45)]

        rows = rig.wait_for(lambda: radio.tree_rows(radio.shot()), rig.TIMEOUT)
        with self.subTest("stopped: the line is empty and the lamp dim"):
            self.assertTrue(says("Stopped"))
            self.assertLess(brightest(TUNER_LINE), 100)
            self.assertLess(brightest(LAMP), LIT)

        with self.subTest("connecting: the station's name, and the lamp blinks"):
            hold = os.path.join(self.rig.catalogue.root, "tuner", "Sonavia", "freechannels",
                                "package0", "1.rd.hold")
            with open(hold, "w") as f:
                f.write(str(HOLD_SECONDS))
            try:
                radio.click_entry(rows[0])
                self.assertTrue(says(TITLED.name))
                lamp = {max(map(max, look)) >= LIT for look in radio.looks(LAMP, BLINK_WATCH)}
                self.assertEqual(lamp, {True, False})
            finally:
                os.remove(hold)

        with self.subTest("playing: the station and its title in the hue, scrolled, lamp lit"):
            self.assertTrue(says("%s \u2014 %s" % (TITLED.name, TITLE)))
            looks = radio.looks(TUNER_LINE, 4.0)
            self.assertGreaterEqual(len(set(looks)), 3, "the long line scrolls")
            self.assertEqual(self.tuner_says(), "%s \u2014 %s" % (TITLED.name, TITLE),
                             "the scroll is not a change of status")
            shot = radio.shot()
            self.assertGreaterEqual(brightest(LAMP, shot), LIT)
            light = max(radio.area(shot, TUNER_LINE), key=sum)
            self.assertGreaterEqual(max(light), LIT)
            hue = colorsys.rgb_to_hsv(*(c / 255 for c in light))[0] * 360
            expected = colorsys.rgb_to_hsv(*(c / 255 for c in hue_shifted(TUNER_LIGHT, HUE)))[0]
            self.assertLess(abs(hue - expected * 360), 12, "the line takes the skin's hue")

        with self.subTest("no highlight in the row, pointer over the list or away"):
            for pointer in ((TREE[0] + 150, sum(rows[0]) // 2), (TREE[0] + 150,
                                                                  sum(rows[1]) // 2), (5, 5)):
                radio.move(*pointer)
                time.sleep(0.3)
                shot = radio.shot()
                for row in rows:
                    branch = {radio.pixel(shot, i, j) for i in range(TREE[0] + 2,
                                                                     TREE[0] + BRANCH_COLUMN)
                              for j in range(*row)}
                    self.assertEqual(branch, {WHITE}, "branch column at %s" % (pointer,))
                    right = {radio.pixel(shot, i, sum(row) // 2)
                             for i in range(TREE[0] + 200, TREE[0] + TREE[2] - 20, 5)}
                    self.assertEqual(right, {WHITE})
            self.assertTrue(any(close_to(p, SELECTED_PICTURE, 12) for p in picture_of(rows[0],
                                                                                       shot)))

        with self.subTest("a station that cannot be reached: said, lamp dim, marked"):
            radio.click_entry(rows[1])
            self.assertTrue(says("Cannot reach %s" % LATE.name))
            shot = radio.shot()
            self.assertLess(brightest(LAMP, shot), LIT)
            self.assertTrue(any(close_to(p, FAILED_PICTURE, 12) for p in picture_of(rows[1],
                                                                                     shot)))
            radio.click_entry(rows[0])
            self.assertTrue(says("%s \u2014 %s" % (TITLED.name, TITLE)))
            shot = radio.shot()
            self.assertTrue(any(close_to(p, FAILED_PICTURE, 12) for p in picture_of(rows[1],
                                                                                     shot)),
                            "marked until it plays again")
            self.assertFalse(any(close_to(p, FAILED_PICTURE, 12) for p in picture_of(rows[0],
                                                                                      shot)))

        with self.subTest("on the air again, it plays and loses its mark"):
            servers.icecast.start_feed(LATE)
            radio.click_entry(rows[1])
            self.assertTrue(says(LATE.name))
            self.assertTrue(rig.wait_for(lambda: brightest(LAMP) >= LIT, rig.TIMEOUT))
            shot = radio.shot()
            self.assertFalse(any(close_to(p, FAILED_PICTURE, 12) for p in picture_of(rows[1],
                                                                                      shot)))
            self.assertTrue(any(close_to(p, SELECTED_PICTURE, 12) for p in picture_of(rows[1],
                                                                                       shot)))

        with self.subTest("stopped from the tray: the line is empty again"):
            radio.click(*HIDE)
            radio.wait_hidden()
            radio.tray_menu(2)
            radio.tray_menu(0)
            radio.wait_window()
            self.assertTrue(says("Stopped"))
            self.assertLess(brightest(TUNER_LINE), 100)
            self.assertLess(brightest(LAMP), LIT)


if __name__ == "__main__":
    rig.main()
