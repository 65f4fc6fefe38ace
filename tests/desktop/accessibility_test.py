"""What a screen reader finds of the real program over AT-SPI, with the accessibility bus started
by the test as a desktop session starts it: every visible control of the radio window, of the
message dialog and of the browser pane answers with a name, the station list exposes its
stations, and the level meter and the activity box are described as status areas.

usage: accessibility_test.py PROGRAM ARCHIVE RADIOCAT [unittest arguments]
"""

import json
import os
import subprocess
import unittest

import rig
from session_bus import python_with_gi, start_accessibility_bus, start_session_bus

HERE = os.path.dirname(os.path.abspath(__file__))
# The roles of what a user acts on or reads.
CONTROL_ROLES = {"push button", "check box", "radio button", "slider", "combo box", "text",
                 "tree", "table", "list", "status bar", "label", "dialog", "frame", "filler"}
BROWSER_TOGGLE = (52, 262)
PANE_TITLE = "Sonavia Browser"


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
        self.assertEqual(sorted(status), ["Data activity", "Level meter"])
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


if __name__ == "__main__":
    rig.main()
