"""Where the desktop has no tray, the program stays within the user's reach: "Hide" sends the radio
window to the task bar and the window manager's close ends the program; a tray that appears later
takes the program in as usual.

usage: no_tray_test.py PROGRAM ARCHIVE RADIOCAT
"""

import os
import unittest

import rig

# The centre of the "Hide" button (its bitmap is 34 x 34 at (656, 21)).
HIDE_BUTTON = (656 + 17, 21 + 17)
STATION_TREE = (84, 61, 301, 106)


class NoTrayTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.rig = rig.Rig(tray=False)

    @classmethod
    def tearDownClass(cls):
        cls.rig.stop()

    def tearDown(self):
        self.rig.desktop.stop_tray()
        self.rig.stop_programs()

    def heard(self, program):
        """The station that the program's next second of sound comes from, once one is heard
        (the sound fades in after a start)."""
        found = []
        rig.wait_for(lambda: found.append(rig.station_playing(program.recording.wait_for(1.0),
                                                              self.rig.stations)) or found[-1],
                     rig.TIMEOUT)
        return found[-1]

    def start_playing(self, station):
        program = self.rig.start(self.rig.folder({"channel.dat": "package0\n" + station.name}))
        window = program.wait_window()
        self.assertEqual(self.heard(program), station)
        return program, window

    def tree_pixels(self, program, window):
        left, top, _, _ = program.geometry(window)
        shot = self.rig.desktop.screenshot()
        x, y, width, height = STATION_TREE
        return [shot.pixel(left + x + dx, top + y + dy)
                for dy in range(0, height, 4) for dx in range(0, width, 8)]

    def test_hide_minimises_and_the_window_managers_close_exits(self):
        station = self.rig.stations[2]
        program, window = self.start_playing(station)
        tree = self.tree_pixels(program, window)

        program.click(window, *HIDE_BUTTON)
        self.assertTrue(rig.wait_for(lambda: "Iconic" in program.wm_state(window), rig.TIMEOUT),
                        program.wm_state(window))
        self.assertEqual(program.windows(), [])
        self.assertEqual(self.heard(program), station)

        # Restored from the task bar: the same window, the same station selected.
        self.rig.desktop.xdotool("windowactivate", "--sync", window)
        self.assertTrue(rig.wait_for(lambda: "Normal" in program.wm_state(window), rig.TIMEOUT))
        self.assertEqual(program.windows(), [window])
        self.assertEqual(self.tree_pixels(program, window), tree)

        # Alt+F4 reaches the window manager, whose close ends the program and saves the settings.
        os.remove(os.path.join(program.folder, "setting.dat"))
        self.rig.desktop.xdotool("windowactivate", "--sync", window)
        self.rig.desktop.xdotool("key", "--clearmodifiers", "alt+F4")
        self.assertEqual(program.wait(), 0)
        # The last line is the volume slider's position, which the fade-in may still be raising.
        self.assertRegex(program.file("setting.dat"), rb"^1\n1\n0\n0\n[0-9]+$")

    def test_a_tray_that_appears_later_takes_the_program_in(self):
        station = self.rig.stations[0]
        program, window = self.start_playing(station)
        self.assertEqual(self.rig.desktop.tray_icons(), [])

        self.rig.desktop.start_tray()
        self.assertTrue(rig.wait_for(lambda: len(self.rig.desktop.tray_icons()) == 1, rig.TIMEOUT))
        program.click(window, *HIDE_BUTTON)
        self.assertTrue(rig.wait_for(lambda: not program.windows(visible=False), rig.TIMEOUT))
        self.assertTrue(program.running())
        self.assertEqual(self.heard(program), station)

        # The tray's double-click opens the window again.
        _, x, y, width, height = self.rig.desktop.tray_icons()[0]
        self.rig.desktop.xdotool("mousemove", "--sync", x + width // 2, y + height // 2,
                                 "click", "--repeat", 2, "--delay", 80, 1)
        self.assertTrue(program.wait_window())


if __name__ == "__main__":
    rig.main()
