"""Takes the README's pictures of the real program on the rig's desktop: the radio window playing
at hues 0, 120 and 240 (on a transparent background), the program in the tray with its tooltip
naming what plays, and the tray menu.

usage: readme_screenshots.py PROGRAM ARCHIVE RADIOCAT [FOLDER]   (FOLDER: docs/ by default)

Run with QT_SCALE_FACTOR=2 for the pictures of a dense screen: the program draws at twice the
size on a desktop twice as large, and the pictures are named "...@2x.png".
"""

import math
import os
import subprocess
import sys
import tempfile
import time

import rig
from servers import Station

# A station whose stream names what it plays, for the tray's tooltip.
TITLED = Station("Norway", "Morning Tone", "Tells its title", 698,
                 "audiotestsrc is-live=true freq=698 volume=0.5 ! taginject "
                 """'tags="title=\\"Wake-Up Song\\""' ! {out}""")

KEY = "#ff00ff"          # the skin's key colour: no pixel of the window has it
DESKTOP = "#3c4650"      # behind the tray
METER = (473, 97)        # a pixel of the level meter's first bar
MARGIN = 12
TITLE_TIME = 2.0      # seconds of playing before the tooltip is looked at
# The program's scale on the screen: window pixels are this many screen pixels.
SCALE = float(os.environ.get("QT_SCALE_FACTOR", "1"))
SUFFIX = "" if SCALE == 1 else "@%gx" % SCALE


def scaled(*window_pixels):
    """Screen pixels inside the window from window pixels."""
    return tuple(int(round(v * SCALE)) for v in window_pixels)


def picture(folder, name):
    return os.path.join(folder, name + SUFFIX + ".png")


def set_desktop(desk, colour):
    def shown():
        subprocess.run(["display", "-window", "root", "-size", "8x8", "xc:" + colour],
                       env=desk.desktop.env, capture_output=True, timeout=30)
        rgb = desk.desktop.screenshot().pixel(0, rig.SCREEN[1] - 1)
        return "#%02x%02x%02x" % rgb == colour

    if not rig.wait_for(shown, rig.TIMEOUT, 0.5):
        raise RuntimeError("the desktop keeps its colour")


def crop(desk, png, rect, transparent=None):
    with tempfile.NamedTemporaryFile(suffix=".png") as whole:
        desk.desktop.screenshot(whole.name)
        x, y, width, height = rect
        command = ["convert", whole.name, "-crop", "%dx%d+%d+%d" % (width, height, x, y),
                   "+repage"]
        if transparent:
            command += ["-transparent", transparent]
        subprocess.run(command + [png], check=True, timeout=30)
    print("wrote", png)


def tray_tooltip(desk, folder):
    """Plays the titled station from the tray, hovers the tray icon and takes its tooltip;
    returns the program."""
    TITLED.url = desk.servers.icecast.url(TITLED.mount)
    desk.servers.icecast.start_feed(TITLED)
    env = desk.servers.catalogue_variant("titled", list(desk.stations) + [TITLED])
    program = desk.start(desk.folder({"channel.dat": "package0\n%s\n" % TITLED.name}), env)
    window = program.wait_window()
    # Playing: the meter lit, and the stream has named its title by then.
    rig.wait_for(lambda: program.pixel(window, *scaled(*METER)) != (123, 123, 123), rig.TIMEOUT)
    time.sleep(TITLE_TIME)
    program.click(window, *scaled(673, 38))
    rig.wait_for(lambda: not program.windows(), rig.TIMEOUT)
    _, x, y, width, height = desk.desktop.tray_icons()[0]
    desk.desktop.move(x + width // 2 - 1, y + height // 2)
    desk.desktop.move(x + width // 2, y + height // 2)
    tips = rig.wait_for(lambda: [w for w in desk.desktop.xdotool(
        "search", "--all", "--onlyvisible", "--pid", program.pid, "").split()
        if program.geometry(w)[1] > y + height // 2], rig.TIMEOUT)
    if tips:
        tx, ty, twidth, theight = program.geometry(tips[0])
        left = min(tx, rig.SCREEN[0] - 240) - MARGIN
        crop(desk, picture(folder, "radio-tray-tooltip"),
             (left, 0, rig.SCREEN[0] - left, ty + theight + MARGIN))
    else:
        print("no tooltip showed")
    desk.desktop.move(5, rig.SCREEN[1] - 5)
    return program


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    rig.BUILD = rig.Build(*(os.path.realpath(path) for path in sys.argv[1:4]))
    folder = os.path.realpath(sys.argv[4] if len(sys.argv) > 4 else "docs")
    # A desktop as much larger as the program is, so that the window fits as it does at 1x.
    rig.SCREEN = tuple(int(math.ceil(v * SCALE)) for v in rig.SCREEN)
    desk = rig.Rig(tray=True)
    try:
        station = desk.servers.station("Aurora Chord")
        program = None
        for hue in (0, 120, 240):
            set_desktop(desk, KEY)
            program = desk.start(desk.folder({"channel.dat": "package0\n%s\n" % station.name,
                                              "iface.dat": "%d\n" % hue}))
            window = program.wait_window()
            # Playing at full volume: the meter lit, the tree showing the station.
            rig.wait_for(lambda: program.pixel(window, *scaled(*METER)) != (123, 123, 123),
                         rig.TIMEOUT)
            program.rig.desktop.move(5, rig.SCREEN[1] - 5)
            left, top, width, height = program.geometry(window)
            crop(desk, picture(folder, "radio-hue%d" % hue), (left, top, width, height), KEY)
            if hue != 240:
                program.stop()

        # Hidden to the tray, then the tray's menu.
        set_desktop(desk, DESKTOP)
        left, top, _, _ = program.geometry(window)
        program.click(window, *scaled(673, 38))
        rig.wait_for(lambda: not program.windows(), rig.TIMEOUT)
        _, x, y, width, height = desk.desktop.tray_icons()[0]
        tray = (rig.SCREEN[0] - 240, 0, 240, 48)
        # The tray host keeps its own size at every scale: its pictures are taken at 1x only.
        if SCALE == 1:
            crop(desk, picture(folder, "radio-tray"), tray)
            program.stop()
            program = tray_tooltip(desk, folder)
        desk.desktop.click(x + width // 2, y + height // 2, 3)
        menus = rig.wait_for(lambda: [w for w in desk.desktop.xdotool(
            "search", "--all", "--onlyvisible", "--pid", program.pid, "").split()
            if program.geometry(w)[3] >= 40], rig.TIMEOUT)
        mx, my, mwidth, mheight = program.geometry(menus[0])
        menu_left = min(mx, tray[0]) - MARGIN
        crop(desk, picture(folder, "radio-tray-menu"),
             (menu_left, 0, rig.SCREEN[0] - menu_left, my + mheight + MARGIN))
        desk.desktop.xdotool("key", "Escape")
    finally:
        desk.stop()


if __name__ == "__main__":
    main()
