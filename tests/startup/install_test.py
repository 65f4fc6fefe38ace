"""The installed program: `cmake --install` into a temporary prefix, the launcher and the AppStream
metadata checked by the desktop's own validators, and the program started from / with a fresh
home on the rig's desktop; and a program started from a folder without its archive.

usage: install_test.py BUILD_DIR CMAKE VERSION
"""

import configparser
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "desktop"))
import rig  # noqa: E402
from servers import Processes, wait_for  # noqa: E402

BUILD_DIR = CMAKE = VERSION = None

APP_ID = "org.sonavia.Plus"
ICON_SIZES = (16, 32, 48, 64, 128, 256)
RADIO_WINDOW_SIZE = (760, 290)
# The message dialog's "OK" button in its client area.
OK_BUTTON_CENTRE = (170, 87)
# The first station of the first country of the bundled catalogue, in the tree's first row; the
# archive's built-in copy lists another station there.
FIRST_BUNDLED_STATION = (b"triple j", (150, 70))
# The radio window's "Website" link, which opens the browser pane.
WEBSITE_LINK = (689, 143)


def read(path):
    """The file's bytes; None when there is no such file."""
    if not os.path.exists(path):
        return None
    with open(path, "rb") as f:
        return f.read()


def children(pid):
    """The programs that the process `pid` started and that still run."""
    found = []
    for entry in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/stat" % entry) as f:
                if int(f.read().rsplit(")", 1)[1].split()[1]) == pid:
                    found.append(os.readlink("/proc/%s/exe" % entry))
        except (OSError, IndexError, ValueError):
            continue
    return found


def png_size(path):
    with open(path, "rb") as f:
        header = f.read(24)
    assert header[:8] == b"\x89PNG\r\n\x1a\n", path
    return struct.unpack(">II", header[16:24])


class InstallTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.processes = Processes()
        cls.folder = tempfile.mkdtemp(prefix="sonavia-install-")
        cls.prefix = os.path.join(cls.folder, "prefix")
        subprocess.run([CMAKE, "--install", BUILD_DIR, "--prefix", cls.prefix], check=True,
                       stdout=subprocess.DEVNULL)
        cls.desktop = rig.Desktop(cls.processes, cls.folder, tray=True)

    @classmethod
    def tearDownClass(cls):
        cls.processes.close()
        shutil.rmtree(cls.folder, ignore_errors=True)

    def setUp(self):
        self.home = tempfile.mkdtemp(prefix="home-", dir=self.folder)
        runtime = os.path.join(self.home, "runtime")
        os.mkdir(runtime, 0o700)
        # A user's session: no test variables, so the bundled catalogue and site are read.
        self.env = {k: v for k, v in self.desktop.env.items()
                    if not k.startswith(("SONAVIA_", "XDG_"))}
        self.env.update(HOME=self.home, XDG_RUNTIME_DIR=runtime, QT_QPA_PLATFORM="xcb",
                        SONAVIA_AUDIO_SINK="fakesink")

    def start(self, program, cwd):
        return self.processes.start([program], os.path.join(self.home, "program.log"), cwd=cwd,
                                    env=self.env)

    def windows(self, process):
        return self.desktop.xdotool("search", "--all", "--onlyvisible", "--pid", process.pid,
                                    "--name", "^%s$" % rig.WINDOW_NAME).split()

    def size(self, window):
        values = dict(line.split("=", 1) for line in
                      self.desktop.xdotool("getwindowgeometry", "--shell", window).split())
        return int(values["WIDTH"]), int(values["HEIGHT"])

    def wait_window(self, process):
        found = wait_for(lambda: self.windows(process), rig.TIMEOUT, 0.1)
        self.assertTrue(found, "no window appeared")
        return found[0]

    def desktop_file(self, *path):
        groups = configparser.ConfigParser(interpolation=None)
        groups.optionxform = str
        self.assertTrue(groups.read(os.path.join(*path)), os.path.join(*path))
        return groups

    def test_installed_files_validate_and_the_program_starts_from_anywhere(self):
        share = os.path.join(self.prefix, "share")
        launcher = os.path.join(share, "applications", APP_ID + ".desktop")
        metainfo = os.path.join(share, "metainfo", APP_ID + ".metainfo.xml")
        for validator in (["desktop-file-validate", launcher],
                          ["appstreamcli", "validate", "--no-net", metainfo]):
            checked = subprocess.run(validator, capture_output=True, text=True)
            self.assertEqual(checked.returncode, 0, checked.stdout + checked.stderr)
        groups = configparser.ConfigParser(interpolation=None)
        groups.optionxform = str
        groups.read(launcher)
        entry = groups["Desktop Entry"]
        self.assertEqual(entry["Icon"], APP_ID)
        self.assertTrue(os.access(os.path.join(self.prefix, "bin", entry["Exec"]), os.X_OK))
        # The launcher's action that brings the window back runs the same program.
        show = groups["Desktop Action %s" % entry["Actions"].rstrip(";")]
        self.assertEqual(show["Exec"], entry["Exec"] + " --show")
        component = ElementTree.parse(metainfo).getroot()
        self.assertEqual(component.find("releases/release").get("version"), VERSION)
        self.assertTrue(component.find("screenshots/screenshot/image").text.startswith("https://"))
        for size in ICON_SIZES:
            icon = os.path.join(share, "icons", "hicolor", "%dx%d" % (size, size), "apps",
                                APP_ID + ".png")
            self.assertEqual(png_size(icon), (size, size))

        # The desktop's search: GNOME Shell's provider and KRunner's runner name the program's
        # bus name and objects, and the bus starts the installed program for them.
        search = self.desktop_file(share, "gnome-shell", "search-providers",
                                   APP_ID + ".search-provider.ini")["Shell Search Provider"]
        self.assertEqual(dict(search), {"DesktopId": APP_ID + ".desktop", "BusName": APP_ID,
                                        "ObjectPath": "/org/sonavia/Plus/SearchProvider",
                                        "Version": "2"})
        runner = self.desktop_file(share, "krunner", "dbusplugins",
                                   APP_ID + ".krunner.desktop")["Desktop Entry"]
        self.assertEqual((runner["X-Plasma-DBusRunner-Service"], runner["X-Plasma-API"]),
                         (APP_ID, "DBus"))
        self.assertEqual(runner["X-Plasma-DBusRunner-Path"], "/org/sonavia/Plus/StationRunner")
        activation = self.desktop_file(share, "dbus-1", "services",
                                       APP_ID + ".service")["D-BUS Service"]
        self.assertEqual(dict(activation), {"Name": APP_ID, "Exec": os.path.join(
            self.prefix, "bin", entry["Exec"])})

        program = self.start(os.path.join(self.prefix, "bin", "sonavia"), "/")
        window = self.wait_window(program)
        self.assertEqual(self.size(window), RADIO_WINDOW_SIZE)
        # A dock matches the window to its launcher by the window's class.
        classes = self.desktop.xprop("-id", window, "WM_CLASS").split("=", 1)[1]
        self.assertEqual(classes.split(",")[1].strip().strip('"'), entry["StartupWMClass"])
        startup = os.path.join(self.home, ".local", "share", "sonavia-plus")
        self.assertEqual(os.readlink("/proc/%d/cwd" % program.pid), startup)
        self.assertEqual(read(os.path.join(startup, "Interface", "radio.int")),
                         read(os.path.join(share, "sonavia-plus", "Interface", "radio.int")))
        self.assertTrue(os.path.exists(os.path.join(startup, "setting.dat")))

        # The tree lists the installed catalogue's stations, and the choice is kept at home.
        name, (x, y) = FIRST_BUNDLED_STATION
        self.desktop.xdotool("mousemove", "--window", window, x, y, "click", 1)
        channel = os.path.join(startup, "channel.dat")
        self.assertTrue(wait_for(lambda: read(channel) == b"package0\n" + name, rig.TIMEOUT))

        # The browser pane runs the installed browser program.
        self.desktop.xdotool("mousemove", "--window", window, *WEBSITE_LINK, "click", 1)
        browser = os.path.join(self.prefix, "lib", "sonavia-plus", "sonavia-browser")
        self.assertTrue(wait_for(lambda: browser in children(program.pid), rig.TIMEOUT))
        self.assertEqual(self.processes.stop(program, rig.TIMEOUT), 0)
        self.assertFalse(os.path.exists("/setting.dat"))

    def test_a_program_without_its_archive_says_so_and_one_beside_it_serves(self):
        alone = os.path.join(self.home, "alone")
        elsewhere = os.path.join(self.home, "elsewhere")
        os.makedirs(alone)
        os.makedirs(elsewhere)
        program = os.path.join(alone, "sonavia")
        shutil.copy(os.path.join(self.prefix, "bin", "sonavia"), program)

        # No archive in the working folder, beside the program or installed: the message, an
        # exit code that tells of the failure, and nothing written anywhere.
        process = self.start(program, elsewhere)
        window = self.wait_window(process)
        self.assertNotEqual(self.size(window), RADIO_WINDOW_SIZE)
        self.desktop.xdotool("mousemove", "--window", window, *OK_BUTTON_CENTRE, "click", 1)
        self.assertEqual(process.wait(rig.TIMEOUT), 1)
        self.processes.forget(process)
        written = [os.path.join(root, name) for folder in (alone, elsewhere)
                   for root, _, names in os.walk(folder) for name in names]
        self.assertEqual(written, [program])
        self.assertFalse(os.path.exists(os.path.join(self.home, ".local")))

        # The archive beside the program: that folder is its start-up directory.
        os.makedirs(os.path.join(alone, "Interface"))
        shutil.copy(os.path.join(self.prefix, "share", "sonavia-plus", "Interface", "radio.int"),
                    os.path.join(alone, "Interface"))
        process = self.start(program, elsewhere)
        self.assertEqual(self.size(self.wait_window(process)), RADIO_WINDOW_SIZE)
        self.assertTrue(os.path.exists(os.path.join(alone, "setting.dat")))
        self.assertEqual(os.listdir(elsewhere), [])
        self.assertEqual(self.processes.stop(process, rig.TIMEOUT), 0)


if __name__ == "__main__":
    BUILD_DIR, CMAKE, VERSION = sys.argv[1:4]
    unittest.main(argv=sys.argv[:1], verbosity=2)
