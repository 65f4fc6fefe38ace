"""The radio window and its playback as a user meets them: the real program on the rig's desktop,
what it plays (recordings), what it asks the catalogue server (request log), the files it writes
and what the screen shows.

usage: radio_window_test.py PROGRAM ARCHIVE RADIOCAT [unittest arguments]
"""

import colorsys
import os
import re
import subprocess
import time
import unittest

import rig
from dataclasses import replace

from servers import Station

# Where the window puts things (window pixels).
PANEL_SAMPLE = (62, 50)
STORED_PANEL_COLOUR = (134, 202, 240)
COUNTRY_LIST = (84, 35, 301, 22)
TREE = (84, 61, 302, 107)
METER = (473, 97, 98, 45)
METER_GREY = (123, 123, 123)
# Long enough for the meter to show another second's levels.
METER_WAIT = 5
ACTIVITY_BOX = (425, 96, 45, 45)
FILM = (571, 29, 42, 42)
DOWNLOAD_BUTTON = (626, 25, 26, 26)
RANDOM_CHANNEL = (564, 22, 56, 64)
HIDE = (673, 38)
EXIT = (712, 38)
# The tray menu's entries, top to bottom.
TRAY_MENU = ("Open", "Random Channel", "Stop/Resume", "Sleep", "Record", "Exit")
MUTE = (302, 210, 11, 11)
VOLUME_SLIDER = (124, 197, 160, 33)
HUE_SLIDER = (457, 209, 106, 21)
RANDOM_EVERY_START = (229, 184)
BACKGROUND = (430, 190)  # plain panel
# Every control the window shows, which its shape must hold.
CONTROLS = [COUNTRY_LIST, TREE, (183, 251, 185, 22), (501, 251, 231, 20), VOLUME_SLIDER,
            HUE_SLIDER, (83, 179, 11, 11), (224, 179, 11, 11), MUTE, METER, ACTIVITY_BOX, FILM,
            DOWNLOAD_BUTTON, RANDOM_CHANNEL, (656, 21, 34, 34), (695, 21, 34, 34),
            (637, 83, 104, 22), (637, 108, 104, 22), (637, 132, 104, 22), (637, 157, 104, 22),
            (434, 148, 132, 20), (377, 244, 36, 36), (32, 247, 40, 30)]

ROOT_COLOUR = (46, 139, 87)  # a colour the skin has nowhere
WHITE = (255, 255, 255)
SELECTED_PICTURE = (250, 150, 40)  # the orange of the selected entry's picture
TICK = 0.05                  # the window's animation timer
TRAY_FRAME_SECONDS = 1.5
ADDRESS_FILE = re.compile(r"/Sonavia/freechannels/package0/(\d+)\.rd$")
DEFAULT_SETTINGS = b"1\n1\n0\n0\n50\n"


def levels(samples):
    """The level of each 50 ms of the samples."""
    step = int(rig.RATE * TICK)
    return [rig.rms(samples[i:i + step]) for i in range(0, len(samples) - step + 1, step)]


# The level of the demo's sine stations (half of full scale) at volume 100.
SINE_LEVEL = 0.5 / 2 ** 0.5


def hue_shifted(rgb, degrees):
    h, s, v = colorsys.rgb_to_hsv(*(c / 255 for c in rgb))
    return tuple(round(c * 255) for c in colorsys.hsv_to_rgb((h + degrees / 360) % 1, s, v))


def close_to(a, b, tolerance=2):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


def lines(data):
    return (data or b"").decode("latin-1").splitlines()


def startup_pick(stations, moment):
    """The position that start-up random play picks at `moment` (seconds since the epoch): the
    rule of the local clock's seconds and minutes, a second later while it names a station that
    is not offered."""
    for later in range(3600):
        clock = time.localtime(int(moment) + later)
        position = (((clock.tm_sec + clock.tm_min) ^ 3) + 1234) % len(stations)
        if stations[position].offered:
            return position
    return None


class Radio:
    """One run of the program with its radio window: pixels, clicks, the tray and the log."""

    def __init__(self, test, program, catalogue_prefix=""):
        self.test, self.program, self.rig = test, program, test.rig
        self.desktop = self.rig.desktop
        self.prefix = catalogue_prefix
        self.window = None
        self.requests_seen = len(self.rig.catalogue.requests())

    def wait_window(self):
        self.window = self.program.wait_window()
        self.left, self.top, _, _ = self.program.geometry(self.window)
        return self.window

    def wait_hidden(self):
        self.test.assertTrue(rig.wait_for(lambda: not self.program.windows(), rig.TIMEOUT, 0.1),
                             "the radio window closes")

    # The screen.
    def shot(self, png=None):
        return self.desktop.screenshot(png)

    def pixel(self, shot, x, y):
        return shot.pixel(self.left + x, self.top + y)

    def area(self, shot, rect, step=1):
        x, y, width, height = rect
        return tuple(self.pixel(shot, i, j) for j in range(y, y + height, step)
                     for i in range(x, x + width, step))

    def looks(self, rect, seconds, between=None):
        """The distinct looks of the area over `seconds`; `between` runs before each look."""
        seen, deadline = [], time.monotonic() + seconds
        while time.monotonic() < deadline:
            if between:
                between(len(seen))
            seen.append(self.area(self.shot(), rect, 2))
            time.sleep(TICK)
        return seen

    def wait_looks(self, rect, count, timeout=rig.TIMEOUT):
        """Whether the area shows `count` different looks within `timeout` seconds."""
        seen, deadline = set(), time.monotonic() + timeout
        while len(seen) < count and time.monotonic() < deadline:
            seen.add(self.area(self.shot(), rect, 2))
            time.sleep(TICK)
        return len(seen) >= count

    def meter_grey(self, shot):
        """Whether every bar of the level meter is grey."""
        x, y, _, height = METER
        return all(self.pixel(shot, x + 11 * bar + dx, row) == METER_GREY
                   for bar in range(9) for dx in (1, 5, 8) for row in range(y, y + height - 1, 3))

    def tree_rows(self, shot):
        """(top, bottom) of each entry in the tree, by its text."""
        x, y, width, height = TREE
        rows, top = [], None
        for j in range(y + 2, y + height - 2):
            text = any(self.pixel(shot, i, j) != WHITE for i in range(x + 20, x + 200, 2))
            if text and top is None:
                top = j
            elif not text and top is not None:
                rows.append((top, j))
                top = None
        return rows

    def selected_rows(self, shot):
        """The entries that show the selected picture; the rest of their row stays white."""
        return [row for row in self.tree_rows(shot)
                if any(close_to(self.pixel(shot, i, j), SELECTED_PICTURE, 12)
                       for i in range(TREE[0] + 2, TREE[0] + 45) for j in range(*row))]

    def click_entry(self, row):
        self.click(TREE[0] + 150, sum(row) // 2)

    def choose_country(self, index):
        """Opens the country list and takes its entry `index` with the keyboard."""
        self.click(COUNTRY_LIST[0] + 150, COUNTRY_LIST[1] + 11)
        self.test.assertTrue(rig.wait_for(self.other_windows, rig.TIMEOUT), "the list opens")
        self.desktop.xdotool("key", "Home", *["Down"] * index, "Return")
        self.test.assertTrue(rig.wait_for(lambda: not self.other_windows(), rig.TIMEOUT))

    def message(self):
        """The message dialog over the radio window, when one is shown."""
        shown = [w for w in self.program.windows() if w != self.window]
        return shown[0] if shown else None

    def close_message(self):
        message = rig.wait_for(self.message, rig.TIMEOUT)
        self.test.assertTrue(message, "a message is shown")
        _, _, width, height = self.program.geometry(message)
        self.program.click(message, width // 2, height - 25)
        self.test.assertTrue(rig.wait_for(lambda: not self.message(), rig.TIMEOUT))

    def mute_marked(self, shot):
        return self.pixel(shot, MUTE[0] + 5, MUTE[1] + 5) == (0, 0, 0)

    # The mouse and the keyboard.
    def click(self, x, y, button=1):
        self.program.click(self.window, x, y, button)

    def move(self, x, y):
        self.desktop.move(self.left + x, self.top + y)

    def key(self, *keys):
        self.program.key(self.window, *keys)

    def release_hue_at(self, hue):
        """Drags the hue slider from 0 close to `hue` and releases it; where a pixel of the
        slider falls between two hues, the arrow keys, pressed while the slider is held, take
        it there."""
        x, y, width, height = HUE_SLIDER
        start = (x + 5, y + height // 2)
        self.move(*start)
        self.desktop.xdotool("mousedown", 1)
        self.move(start[0] + round(hue * (width - 12) / 360), start[1])
        self.desktop.xdotool("mouseup", 1)
        reached = rig.wait_for(lambda: self.program.file("iface.dat"), rig.TIMEOUT)
        self.test.assertTrue(reached, "a release writes iface.dat")
        reached = int(reached)
        if reached != hue:
            self.desktop.xdotool("mousedown", 1)
            keys = ["Right"] * (hue - reached) if hue > reached else ["Left"] * (reached - hue)
            self.desktop.xdotool("key", *keys)
            self.desktop.xdotool("mouseup", 1)

    # The tray.
    def tray_icon(self):
        icons = rig.wait_for(lambda: len(self.desktop.tray_icons()) == 1, rig.TIMEOUT)
        self.test.assertTrue(icons, "one icon in the tray")
        return self.desktop.tray_icons()[0]

    def click_tray(self, button=1, repeat=1):
        _, x, y, width, height = self.tray_icon()
        self.desktop.click(x + width // 2, y + height // 2, button, repeat)

    def other_windows(self):
        """The program's visible windows other than the radio window and its tray icon."""
        icons = {icon[0] for icon in self.desktop.tray_icons()}
        windows = set(self.desktop.xdotool("search", "--all", "--onlyvisible", "--pid",
                                           self.program.pid, "").split())
        named = set(self.program.windows())
        return [w for w in windows - named if "0x%x" % int(w) not in icons]

    def menus(self):
        """The program's open menus and drop-down lists (tooltips are lower)."""
        return [w for w in self.other_windows() if self.program.geometry(w)[3] >= 40]

    def tray_menu(self, entry):
        """Opens the tray menu with a right click and clicks its entry, by its place in
        TRAY_MENU (0 Open, 1 Random Channel, 2 Stop/Resume)."""
        self.click_tray(3)
        shown = rig.wait_for(self.menus, rig.TIMEOUT)
        self.test.assertTrue(shown, "the tray menu opens")
        # A menu may still be placed and sized just after it appears: click once it stays put.
        places = [self.program.geometry(shown[0])]
        rig.wait_for(lambda: places.append(self.program.geometry(shown[0])) or
                     places[-1] == places[-2], rig.TIMEOUT, 0.1)
        x, y, width, height = places[-1]
        self.desktop.click(x + width // 2, y + height * (2 * entry + 1) // (2 * len(TRAY_MENU)))
        self.test.assertTrue(rig.wait_for(lambda: not self.menus(), rig.TIMEOUT),
                             "the menu closes")

    # The catalogue server.
    def new_requests(self):
        requests = self.rig.catalogue.requests()
        fresh, self.requests_seen = requests[self.requests_seen:], len(requests)
        return fresh

    def new_addresses(self, wait=True):
        """The positions (from 0) of the address files asked for since the last call; with
        `wait`, waits until there is one."""
        pending = []

        def some():
            pending.extend(p for p in self.new_requests() if p.startswith(self.prefix))
            return pending

        if wait:
            self.test.assertTrue(rig.wait_for(some, rig.TIMEOUT), "an address file is asked for")
        else:
            some()
        return [int(ADDRESS_FILE.search(p).group(1)) - 1 for p in pending
                if ADDRESS_FILE.search(p)]

    # The sound.
    def wait_heard(self, station, timeout=rig.TIMEOUT):
        """Waits until the station's tone is what plays."""
        heard = rig.wait_for(lambda: rig.station_playing(
            self.program.recording.wait_for(0.5, 5), self.rig.stations) == station, timeout, 0)
        self.test.assertTrue(heard, "%s is heard" % station.name)

    def wait_silent(self, timeout=rig.TIMEOUT):
        # A stopped player records nothing: then the next half second never comes.
        silent = rig.wait_for(lambda: rig.silent(self.program.recording.wait_for(0.5, 1)),
                              timeout, 0)
        self.test.assertTrue(silent, "the radio falls silent")

    def playing_level(self, seconds=0.5):
        return rig.rms(self.program.recording.wait_for(seconds, 5))


class RadioWindowTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.rig = rig.Rig(tray=True)
        # A coloured desktop shows through where the window has no shape.
        def coloured():
            subprocess.run(["display", "-window", "root", "-size", "8x8",
                            "xc:#%02x%02x%02x" % ROOT_COLOUR], env=cls.rig.desktop.env,
                           capture_output=True, timeout=30)
            return cls.rig.desktop.screenshot().pixel(0, rig.SCREEN[1] - 1) == ROOT_COLOUR

        if not rig.wait_for(coloured, rig.TIMEOUT, 0.5):
            cls.rig.stop()
            raise RuntimeError("the desktop keeps its colour")

    @classmethod
    def tearDownClass(cls):
        cls.rig.stop()

    def tearDown(self):
        self.rig.stop_programs()

    def station(self, name):
        return self.rig.servers.station(name)

    def start(self, files=None, env=None, folder=None, prefix=""):
        radio = Radio(self, self.rig.start(folder or self.rig.folder(files), env=env), prefix)
        radio.wait_window()
        return radio

    def check_shape_holds_the_controls(self, radio, shot):
        for rect in CONTROLS:
            outside = [p for p in radio.area(shot, rect) if p == ROOT_COLOUR]
            self.assertFalse(outside, "the control at %s lies inside the shape" % (rect,))

    def test_first_start_shape_colours_tray_and_what_moves(self):
        radio = self.start()
        self.assertEqual(radio.program.file("setting.dat"), DEFAULT_SETTINGS)
        self.assertEqual(radio.new_addresses(wait=False), [], "no channel.dat: nothing plays")

        # The window manager takes the shape on a moment after it maps the window.
        self.assertTrue(rig.wait_for(lambda: radio.pixel(radio.shot(), 0, 0) == ROOT_COLOUR,
                                     rig.TIMEOUT), "the key colour is no window")
        shot = radio.shot()
        self.assertEqual(radio.pixel(shot, 759, 289), ROOT_COLOUR)
        window = radio.area(shot, (0, 0, 760, 290), 2)
        self.assertNotIn((255, 0, 255), window)
        self.assertGreater(window.count(ROOT_COLOUR), 0)
        self.assertEqual(radio.pixel(shot, *PANEL_SAMPLE), STORED_PANEL_COLOUR,
                         "without iface.dat the skin keeps its stored colours")
        self.check_shape_holds_the_controls(radio, shot)
        self.assertTrue(radio.meter_grey(shot), "nothing plays: the meter is grey")

        # The tray icon shows its next frame every 1.5 s.
        _, x, y, width, height = radio.tray_icon()
        changes, last, deadline = [], None, time.monotonic() + 6 * TRAY_FRAME_SECONDS
        while time.monotonic() < deadline and len(changes) < 4:
            look = radio.shot().rgb
            icon = [look[(j * rig.SCREEN[0] + x) * 3:(j * rig.SCREEN[0] + x + width) * 3]
                    for j in range(y, y + height)]
            if last is not None and icon != last:
                changes.append(time.monotonic())
            last = icon
            time.sleep(0.05)
        self.assertEqual(len(changes), 4, "the icon changes frame")
        between = (changes[-1] - changes[0]) / (len(changes) - 1)
        self.assertAlmostEqual(between, TRAY_FRAME_SECONDS, delta=0.3)

        # The demo site publishes a newer version: the download button flashes.
        self.assertGreaterEqual(len(set(radio.looks(DOWNLOAD_BUTTON, 1.0))), 2)

        # The film runs only while the cursor is over "Random Channel".
        radio.move(*BACKGROUND)
        resting = radio.looks(FILM, 0.2)[-1]
        over = radio.looks(FILM, 1.5, lambda i: radio.move(585 + i % 8, 50 + i % 5))
        self.assertGreaterEqual(len(set(over)), 3, "the film runs under the cursor")
        self.assertTrue(rig.wait_for(lambda: radio.looks(FILM, 0.05, lambda i: radio.move(
            BACKGROUND[0] + i % 8, BACKGROUND[1]))[-1] == resting, rig.TIMEOUT, 0),
            "the film comes back to rest")
        away = radio.looks(FILM, 1.0, lambda i: radio.move(BACKGROUND[0] + i % 8,
                                                           BACKGROUND[1] + i % 5))
        self.assertEqual(set(away), {resting}, "away from the button the film rests")

        # The hue slider released at 120 recolours everything and is remembered.
        radio.release_hue_at(120)
        self.assertTrue(rig.wait_for(lambda: radio.program.file("iface.dat") == b"120\n",
                                     rig.TIMEOUT))
        shifted = hue_shifted(STORED_PANEL_COLOUR, 120)
        self.assertTrue(rig.wait_for(
            lambda: close_to(radio.pixel(radio.shot(), *PANEL_SAMPLE), shifted), rig.TIMEOUT),
            "the panel takes the shifted colour %s" % (shifted,))
        self.check_shape_holds_the_controls(radio, radio.shot())

        radio.click(*EXIT)
        self.assertEqual(radio.program.wait(), 0)
        again = self.start(folder=radio.program.folder)
        self.assertTrue(close_to(again.pixel(again.shot(), *PANEL_SAMPLE), shifted),
                        "a new start keeps the hue")

    def test_start_up_play_fades_in_and_mute_and_volume_agree_with_the_sound(self):
        station = self.station("Fjord Tone")
        radio = self.start({"channel.dat": "package0\n%s\n" % station.name,
                            "setting.dat": "1\n1\n0\n0\n60\n"})
        self.assertEqual(radio.new_addresses(), [station.position])
        radio.wait_heard(station)

        # The fade: from silence after the first buffering, a step a tick, up to line 5.
        target = SINE_LEVEL * 0.60
        self.assertTrue(rig.wait_for(lambda: radio.playing_level(0.25) > target * 0.95,
                                     rig.TIMEOUT, 0), "the volume reaches line 5 of setting.dat")
        fade = levels(radio.program.recording.samples())
        self.assertLess(fade[0], target * 0.05, "the first sound is near silence")
        rising = [i for i, level in enumerate(fade) if level < target * 0.9]
        self.assertGreaterEqual(len(rising), 40, "the volume rises in steps of one")
        self.assertTrue(all(b > a - 0.003 for a, b in zip(fade, fade[1:rising[-1]])),
                        "and never falls")
        self.assertLess(max(fade), target * 1.05, "never above the volume of setting.dat")

        # The meter's levels change once a second and may all be 0 at a moment (at second 0 of
        # a minute most of them are): lit within a few seconds.
        self.assertTrue(rig.wait_for(lambda: not radio.meter_grey(radio.shot()), METER_WAIT, 0.2),
                        "the meter moves while a station plays")
        self.assertTrue(radio.wait_looks(ACTIVITY_BOX, 3),
                        "the activity box moves while packets arrive")

        radio.click(MUTE[0] + 5, MUTE[1] + 5)
        radio.wait_silent()
        shot = radio.shot()
        self.assertTrue(radio.mute_marked(shot))
        self.assertTrue(radio.meter_grey(shot), "muted, the meter is grey")

        # A click right of the volume handle moves the volume up a page: 70.
        radio.click(VOLUME_SLIDER[0] + 150, VOLUME_SLIDER[1] + 16)
        self.assertTrue(rig.wait_for(lambda: abs(radio.playing_level() - SINE_LEVEL * 0.70) <
                                     0.02, rig.TIMEOUT, 0),
                        "moving the volume brings the sound back at the new volume")
        self.assertFalse(radio.mute_marked(radio.shot()), "and removes the mark")
        self.assertTrue(rig.wait_for(lambda: not radio.meter_grey(radio.shot()), METER_WAIT, 0.2))

        # Off the air: no packets, and the activity box stands still (longer than the pauses of
        # a station that plays: up to about 3 s, as the player's buffer fills).
        self.rig.servers.icecast.stop_feed(station)
        try:
            self.assertTrue(rig.wait_for(lambda: len(set(radio.looks(ACTIVITY_BOX, 6.0))) == 1,
                                         rig.TIMEOUT, 0), "the activity box stops")
        finally:
            self.rig.servers.icecast.start_feed(station)

    def test_tray_opens_raises_plays_stops_resumes_and_exits(self):
        station = self.station("Fjord Tone")
        radio = self.start({"channel.dat": "package0\n%s\n" % station.name})
        steady = SINE_LEVEL * 0.5
        self.assertTrue(rig.wait_for(lambda: radio.playing_level() > steady * 0.95, rig.TIMEOUT,
                                     0), "the volume of setting.dat")
        radio.click(*HIDE)
        radio.wait_hidden()
        self.assertEqual(lines(radio.program.file("setting.dat")), ["1", "1", "0", "0", "50"])
        self.assertGreater(min(levels(radio.program.recording.wait_for(1.0))), steady * 0.9,
                           "hidden, the radio plays on")

        # Open: a later opening sets the volume at once, without a new fade from silence.
        radio.tray_menu(0)
        radio.wait_window()
        self.assertGreater(min(levels(radio.program.recording.wait_for(1.5))), steady * 0.9)

        # With the window open every click on the tray brings it back; none opens a second.
        for button, repeat in ((1, 1), (3, 1), (1, 2)):
            radio.desktop.xdotool("windowminimize", "--sync", radio.window)
            radio.click_tray(button, repeat)
            self.assertTrue(rig.wait_for(lambda: "Normal" in radio.program.wm_state(
                radio.window) and radio.desktop.xdotool("getactivewindow").strip() ==
                radio.window, rig.TIMEOUT), "the open window comes to the front")
            self.assertEqual(radio.program.windows(), [radio.window])
            self.assertEqual(radio.menus(), [], "no menu either")

        radio.click(*HIDE)
        radio.wait_hidden()

        # Random Channel with the window hidden: heard within a few seconds.
        radio.new_addresses(wait=False)
        radio.tray_menu(1)
        picked = self.rig.stations[radio.new_addresses()[0]]
        self.assertTrue(picked.offered)
        radio.wait_heard(picked, 10)

        radio.tray_menu(2)
        radio.wait_silent()
        self.assertEqual(radio.new_addresses(wait=False), [])
        radio.tray_menu(2)
        self.assertEqual(radio.new_addresses(), [picked.position], "Resume: the same station")
        radio.wait_heard(picked, 10)

        radio.tray_menu(TRAY_MENU.index("Exit"))
        self.assertEqual(radio.program.wait(), 0, "Exit ends the program")
        self.assertTrue(rig.wait_for(lambda: radio.desktop.tray_icons() == [], rig.TIMEOUT),
                        "and takes its icon away")

    def test_lists_tree_and_random_channel(self):
        # A country whose only station is not offered, first in sorted order, is never listed.
        stations = list(self.rig.stations) + [
            Station("Brazil", "Rio Closed", "Not offered", 440, "", offered=False,
                    url=self.station("Fjord Tone").url)]
        env = self.rig.servers.catalogue_variant("lists", stations)
        radio = self.start(env=env, prefix="/lists/")
        radio.new_addresses(wait=False)

        tree_rows, selected_rows = radio.tree_rows, radio.selected_rows
        listed = []
        for country in range(4):
            radio.choose_country(country)
            rows = tree_rows(radio.shot())
            played = []
            for top, bottom in rows:
                radio.click(TREE[0] + 150, (top + bottom) // 2)
                played += radio.new_addresses()
            self.assertEqual(len(played), len(rows), "each click asks for one address")
            listed.append([stations[p] for p in played])
        countries = sorted({s.country for s in stations if s.offered})
        self.assertEqual(listed[3], listed[2], "three countries, the last one stays")
        self.assertEqual(listed[:3], [[s for s in stations if s.offered and s.country == c]
                                      for c in countries])

        # A click plays the clicked station only; the next key plays the next one, once.
        first, second = listed[-1][:2]
        rows = tree_rows(radio.shot())
        radio.click(TREE[0] + 150, sum(rows[0]) // 2)
        self.assertEqual(radio.new_addresses(), [first.position])
        radio.wait_heard(first)
        self.assertEqual(lines(radio.program.file("channel.dat")), ["package0", first.name])
        self.assertEqual(lines(radio.program.file("tv.dat")), [first.name])
        self.assertEqual(radio.new_addresses(wait=False), [], "one address for one click")
        radio.key("Down")
        self.assertEqual(radio.new_addresses(), [second.position])
        radio.wait_heard(second)
        radio.key("Up")
        # The tree chooses while it handles the key, before the selection is drawn.
        self.assertTrue(rig.wait_for(lambda: [sum(row) // 2 for row in selected_rows(
            radio.shot())] == [sum(rows[0]) // 2], rig.TIMEOUT, 0.1), "the selection moves back")
        self.assertEqual(radio.new_addresses(wait=False), [], "a second key plays nothing")

        # Random Channel plays an offered station and shows it in the lists.
        radio.click(RANDOM_CHANNEL[0] + 28, RANDOM_CHANNEL[1] + 32)
        picked = stations[radio.new_addresses()[0]]
        self.assertTrue(picked.offered)
        radio.wait_heard(picked)
        self.assertEqual(lines(radio.program.file("channel.dat")), ["package0", picked.name])
        selected = selected_rows(radio.shot())
        self.assertEqual(len(selected), 1, "one entry is selected")
        radio.click(TREE[0] + 150, sum(selected[0]) // 2)
        self.assertEqual(radio.new_addresses(), [picked.position], "the selected entry")

        # "Random Selection every start", then Hide: the next start plays at random.
        radio.click(*RANDOM_EVERY_START)
        radio.click(*HIDE)
        radio.wait_hidden()
        self.assertEqual(lines(radio.program.file("channel.dat")), ["package0", "random"])
        self.assertTrue(radio.program.file("setting.dat").startswith(b"0\n"))
        radio.wait_heard(picked)

    # Each of the next tests checks several faults in turn; each fault is a sub-test of its own,
    # so that a program with several of them reports every one.
    def test_the_users_volume_and_mute_survive_hide_reopen_and_exit(self):
        station = self.station("Fjord Tone")
        settings = "1\n1\n0\n0\n80\n"
        radio = self.start({"channel.dat": "package0\n%s\n" % station.name,
                            "setting.dat": settings})
        target = SINE_LEVEL * 0.8
        with self.subTest("Hide during the fade-in saves what the user set"):
            radio.wait_heard(station)
            radio.click(*HIDE)
            radio.wait_hidden()
            self.assertEqual(lines(radio.program.file("setting.dat"))[4], "80")
            self.assertTrue(rig.wait_for(lambda: radio.playing_level() > target * 0.95,
                                         rig.TIMEOUT, 0), "the volume of setting.dat, hidden")
        with self.subTest("a reopened window keeps the volume"):
            radio.tray_menu(0)
            radio.wait_window()
            self.assertGreater(min(levels(radio.program.recording.wait_for(2.5))), target * 0.9)
        with self.subTest("the mute survives Hide and a reopening"):
            radio.click(MUTE[0] + 5, MUTE[1] + 5)
            radio.wait_silent()
            radio.click(*HIDE)
            radio.wait_hidden()
            radio.click_tray(1, 2)
            radio.wait_window()
            self.assertTrue(rig.wait_for(lambda: radio.mute_marked(radio.shot()), rig.TIMEOUT))
            self.assertTrue(rig.silent(radio.program.recording.wait_for(2.0, 5)), "silent")

        self.rig.stop_programs()
        with self.subTest("Exit before a stream buffers saves what the user set"):
            hold = self.hold_address(station, 10)
            try:
                radio = self.start({"channel.dat": "package0\n%s\n" % station.name,
                                    "setting.dat": settings})
                radio.click(*EXIT)
                self.assertEqual(radio.program.wait(), 0)
                self.assertEqual(lines(radio.program.file("setting.dat"))[4], "80")
            finally:
                os.remove(hold)

    def test_stop_resume_and_a_station_that_cannot_be_reached(self):
        station, other = self.station("Fjord Tone"), self.station("Aurora Chord")
        radio = self.start({"channel.dat": "package0\n%s\n" % station.name})
        radio.wait_heard(station)
        radio.click(*RANDOM_EVERY_START)
        radio.click(*HIDE)
        radio.wait_hidden()
        with self.subTest("stopped from the tray, the opened window shows nothing playing"):
            radio.tray_menu(2)
            radio.wait_silent()
            radio.tray_menu(0)
            radio.wait_window()
            self.assertTrue(rig.wait_for(lambda: radio.meter_grey(radio.shot()), rig.TIMEOUT))
            self.assertEqual(len(set(radio.looks(ACTIVITY_BOX, 2.0))), 1, "the box rests")
            self.assertTrue(radio.meter_grey(radio.shot()), "the meter stays grey")
        with self.subTest("Resume with Random Selection every start: the station that played"):
            radio.click(*HIDE)
            radio.wait_hidden()
            self.assertEqual(lines(radio.program.file("channel.dat")), ["package0", "random"])
            radio.new_addresses(wait=False)
            radio.tray_menu(2)
            self.assertEqual(radio.new_addresses(), [station.position])
            radio.wait_heard(station)
        with self.subTest("a station whose address cannot be had stops what played"):
            radio.tray_menu(0)
            radio.wait_window()
            address_file = os.path.join(self.rig.catalogue.root, "Sonavia", "freechannels",
                                        "package0", "%d.rd" % (other.position + 1))
            os.rename(address_file, address_file + ".away")
            try:
                radio.click_entry(radio.tree_rows(radio.shot())[1])
                radio.close_message()
            finally:
                os.rename(address_file + ".away", address_file)
            radio.wait_silent()
            self.assertEqual(lines(radio.program.file("channel.dat")), ["package0", other.name])
            self.assertTrue(rig.wait_for(lambda: radio.meter_grey(radio.shot()), rig.TIMEOUT))

    def test_an_eight_bit_catalogue_in_the_lists_and_random_channel(self):
        # Latin-1 names and countries, countries that sort only as a reader sorts them, and a
        # country with more stations than the list shows at once.
        fjord, aurora = self.station("Fjord Tone"), self.station("Aurora Chord")
        stations = [replace(fjord, country="Zambia", name="Zed Tone"),
                    replace(aurora, country="\u00d6sterreich", name="Bj\u00f6rn FM")]
        stations += [replace(s, country="belgium", name="Brussel %d" % i)
                     for i, s in enumerate(self.rig.stations[:-1] * 2)][:8]
        env = self.latin1_variant("latin", stations)
        radio = self.start(env=env, prefix="/latin/")
        radio.new_addresses(wait=False)

        def first_of_country(index):
            radio.choose_country(index)
            rows = radio.tree_rows(radio.shot())
            if not rows:
                return None
            radio.click_entry(rows[0])
            return stations[radio.new_addresses()[0]].name

        with self.subTest("countries sort as a reader sorts them, each list opens at its top"):
            self.assertEqual([first_of_country(i) for i in range(3)],
                             ["Brussel 0", "Bj\u00f6rn FM", "Zed Tone"])
        with self.subTest("a Latin-1 station lists, plays and is remembered by its own bytes"):
            self.assertEqual(first_of_country(1), "Bj\u00f6rn FM")
            radio.wait_heard(aurora)
            self.assertEqual(radio.program.file("channel.dat"), b"package0\nBj\xf6rn FM")
            self.assertEqual(radio.program.file("tv.dat"), b"Bj\xf6rn FM")
        with self.subTest("only the picture marks the selected entry"):
            shot = radio.shot()
            row = radio.selected_rows(shot)
            self.assertEqual(len(row), 1)
            self.assertEqual({radio.pixel(shot, x, sum(row[0]) // 2)
                              for x in range(TREE[0] + 200, TREE[0] + TREE[2] - 20, 5)}, {WHITE})
        with self.subTest("Random Channel always changes the station"):
            playing = None
            for press in range(8):
                radio.click(RANDOM_CHANNEL[0] + 28, RANDOM_CHANNEL[1] + 32)
                picked = radio.new_addresses()
                self.assertNotEqual(picked[-1], playing, "press %d" % press)
                playing = picked[-1]

    def test_a_held_address_file_holds_nothing_up(self):
        station, held = self.station("Fjord Tone"), self.station("Aurora Chord")
        radio = self.start({"channel.dat": "package0\n%s\n" % station.name})
        radio.wait_heard(station)
        with self.subTest("Mute and Hide act at once while an address file is held"):
            hold = self.hold_address(held, 15)
            try:
                radio.click_entry(radio.tree_rows(radio.shot())[1])
                start = time.monotonic()
                radio.click(MUTE[0] + 5, MUTE[1] + 5)
                self.assertTrue(rig.wait_for(lambda: radio.mute_marked(radio.shot()), 1.0))
                radio.click(*HIDE)
                radio.wait_hidden()
                self.assertLess(time.monotonic() - start, 5)
            finally:
                os.remove(hold)

        self.rig.stop_programs()
        with self.subTest("Exit while the shopping list is held ends at once, and cleanly"):
            shopping = os.path.join(self.rig.catalogue.root, "Sonavia", "shopping.rd.hold")
            with open(shopping, "w") as f:
                f.write("15")
            try:
                radio = self.start()
                radio.click(*EXIT)
                exit_clicked = time.monotonic()
                self.assertEqual(radio.program.wait(), 0)
                self.assertLess(time.monotonic() - exit_clicked, 2.0)
            finally:
                os.remove(shopping)

    def hold_address(self, station, seconds):
        """Has the catalogue server hold the station's address file; returns the hold file."""
        hold = os.path.join(self.rig.catalogue.root, "Sonavia", "freechannels", "package0",
                            "%d.rd.hold" % (station.position + 1))
        with open(hold, "w") as f:
            f.write(str(seconds))
        return hold

    def latin1_variant(self, name, stations):
        """A catalogue variant whose texts are Latin-1, as an 8-bit catalogue saved so has them."""
        env = self.rig.servers.catalogue_variant(name, stations)
        path = os.path.join(self.rig.catalogue.root, name, "Sonavia", "channelsplus",
                            "channels.rd")
        with open(path, "rb") as f:
            text = f.read().decode("utf-8")
        with open(path, "wb") as f:
            f.write(text.encode("latin-1"))
        return env

    def test_random_start_ups_follow_the_clock(self):
        # Two starts with "random" and one whose package is greater than the current one, each
        # with a catalogue of its own to tell their requests apart.
        starts = {"random-a": "package0\nrandom\n", "random-b": "package0\nrandom\n",
                  "package-9": "package9\nFjord Tone\n"}
        radios = {}
        for name, choice in starts.items():
            runtime = os.path.join(self.rig.home, "runtime-" + name)
            os.mkdir(runtime, 0o700)
            env = dict(self.rig.servers.catalogue_variant(name, self.rig.stations),
                       XDG_RUNTIME_DIR=runtime)
            program = self.rig.start(self.rig.folder({"channel.dat": choice}), env=env)
            radios[name] = Radio(self, program, "/%s/" % name)

        picks = {}
        for name, radio in radios.items():
            radio.wait_window()

            def address_request():
                return [(int(ADDRESS_FILE.search(path).group(1)) - 1, moment)
                        for path, moment in self.rig.catalogue.timed_requests()
                        if path.startswith(radio.prefix) and ADDRESS_FILE.search(path)]

            self.assertTrue(rig.wait_for(address_request, rig.TIMEOUT))
            position, moment = address_request()[0]
            # The pick reads the clock just before its request goes out.
            rule = {startup_pick(self.rig.stations, moment),
                    startup_pick(self.rig.stations, moment - 0.3)}
            self.assertIn(position, rule, "%s picks by the clock" % name)
            # The second the clock was read in, when the request leaves no doubt of it.
            seconds = {int(moment), int(moment - 0.3)}
            picks[name] = (seconds.pop() if len(seconds) == 1 else None, position)
            radio.wait_heard(self.rig.stations[position])
        if picks["random-a"][0] is not None and picks["random-a"][0] == picks["random-b"][0]:
            self.assertEqual(picks["random-a"][1], picks["random-b"][1])

    def test_catalogues_that_offer_nothing(self):
        variants = {"nothing-offered": self.rig.servers.catalogue_variant(
            "nothing-offered", self.rig.stations, flags=False),
            "empty": self.rig.servers.catalogue_variant("empty", [])}
        for name, env in variants.items():
            radio = self.start({"channel.dat": "package0\nrandom\n"}, env=env,
                               prefix="/%s/" % name)
            # No text in either list.
            shot = radio.shot()
            for x, y, width, height in (TREE, COUNTRY_LIST):
                inside = radio.area(shot, (x + 3, y + 3, width - 30, height - 6))
                self.assertFalse([p for p in inside if max(p) < 100], "%s: lists" % name)
            radio.click(RANDOM_CHANNEL[0] + 28, RANDOM_CHANNEL[1] + 32)
            radio.click(*HIDE)
            radio.wait_hidden()
            radio.tray_menu(1)
            radio.tray_menu(0)
            radio.wait_window()
            self.assertEqual(radio.new_addresses(wait=False), [], "%s: nothing plays" % name)
            self.assertEqual(radio.program.recording.seconds(), 0)
            radio.click(*EXIT)
            self.assertEqual(radio.program.wait(), 0)

    def test_without_a_player_the_program_ends_showing_nothing(self):
        empty = os.path.join(self.rig.home, "no-plugins")
        os.makedirs(empty, exist_ok=True)
        program = self.rig.start(self.rig.folder({"channel.dat": "package0\nFjord Tone\n"}), env={
            "GST_PLUGIN_PATH": empty, "GST_PLUGIN_SYSTEM_PATH": empty,
            "GST_REGISTRY": os.path.join(empty, "registry.bin")})
        self.assertEqual(program.wait(), 0)
        self.assertEqual(program.windows(visible=False), [])
        self.assertEqual(self.rig.desktop.tray_icons(), [])
        self.assertIsNone(program.file("setting.dat"))


if __name__ == "__main__":
    rig.main()
