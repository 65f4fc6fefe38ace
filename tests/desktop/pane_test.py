"""The radio window's links, web search, shopping list and browser pane, in the real program.

usage: pane_test.py PROGRAM ARCHIVE RADIOCAT
"""

import os
import time
import unittest
import urllib.parse

import rig
from servers import free_port

PANE_NAME = "Sonavia Browser"
# Points inside the radio window (the layout's controls, at their centres).
WEBSITE, HELP, WATCH_TV = (689, 143), (689, 119), (689, 168)
SHOPPING, UPGRADE, DOWNLOAD = (689, 94), (500, 158), (639, 38)
HIDE, GO, TOGGLE = (673, 38), (395, 262), (52, 262)
SEARCH_BOX, SHOPPING_LIST = (275, 262), (616, 261)
# Where the open shopping list shows its topics: below the heading, which lies over the list box.
TOPICS_LEFT, TOPICS_TOP, TOPICS_WIDTH, TOPICS_HEIGHT = 501, 275, 231, 200
BACKGROUND = PANEL_SAMPLE = (62, 50)
HUE_SLIDER = (540, 219)
PANEL_COLOUR = (134, 202, 240)   # at hue 0
PAGE_COLOUR = (240, 240, 240)   # the site's pages, style.css
# The pane by the radio window's place and size and the screen's height.
SIDE_INSET, OVERLAP, SCREEN_MARGIN, VIEW_MARGIN = 12, 8, 32, 6
TOOLTIP_SHOWN = 0.7   # seconds a skin button's tooltip stays, and then some
QUIET = 1.5   # seconds in which a request that should not come has not come


def session_processes(pid):
    """The names of the processes of the program's session: the program and its helpers."""
    names = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % entry) as f:
                stat = f.read()
        except OSError:
            continue
        name = stat[stat.index("(") + 1:stat.rindex(")")]
        if int(stat[stat.rindex(")") + 2:].split()[3]) == pid:
            names.append(name)
    return names


def web_engine_runs(program):
    return any(name.startswith("QtWebEngine") for name in session_processes(program.pid))


class PaneTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.rig = rig.Rig(tray=True)
        cls.site = cls.rig.site

    @classmethod
    def tearDownClass(cls):
        cls.rig.stop()

    def tearDown(self):
        self.rig.stop_programs()

    def start(self, env=None):
        """The program and its radio window; the site's log starts empty."""
        self.rig.catalogue.clear_log()
        program = self.rig.start(env=env)
        window = program.wait_window()
        self.site.clear_log()
        return program, window

    def wait_request(self, prefix):
        """The first site request since the log was cleared that starts with `prefix`."""
        found = rig.wait_for(lambda: [p for p in self.site.requests() if p.startswith(prefix)],
                             rig.TIMEOUT, 0.1)
        self.assertTrue(found, "%s requested; the site saw %s" % (prefix, self.site.requests()))
        return found[0]

    def click_expecting(self, program, window, point, path):
        # A button's tooltip lies over the buttons below it for a while: let it go first.
        self.rig.desktop.xdotool("mousemove", "--window", window, *BACKGROUND)
        time.sleep(TOOLTIP_SHOWN)
        self.site.clear_log()
        program.click(window, *point)
        self.assertEqual(self.wait_request(path), path)

    def wait_page_shown(self, program, pane, png=None):
        """The pane shows a page of the site within its 6-pixel frame of the panel colour."""
        _, _, width, height = program.geometry(pane)

        def shown():
            screen = self.rig.desktop.screenshot(png)
            inside = program.pixel(pane, width // 2, height - 3 * VIEW_MARGIN, screen)
            frame = program.pixel(pane, VIEW_MARGIN // 2, height // 2, screen)
            panel = program.pixel(program.windows()[0], *PANEL_SAMPLE, screen)
            return inside == PAGE_COLOUR and frame == panel
        self.assertTrue(rig.wait_for(shown, rig.TIMEOUT, 0.3), "the pane shows the page")

    def drag(self, program, window):
        """Drags the window by its background 100 pixels right and down; its new place."""
        x, y, _, _ = program.geometry(window)
        desk = self.rig.desktop
        desk.xdotool("mousemove", x + BACKGROUND[0], y + BACKGROUND[1], "sleep", 0.2,
                     "mousedown", 1)
        for step in range(1, 11):
            desk.xdotool("mousemove", "--sync", x + BACKGROUND[0] + 10 * step,
                         y + BACKGROUND[1] + 10 * step)
        desk.xdotool("mouseup", 1)
        rig.wait_for(lambda: program.geometry(window)[:2] != (x, y), 2, 0.1)
        return program.geometry(window)[:2]

    def open_from_tray(self):
        icon = self.rig.desktop.tray_icons()[0]
        self.rig.desktop.xdotool("mousemove", "--sync", icon[1] + icon[3] // 2,
                                 icon[2] + icon[4] // 2, "click", "--repeat", 2, "--delay", 80, 1)

    def open_list(self, window):
        # Not rig's click: its synchronous move waits for ever when the pointer is there already.
        self.rig.desktop.xdotool("mousemove", "--window", window, *SHOPPING_LIST, "click", 1)

    def choose_topic(self, program, window, keys):
        """Opens the shopping list, moves through it with `keys` and takes that entry."""
        self.open_list(window)
        self.rig.desktop.xdotool("sleep", 0.3, "key", *keys)
        self.rig.desktop.xdotool("key", "Return")

    def list_picture(self, program, window):
        """The open shopping list below its heading, as (r, g, b) rows; the list is closed."""
        self.open_list(window)
        time.sleep(0.8)
        x, y, _, _ = program.geometry(window)
        screen = self.rig.desktop.screenshot()
        rows = [tuple(screen.pixel(x + TOPICS_LEFT + dx, y + TOPICS_TOP + dy)
                      for dx in range(0, TOPICS_WIDTH, 3))
                for dy in range(0, TOPICS_HEIGHT, 2)]
        self.rig.desktop.xdotool("key", "Escape")
        return rows

    def test_links_open_their_pages_in_the_pane_below_the_window(self):
        program, window = self.start()
        self.assertTrue(rig.wait_for(lambda: "/Sonavia/shopping.rd" in
                                     self.rig.catalogue.requests(), rig.TIMEOUT, 0.1))
        self.assertFalse(web_engine_runs(program), "no web engine before the pane opens")
        self.assertEqual(program.windows(PANE_NAME), [])

        self.click_expecting(program, window, WEBSITE, "/sonavia/index.php")
        pane = program.wait_window(PANE_NAME)
        self.assertTrue(web_engine_runs(program))
        x, y, width, height = program.geometry(window)
        self.assertEqual(y, 0, "the radio window moved to the top edge")
        bottom = y + height
        self.assertEqual(program.geometry(pane),
                         (x + SIDE_INSET, bottom - OVERLAP, width - 2 * SIDE_INSET,
                          rig.SCREEN[1] - SCREEN_MARGIN - (bottom - OVERLAP)))
        self.wait_page_shown(program, pane, os.path.join(self.rig.home, "pane.png"))

        for point, path in ((HELP, "/sonavia/support.php"), (DOWNLOAD, "/sonavia/download.php"),
                            (UPGRADE, "/sonavia/color.php"), (WATCH_TV, "/sonavia/watchtv.php"),
                            (SHOPPING, "/sonavia//store.php")):
            self.click_expecting(program, window, point, path)
            self.wait_page_shown(program, pane)
        self.assertEqual(program.windows(PANE_NAME), [pane])

        # A new hue: the pane's frame takes the window's new panel colour.
        program.click(window, *HUE_SLIDER)

        def frame_follows():
            screen = self.rig.desktop.screenshot()
            panel = program.pixel(window, *PANEL_SAMPLE, screen)
            frame = program.pixel(pane, VIEW_MARGIN // 2, VIEW_MARGIN * 10, screen)
            return panel != PANEL_COLOUR and frame == panel
        self.assertTrue(rig.wait_for(frame_follows, 10, 0.3), "the frame has the new hue")

        # Not dragged while the pane is open; dragged once the toggle has closed it.
        self.assertEqual(self.drag(program, window), (x, y))
        program.click(window, *TOGGLE)
        self.assertTrue(rig.wait_for(lambda: not program.windows(PANE_NAME), 5, 0.1))
        self.assertNotEqual(self.drag(program, window), (x, y))
        self.click_expecting(program, window, TOGGLE, "/sonavia/index.php")
        self.assertEqual(program.wait_window(PANE_NAME), pane)
        self.assertEqual(program.geometry(window)[1], 0)

        # "Hide" takes the pane along; the next radio window opens it again on the start page.
        program.click(window, *HIDE)
        self.assertTrue(rig.wait_for(lambda: not program.windows() and
                                     not program.windows(PANE_NAME), 5, 0.1))
        self.site.clear_log()
        self.open_from_tray()
        window = program.wait_window()
        self.assertEqual(self.wait_request("/sonavia/index.php"), "/sonavia/index.php")
        pane = program.wait_window(PANE_NAME)
        self.assertEqual(program.geometry(window)[1], 0)
        self.wait_page_shown(program, pane)

    def test_search_and_shopping_topics_from_the_server(self):
        program, window = self.start()
        self.click_expecting(program, window, GO, "/websearch/")
        program.click(window, *SEARCH_BOX)
        program.type(window, "a b&c #1")
        self.site.clear_log()
        program.click(window, *GO)
        request = urllib.parse.urlsplit(self.wait_request("/websearch/search?"))
        self.assertEqual(urllib.parse.parse_qs(request.query)["q"], ["a b&c #1"])

        # The server's topics are written in lower case, "portable radios" first.
        self.site.clear_log()
        self.choose_topic(program, window, ["Down"])
        self.assertEqual(self.wait_request("/shopping/"), "/shopping/Portable-radios/")
        self.site.clear_log()
        self.choose_topic(program, window, ["Down"])
        self.assertEqual(self.wait_request("/shopping/"), "/shopping/Headphones/")
        self.site.clear_log()
        self.choose_topic(program, window, ["Home"])
        time.sleep(QUIET)
        self.assertEqual(self.site.requests(), [], "the heading opens nothing")

    def test_shopping_topics_from_the_archive(self):
        # A catalogue server that answers the list with a web page: the archive's list, whose
        # fourth topic is "speakers".
        folder = os.path.join(self.rig.catalogue.root, "signin", "Sonavia")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "shoppingroot.all"), "w") as f:
            f.write(self.site.url("/") + "\n")
        with open(os.path.join(folder, "shopping.rd"), "w") as f:
            f.write("<html><body>Please sign in.</body></html>\n")
        program, window = self.start(
            {"SONAVIA_CATALOGUE_BASE": self.rig.catalogue.url("/signin/")})
        self.assertTrue(rig.wait_for(lambda: "/signin/Sonavia/shopping.rd" in
                                     self.rig.catalogue.requests(), rig.TIMEOUT, 0.1))
        archived = self.list_picture(program, window)
        self.choose_topic(program, window, ["Down", "Down", "Down"])
        self.assertEqual(self.wait_request("/shopping/"), "/shopping/Speakers/")
        self.rig.stop_programs()

        # No catalogue server at all: the same list.
        program, window = self.start(
            {"SONAVIA_CATALOGUE_BASE": "http://127.0.0.1:%d/" % free_port()})
        self.assertTrue(rig.wait_for(lambda: self.list_picture(program, window) == archived,
                                     rig.TIMEOUT, 0.5),
                        "the archive's list when the server is down")
        self.rig.stop_programs()

        program, window = self.start()
        self.assertTrue(rig.wait_for(lambda: "/Sonavia/shopping.rd" in
                                     self.rig.catalogue.requests(), rig.TIMEOUT, 0.1))
        self.assertNotEqual(self.list_picture(program, window), archived,
                            "the server's list looks different")


if __name__ == "__main__":
    rig.main()
