"""Runs the web view test program on an X server of its own (Xvfb).

usage: webview_test.py PROGRAM SCREENSHOT_FOLDER
"""

import os
import subprocess
import sys


def main():
    program, screenshots = sys.argv[1], sys.argv[2]
    os.makedirs(screenshots, exist_ok=True)
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
        pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
        stderr=subprocess.DEVNULL)
    os.close(write_end)
    try:
        with os.fdopen(read_end) as pipe:
            display = ":" + pipe.readline().strip()
        # The view itself lifts the web engine's sandbox when it runs as the superuser.
        env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb",
                   QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu",
                   SONAVIA_SCREENSHOT_DIR=screenshots)
        return subprocess.run([program], env=env, stdin=subprocess.DEVNULL,
                              timeout=240).returncode
    finally:
        xvfb.terminate()
        try:
            xvfb.wait(10)
        except subprocess.TimeoutExpired:
            xvfb.kill()
            xvfb.wait()


if __name__ == "__main__":
    sys.exit(main())
