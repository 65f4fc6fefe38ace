"""A D-Bus session bus of a test's own, and the accessibility bus on it.

start_session_bus(processes, folder) starts dbus-daemon and returns its address;
start_accessibility_bus(processes, folder, address) starts the accessibility bus launcher on it,
as a desktop session does, so that programs and screen readers (AT-SPI) find each other.
python_with_gi() is a Python that has GObject introspection (python3-gi, python3-pyatspi): the
system's, where another one runs the tests.
"""

import os
import subprocess
import sys
import unittest

from servers import wait_for

ACCESSIBILITY_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"


def start_session_bus(processes, folder):
    os.makedirs(folder, exist_ok=True)
    socket = os.path.join(folder, "socket")
    processes.start(["dbus-daemon", "--session", "--nofork", "--nopidfile",
                     "--address=unix:path=" + socket], os.path.join(folder, "daemon.log"))
    if not wait_for(lambda: os.path.exists(socket), 30):
        raise RuntimeError("dbus-daemon did not start")
    return "unix:path=" + socket


def start_accessibility_bus(processes, folder, address):
    env = dict(os.environ, DBUS_SESSION_BUS_ADDRESS=address)
    processes.start([ACCESSIBILITY_LAUNCHER, "--launch-immediately"],
                    os.path.join(folder, "accessibility.log"), env=env)

    def registered():
        names = subprocess.run(["gdbus", "call", "--session", "--dest", "org.freedesktop.DBus",
                                "--object-path", "/org/freedesktop/DBus", "--method",
                                "org.freedesktop.DBus.ListNames"], env=env, capture_output=True,
                               text=True).stdout
        return "'org.a11y.Bus'" in names

    if not wait_for(registered, 30):
        raise RuntimeError("the accessibility bus did not start")


def python_with_gi():
    for candidate in (sys.executable, "/usr/bin/python3"):
        if candidate and subprocess.run([candidate, "-c", "import gi"],
                                        capture_output=True).returncode == 0:
            return candidate
    raise unittest.SkipTest("no Python with python3-gi")
