"""Runs the web view test program on the rig's desktop (Xvfb and a window manager).

usage: webview_test.py PROGRAM SCREENSHOT_FOLDER [test program's options]
"""

import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "desktop"))
import rig  # noqa: E402
from servers import Processes  # noqa: E402


def main():
    program, screenshots = sys.argv[1], sys.argv[2]
    os.makedirs(screenshots, exist_ok=True)
    processes = Processes()
    logs = tempfile.mkdtemp(prefix="sonavia-webview-desktop-")
    try:
        desktop = rig.Desktop(processes, logs, tray=False)
        # The view itself lifts the web engine's sandbox when it runs as the superuser.
        env = dict(desktop.env, QT_QPA_PLATFORM="xcb", QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu",
                   SONAVIA_SCREENSHOT_DIR=screenshots)
        on_x11 = subprocess.run([program] + sys.argv[3:], env=env, stdin=subprocess.DEVNULL, timeout=240)
        # Off X11 the program takes the view from the engine's module.
        offscreen = subprocess.run([program, "--gtest_filter=*OffX11*"],
                                   env=dict(env, QT_QPA_PLATFORM="offscreen"),
                                   stdin=subprocess.DEVNULL, timeout=120)
        return on_x11.returncode or offscreen.returncode
    finally:
        processes.close()
        shutil.rmtree(logs, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
