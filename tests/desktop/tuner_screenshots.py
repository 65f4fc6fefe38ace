"""Takes the pictures of the radio window's tuner as the real program shows it on the rig's
desktop: a station playing whose stream names its title, a station connecting, a station that
cannot be reached (marked in the list), and the radio stopped from the tray.

usage: tuner_screenshots.py PROGRAM ARCHIVE RADIOCAT [FOLDER]   (FOLDER: docs/ by default)

Run with QT_SCALE_FACTOR=2 for the pictures of a dense screen, named "...@2x.png".
"""

import math
import os
import sys
import time

import rig
from servers import Station, free_port
from readme_screenshots import KEY, SCALE, crop, picture, scaled, set_desktop

TITLE = "Wake-Up Song"
TITLED = Station("Norway", "Morning Tone", "Tells its title", 698,
                 "audiotestsrc is-live=true freq=698 volume=0.5 ! taginject "
                 """'tags="title=\\"%s\\""' ! {out}""" % TITLE)
# Listed, but nothing answers at its address.
UNREACHABLE = Station("Norway", "Harbour Light", "Off the air", 0, "", mount="/harbour.ogg")
# Window pixels: the tuner's lamp and line, the station list, the "Hide" button.
LAMP = (488, 25, 62, 16)
LINE = (408, 42, 138, 12)
TREE = (84, 61, 302, 107)
HIDE = (673, 38)
LIT = 200                 # the lit lamp's brightest channel reaches it, the dim lamp's not
WHITE = (255, 255, 255)
HOLD_SECONDS = 4          # how long the connecting station's address is held back
CONNECT_TIME = 1.2        # seconds into connecting before the lamp is looked at
TITLE_TIME = 2.0          # seconds of playing before the title is in
REST_CHECK = 0.2          # seconds between two looks at the line that show it at rest
AWAY = (5, 5)             # where the pointer rests for a picture
OPEN, STOP_RESUME = 0, 2  # entries of the tray's menu
MENU_ENTRIES = 6
MENU_SETTLE = 0.5         # seconds for a menu to take its place


def lamp_lit(program, window):
    """Whether the lamp's brightest pixel is the lit lamp's."""
    x, y, width, height = LAMP
    shot = program.rig.desktop.screenshot()
    left, top, _, _ = program.geometry(window)
    return max(max(shot.pixel(left + scaled(i)[0], top + scaled(j)[0]))
               for i in range(x, x + width) for j in range(y, y + height)) >= LIT


def rows(program, window):
    """(top, bottom) of each entry of the station list, in window pixels."""
    shot = program.rig.desktop.screenshot()
    left, top, _, _ = program.geometry(window)
    x, y, width, height = TREE
    found, start = [], None
    for j in range(y + 2, y + height - 2):
        text = any(shot.pixel(left + scaled(i)[0], top + scaled(j)[0]) != WHITE
                   for i in range(x + 20, x + 200, 2))
        if text and start is None:
            start = j
        elif not text and start is not None:
            found.append((start, j))
            start = None
    return found


def line_at_rest(program, window):
    """Whether the tuner's line shows text that stands still (a long line rests at its start
    before each pass)."""
    def line():
        shot = program.rig.desktop.screenshot()
        left, top, _, _ = program.geometry(window)
        x, y, width, height = LINE
        return [shot.pixel(left + scaled(i)[0], top + scaled(j)[0])
                for i in range(x, x + width) for j in range(y, y + height)]

    first = line()
    time.sleep(REST_CHECK)
    return first == line() and max(max(p) for p in first) >= LIT


def tray_menu(desk, program, entry):
    """Opens the tray's menu (the radio window hidden) and clicks its entry."""
    _, x, y, width, height = desk.desktop.tray_icons()[0]
    desk.desktop.click(x + width // 2, y + height // 2, 3)
    menus = rig.wait_for(lambda: [w for w in desk.desktop.xdotool(
        "search", "--all", "--onlyvisible", "--pid", program.pid, "").split()
        if program.geometry(w)[3] >= 40], rig.TIMEOUT)
    time.sleep(MENU_SETTLE)
    mx, my, mwidth, mheight = program.geometry(menus[0])
    desk.desktop.click(mx + mwidth // 2, my + mheight * (2 * entry + 1) // (2 * MENU_ENTRIES))
    rig.wait_for(lambda: not [w for w in desk.desktop.xdotool(
        "search", "--all", "--onlyvisible", "--pid", program.pid, "").split()
        if program.geometry(w)[3] >= 40 and w not in program.windows()], rig.TIMEOUT)


def take(desk, program, window, folder, name):
    desk.desktop.move(*AWAY)
    left, top, width, height = program.geometry(window)
    crop(desk, picture(folder, name), (left, top, width, height), KEY)


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    rig.BUILD = rig.Build(*(os.path.realpath(path) for path in sys.argv[1:4]))
    folder = os.path.realpath(sys.argv[4] if len(sys.argv) > 4 else "docs")
    rig.SCREEN = tuple(int(math.ceil(v * SCALE)) for v in rig.SCREEN)
    desk = rig.Rig(tray=True)
    try:
        set_desktop(desk, KEY)
        TITLED.url = desk.servers.icecast.url(TITLED.mount)
        desk.servers.icecast.start_feed(TITLED)
        UNREACHABLE.url = "http://127.0.0.1:%d%s" % (free_port(), UNREACHABLE.mount)
        stations = [TITLED, UNREACHABLE] + [s for s in desk.stations if s.country == "Norway"]
        env = desk.servers.catalogue_variant("tuner", stations)
        program = desk.start(desk.folder(), env)
        window = program.wait_window()
        listed = rig.wait_for(lambda: rows(program, window), rig.TIMEOUT)

        # Connecting: the station's address is held back; taken while the lamp is lit.
        hold = os.path.join(desk.catalogue.root, "tuner", "Sonavia", "freechannels", "package0",
                            "1.rd.hold")
        with open(hold, "w") as f:
            f.write(str(HOLD_SECONDS))
        program.click(window, *scaled(TREE[0] + 150, sum(listed[0]) // 2))
        time.sleep(CONNECT_TIME)
        rig.wait_for(lambda: lamp_lit(program, window), rig.TIMEOUT, 0.05)
        take(desk, program, window, folder, "window-connecting")
        os.remove(hold)

        # Playing, and the stream has named its title.
        rig.wait_for(lambda: lamp_lit(program, window) and not rig.silent(
            program.recording.wait_for(0.3, 5)), rig.TIMEOUT)
        time.sleep(TITLE_TIME)
        rig.wait_for(lambda: line_at_rest(program, window), rig.TIMEOUT, 0)
        take(desk, program, window, folder, "window-playing")

        # The unreachable station, clicked in the list.
        program.click(window, *scaled(TREE[0] + 150, sum(listed[1]) // 2))
        rig.wait_for(lambda: not lamp_lit(program, window), rig.TIMEOUT)
        time.sleep(1.0)
        take(desk, program, window, folder, "window-failed")

        # The titled station again, stopped from the tray's menu, and the window opened again.
        program.click(window, *scaled(TREE[0] + 150, sum(listed[0]) // 2))
        rig.wait_for(lambda: lamp_lit(program, window), rig.TIMEOUT)
        program.click(window, *scaled(*HIDE))
        rig.wait_for(lambda: not program.windows(), rig.TIMEOUT)
        tray_menu(desk, program, STOP_RESUME)
        rig.wait_for(lambda: rig.silent(program.recording.wait_for(0.5, 1)), rig.TIMEOUT)
        tray_menu(desk, program, OPEN)
        window = program.wait_window()
        time.sleep(1.0)
        take(desk, program, window, folder, "window-stopped")
    finally:
        desk.stop()


if __name__ == "__main__":
    main()
