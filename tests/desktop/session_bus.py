"""A D-Bus session bus of a test's own, and the accessibility bus on it.

start_session_bus(processes, folder) starts dbus-daemon and returns its address; with `services`,
a folder of activation files, the bus starts a program that owns a name when the name is called,
with the bus's environment (`env`), as a desktop session's bus does;
start_accessibility_bus(processes, folder, address) starts the accessibility bus launcher on it,
as a desktop session does, so that programs and screen readers (AT-SPI) find each other.
start_notifier_host(processes, folder, address) starts the status notifier watcher and host
(status_notifier_host.py) on it and returns the host once it is ready, its reports on its output.
python_with_gi() is a Python that has GObject introspection (python3-gi, python3-pyatspi): the
system's, where another one runs the tests.
"""

import os
import subprocess
import sys
import unittest

from servers import wait_for

ACCESSIBILITY_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
HERE = os.path.dirname(os.path.abspath(__file__))


BUS_CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=%s</listen>
  <servicedir>%s</servicedir>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
"""


def start_session_bus(processes, folder, services=None, env=None):
    os.makedirs(folder, exist_ok=True)
    socket = os.path.join(folder, "socket")
    if services:
        config = os.path.join(folder, "bus.conf")
        with open(config, "w") as f:
            f.write(BUS_CONFIG % (socket, services))
        command = ["dbus-daemon", "--config-file=" + config, "--nofork", "--nopidfile"]
    else:
        command = ["dbus-daemon", "--session", "--nofork", "--nopidfile",
                   "--address=unix:path=" + socket]
    processes.start(command, os.path.join(folder, "daemon.log"), env=env)
    if not wait_for(lambda: os.path.exists(socket), 30):
        raise RuntimeError("dbus-daemon did not start")
    return "unix:path=" + socket


def start_accessibility_bus(processes, folder, address):
    # Its socket goes in a runtime folder of its own: in a shared one, another test's bus would
    # take its place.
    runtime = os.path.join(folder, "runtime")
    os.makedirs(runtime, 0o700, exist_ok=True)
    env = dict(os.environ, DBUS_SESSION_BUS_ADDRESS=address, XDG_RUNTIME_DIR=runtime)
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


def start_notifier_host(processes, folder, address):
    host = processes.start([python_with_gi(), os.path.join(HERE, "status_notifier_host.py")],
                           os.path.join(folder, "host.log"),
                           env=dict(os.environ, DBUS_SESSION_BUS_ADDRESS=address),
                           stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    if host.stdout.readline().strip() != "ready":
        raise RuntimeError("the status notifier watcher did not start")
    return host


def python_with_gi():
    for candidate in (sys.executable, "/usr/bin/python3"):
        if candidate and subprocess.run([candidate, "-c", "import gi"],
                                        capture_output=True).returncode == 0:
            return candidate
    raise unittest.SkipTest("no Python with python3-gi")
