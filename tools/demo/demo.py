"""The offline demo: the program against stations, a catalogue and a site on this machine.

usage: demo.py BUILD_FOLDER [START_FOLDER]

Starts icecast2 with the demo stations (generated sounds), the catalogue server with a catalogue
built by radiocat, and the site server (see servers.py), then runs the program in START_FOLDER
(BUILD_FOLDER/demo unless given: its own settings files, beside a copy of Interface/radio.int)
pointed at them. When the program ends, or this script is interrupted (Ctrl+C, SIGTERM, SIGHUP),
everything it started is stopped by its PID; the exit code is the program's. The servers' files
and logs stay in START_FOLDER/servers.
"""

import os
import shutil
import signal
import sys

from servers import DemoServers, Processes

PROGRAM_NAME = "sonavia"


def interrupted(signum, frame):
    raise SystemExit(128 + signum)


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    build = os.path.realpath(sys.argv[1])
    radiocat = os.path.join(build, "tools", "radiocat", "radiocat")
    folder = os.path.realpath(sys.argv[2] if len(sys.argv) == 3 else os.path.join(build, "demo"))
    os.makedirs(os.path.join(folder, "Interface"), exist_ok=True)
    shutil.copy(os.path.join(build, "Interface", "radio.int"),
                os.path.join(folder, "Interface", "radio.int"))
    for signum in (signal.SIGTERM, signal.SIGHUP):
        signal.signal(signum, interrupted)

    processes = Processes()
    try:
        servers = DemoServers(processes, os.path.join(folder, "servers"), radiocat,
                              os.path.join(build, "site", "sonavia"))
        env = dict(os.environ, **servers.env())
        if os.geteuid() == 0:
            env["QTWEBENGINE_DISABLE_SANDBOX"] = "1"
        print("Demo stations on %s:" % servers.icecast.url("/"))
        for station in servers.stations:
            if station.sound:
                print("  %-8s %-16s %5d Hz  %s" % (station.country, station.name, station.hz,
                                                    station.description))
        print("Catalogue %s, site %s" % (env["SONAVIA_CATALOGUE_BASE"], env["SONAVIA_SITE_BASE"]))
        print("Press Ctrl+C here, or use Exit in the program's tray menu, to end the demo.")
        sys.stdout.flush()
        program = processes.start([os.path.join(build, PROGRAM_NAME)], cwd=folder, env=env,
                                  stdout=None, stderr=None)
        code = program.wait()
        processes.forget(program)
        return 128 - code if code < 0 else code
    except KeyboardInterrupt:
        return 130
    finally:
        processes.close()


if __name__ == "__main__":
    sys.exit(main())
