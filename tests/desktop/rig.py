"""Whole-program test rig: the real program on an X desktop of its own, against loopback servers.

A Rig holds, for one group of tests:
  - a desktop: Xvfb on a display it picks itself, openbox as window manager, and trayer as tray
    host (rig.desktop.start_tray() / stop_tray(), also during a test). Qt's tray icon docks in
    trayer through XEmbed; no D-Bus session bus is passed on, so it never goes elsewhere;
  - the demo's servers (tools/demo/servers.py): icecast2 stations of distinct sounds
    (rig.stations: name, country, hz, url, position), the catalogue server with its request log
    (rig.catalogue.requests()) and the site server (rig.site);
  - the programs it started: rig.start(folder) runs the real program in a start-up folder made by
    rig.folder(), with the catalogue, site and search variables pointed at the servers, and what it
    plays recorded to a raw file (16 kHz mono S16LE) through SONAVIA_AUDIO_SINK.
With Rig(pulse=True) the programs play to a PulseAudio server of the rig's own (a null sink),
and program.recording is what that server plays (its monitor, recorded from the rig's start):
timing-sensitive sound (gaps, drops, recovery) is heard as a user's sound server plays it.
pulse="restore" gives that server module-stream-restore (it keeps each program's volume), and
pulse="pipewire" runs PipeWire with its PulseAudio server and WirePlumber instead.
Every process is stopped by its PID: programs by rig.stop_programs() (call it in tearDown, so a
failing test stops them too), everything by rig.stop(), at exit, and by a guard process should
the test be killed outright. rig.stop() removes the rig's folder unless SONAVIA_KEEP_RIG is set
(then the logs, recordings and start-up folders stay for a look).

    import unittest, rig

    class RadioTest(unittest.TestCase):
        @classmethod
        def setUpClass(cls):
            cls.rig = rig.Rig(tray=True)
        @classmethod
        def tearDownClass(cls):
            cls.rig.stop()
        def tearDown(self):
            self.rig.stop_programs()

        def test_start_up_plays_the_last_station(self):
            station = self.rig.stations[0]
            program = self.rig.start(self.rig.folder({"channel.dat": "package0\\n" + station.name}))
            window = program.wait_window()
            program.click(window, 62, 50)
            heard = program.recording.wait_for(1.0)      # the next second the program plays
            self.assertEqual(rig.station_playing(heard, self.rig.stations), station)

    if __name__ == "__main__":
        rig.main()   # usage: TEST.py PROGRAM ARCHIVE RADIOCAT [unittest arguments]

Audio: rms(samples) is 0..1 of full scale; silent(samples) is True below SILENCE (and for no
samples at all: a stopped player writes nothing); dominant_frequency(samples) in Hz;
station_playing(samples, stations) is the station whose frequency dominates, or None;
first_sound(samples) and longest_silence(samples) find sound and gaps by 10 ms blocks.
"""

import array
import cmath
import math
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import unittest
from collections import namedtuple

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "tools", "demo"))
from servers import DemoServers, Processes, wait_for  # noqa: E402

WINDOW_NAME = "Sonavia Plus"
SCREEN = (1280, 800)
TIMEOUT = 30          # seconds for anything to start, appear or end
RATE = 16000          # samples a second of a recording
SILENCE = 0.01        # RMS below this is silence
# A 10 ms block whose loudest sample stays below this (a thousandth of full scale) holds no
# sound; the quietest sound a program makes, its first fade-in step (volume 1 of 100) of a
# station at a third of full scale, peaks some ten times higher.
BLOCK = RATE // 100
SOUND_PEAK = 33
FREQUENCY_TOLERANCE = 0.03

Build = namedtuple("Build", "program archive radiocat")
BUILD = None          # set by main() from the command line


def run(argv, env, timeout=10):
    """Runs a desktop tool (xdotool, xprop, import) to its end; returns its standard output."""
    return subprocess.run(argv, env=env, capture_output=True, text=True, timeout=timeout,
                          stdin=subprocess.DEVNULL).stdout


class Screenshot:
    """The whole screen; pixel(x, y) is (r, g, b)."""

    def __init__(self, env, png=None):
        self.size = SCREEN
        if png:
            subprocess.run(["import", "-window", "root", png], env=env, check=True, timeout=20)
            command = ["convert", png, "-depth", "8", "rgb:-"]
        else:
            # Not convert's "x:root": it shows the desktop black where a shaped window leaves it.
            command = ["import", "-window", "root", "-depth", "8", "rgb:-"]
        self.rgb = subprocess.run(command, env=env, check=True, capture_output=True,
                                  timeout=20).stdout

    def pixel(self, x, y):
        at = (y * self.size[0] + x) * 3
        return tuple(self.rgb[at:at + 3])


class Desktop:
    """Xvfb with openbox, and trayer when asked for."""

    def __init__(self, processes, folder, tray=True):
        self.processes, self.folder = processes, folder
        read_end, write_end = os.pipe()
        self.xvfb = processes.start(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "%dx%dx24" % SCREEN,
             "-nolisten", "tcp"], os.path.join(folder, "xvfb.log"), pass_fds=(write_end,))
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not start")
        self.env = {k: v for k, v in os.environ.items() if k != "DBUS_SESSION_BUS_ADDRESS"}
        self.env["DISPLAY"] = ":" + number
        self.openbox = None

        def window_manager_runs():
            # openbox is started again should it lose a race with the server's start.
            if not self.openbox or self.openbox.poll() is not None:
                if self.openbox:
                    processes.forget(self.openbox)
                self.openbox = processes.start(["openbox"], os.path.join(folder, "openbox.log"),
                                               env=self.env)
            return "window id" in self.xprop("-root", "_NET_SUPPORTING_WM_CHECK")

        if not wait_for(window_manager_runs, TIMEOUT, 0.2):
            raise RuntimeError("openbox did not start")
        self.trayer = None
        if tray:
            self.start_tray()

    def start_tray(self):
        self.trayer = self.processes.start(
            ["trayer", "--edge", "top", "--align", "right", "--widthtype", "request",
             "--height", "24"],
            os.path.join(self.folder, "trayer.log"), env=self.env)
        if not wait_for(self.tray_window, TIMEOUT):
            raise RuntimeError("trayer did not start")

    def stop_tray(self):
        if self.trayer:
            self.processes.stop(self.trayer)
            self.trayer = None

    def tray_window(self):
        """trayer's panel, where the icons dock; None without a tray."""
        if not self.trayer:
            return None
        found = self.xdotool("search", "--all", "--pid", self.trayer.pid, "--name",
                             "^panel$").split()
        return found[0] if found else None

    def tray_icons(self):
        """The docked icons: (window, x, y, width, height) on the screen, left to right."""
        panel = self.tray_window()
        if not panel:
            return []
        # Each icon is the innermost window of its branch below the panel.
        windows = []
        for line in run(["xwininfo", "-tree", "-id", panel], self.env).splitlines():
            fields = line.split()
            if len(fields) > 3 and fields[0].startswith("0x"):
                width, height = (int(v) for v in fields[-2].split("+")[0].split("x"))
                x, y = (int(v) for v in fields[-1].lstrip("+").split("+"))
                windows.append((len(line) - len(line.lstrip()), (fields[0], x, y, width, height)))
        icons = [window for i, (depth, window) in enumerate(windows)
                 if (i + 1 == len(windows) or windows[i + 1][0] <= depth) and window[3] > 1]
        return sorted(icons, key=lambda icon: icon[1])

    def xprop(self, *args):
        return run(["xprop"] + list(args), self.env)

    def xdotool(self, *args):
        return run(["xdotool"] + [str(a) for a in args], self.env)

    def screenshot(self, png=None):
        """The screen now; also saved as a PNG file when `png` names one."""
        return Screenshot(self.env, png)

    def move(self, x, y):
        """Puts the pointer at screen coordinates and waits until it is there."""
        # xdotool's --sync waits for a motion that never comes when the pointer is there already.
        where = dict(field.split(":", 1) for field in self.xdotool("getmouselocation").split())
        if (int(where.get("x", -1)), int(where.get("y", -1))) != (x, y):
            self.xdotool("mousemove", "--sync", x, y)

    def click(self, x, y, button=1, repeat=1):
        """A click (`repeat` clicks in a row: 2 is a double-click) at screen coordinates."""
        self.move(x, y)
        self.xdotool("click", "--repeat", repeat, "--delay", 80, button)


class Recording:
    """What a program plays, as written by the sink description `sink`: every open of the player
    adds to the same file, and nothing is added while it plays nothing."""

    def __init__(self, path):
        self.path = path
        self.sink = ("audioconvert ! audioresample ! audio/x-raw,format=S16LE,channels=1,rate=%d "
                     "! filesink sync=true buffer-mode=unbuffered append=true location=%s"
                     % (RATE, path))

    def seconds(self):
        """How much has been played so far."""
        return os.path.getsize(self.path) // 2 / RATE if os.path.exists(self.path) else 0.0

    def samples(self, start=0.0, length=None):
        """The samples from `start` seconds on, `length` seconds of them (all when None)."""
        if not os.path.exists(self.path):
            return array.array("h")
        with open(self.path, "rb") as f:
            f.seek(int(start * RATE) * 2)
            data = f.read(-1 if length is None else int(length * RATE) * 2)
        return array.array("h", data[:len(data) // 2 * 2])

    def last(self, length=1.0):
        return self.samples(max(0.0, self.seconds() - length), length)

    def wait_for(self, length=1.0, timeout=TIMEOUT):
        """The next `length` seconds played from now on; fewer when the program stops playing."""
        start = self.seconds()
        wait_for(lambda: self.seconds() >= start + length, timeout, 0.1)
        return self.samples(start, length)


class MonitorRecording(Recording):
    """What a PulseAudio server plays, recorded from its null sink's monitor by parec from the
    moment it is made, in the format of a Recording. Moments are time.monotonic(): position(moment)
    is where in the recording is what played then, heard(moment, length) what played from then on,
    and sound_after(moment) the seconds from then to the first sound."""

    # parec hands on what it reads every 20 ms, so that a sample's moment is known to about that.
    LATENCY_MS = 20
    CHUNK = 640

    def __init__(self, processes, path, env, device):
        super().__init__(path)
        self.lock = threading.Lock()
        self.arrivals = []   # (monotonic time, bytes written up to then)
        self.parec = processes.start(
            ["parec", "--raw", "--format=s16le", "--channels=1", "--rate=%d" % RATE,
             "--latency-msec=%d" % self.LATENCY_MS, "--device=" + device],
            env=env, stdout=subprocess.PIPE)
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()

    def _read(self):
        written = 0
        with open(self.path, "wb") as out:
            while True:
                try:
                    data = os.read(self.parec.stdout.fileno(), self.CHUNK)
                except (OSError, ValueError):   # parec stopped and its pipe closed
                    break
                if not data:
                    break
                out.write(data)
                out.flush()
                written += len(data)
                with self.lock:
                    self.arrivals.append((time.monotonic(), written))

    def position(self, moment):
        """Seconds into the recording of what played at `moment` (time.monotonic())."""
        with self.lock:
            before = [(t, n) for t, n in self.arrivals if t <= moment]
        if not before:
            return 0.0
        at, written = before[-1]
        return max(0.0, written / 2 / RATE + (moment - at))

    def heard(self, moment, length):
        """What played from `moment` on, `length` seconds of it, once they have been played."""
        start = self.position(moment)
        wait_for(lambda: self.seconds() >= start + length, TIMEOUT, 0.1)
        return self.samples(start, length)

    def sound_after(self, moment, timeout=TIMEOUT):
        """Seconds from `moment` to the first sound played after it; None when none is played
        within `timeout`."""
        start = self.position(moment)
        deadline = time.monotonic() + timeout
        while True:
            first = first_sound(self.samples(start))
            if first is not None or time.monotonic() > deadline:
                return first
            time.sleep(0.1)


class PulseAudio:
    """A sound server of the rig's own that speaks PulseAudio's protocol, with one null sink and
    no other device, reached by its socket only (no other user's server), and the recording of its
    monitor. `kind` is "pulseaudio" (no session bus, no volumes kept), "restore" (PulseAudio
    keeping each program's volume, as desktops set it up) or "pipewire" (PipeWire, WirePlumber
    and PipeWire's PulseAudio server, on a session bus of their own)."""

    SINK = "sonavia"
    KINDS = ("pulseaudio", "restore", "pipewire")

    def __init__(self, processes, folder, kind="pulseaudio"):
        if kind not in self.KINDS:
            raise ValueError("no sound server %r" % kind)
        self.kind = kind
        home = os.path.join(folder, "pulse")
        os.makedirs(home, 0o700)
        server_env = {k: v for k, v in os.environ.items()
                      if k not in ("DBUS_SESSION_BUS_ADDRESS", "DISPLAY", "PULSE_SERVER")}
        server_env.update(HOME=home, XDG_RUNTIME_DIR=home, XDG_CONFIG_HOME=home)
        log = os.path.join(folder, "soundserver.log")
        if kind == "pipewire":
            from session_bus import start_session_bus
            server_env["DBUS_SESSION_BUS_ADDRESS"] = start_session_bus(
                processes, os.path.join(folder, "soundbus"))
            self.socket = os.path.join(home, "pulse", "native")
            processes.start(["pipewire"], log, env=server_env)
            if not wait_for(lambda: os.path.exists(os.path.join(home, "pipewire-0")), TIMEOUT):
                raise RuntimeError("PipeWire did not start (see %s)" % log)
            processes.start(["wireplumber"], log, env=server_env)
            processes.start(["pipewire-pulse"], log, env=server_env)
        else:
            self.socket = os.path.join(home, "native")
            modules = ["module-null-sink sink_name=%s" % self.SINK,
                       "module-native-protocol-unix auth-anonymous=1 socket=%s" % self.socket]
            if kind == "restore":
                modules.append("module-stream-restore restore_device=false")
            processes.start(
                ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit",
                 "--use-pid-file=no", "--log-target=stderr"] +
                [a for m in modules for a in ("-L", m)], log, env=server_env)
        # The clients reach it by its socket; none starts a server of its own.
        self.env = {"PULSE_SERVER": "unix:" + self.socket, "PULSE_SINK": self.SINK}
        client_env = dict(server_env, **self.env)
        if kind == "pipewire":
            # PipeWire's null sink is made through its PulseAudio server, once that answers.
            wait_for(lambda: os.path.exists(self.socket), TIMEOUT)
            wait_for(lambda: run(["pactl", "load-module", "module-null-sink",
                                  "sink_name=" + self.SINK], client_env).strip().isdigit(),
                     TIMEOUT, 0.2)
        if not wait_for(lambda: self.SINK in run(["pactl", "list", "short", "sinks"], client_env),
                        TIMEOUT, 0.1):
            raise RuntimeError("the sound server did not start (see %s)" % log)
        self.client_env = client_env
        self.monitor = MonitorRecording(processes, os.path.join(folder, "heard.raw"), client_env,
                                        self.SINK + ".monitor")

    def stream_volumes(self):
        """The volume in percent of each stream that plays to the server, as pactl shows it."""
        text = run(["pactl", "list", "sink-inputs"], self.client_env)
        return [int(line.split("/")[1].strip().rstrip("%")) for line in text.splitlines()
                if line.strip().startswith("Volume:") and "/" in line]


class Program:
    """One run of the real program."""

    def __init__(self, rig, folder, env, args):
        self.rig, self.folder = rig, folder
        if rig.pulse:
            self.recording = rig.pulse.monitor
            env = dict({"SONAVIA_AUDIO_SINK": "pulsesink"}, **env)
        else:
            self.recording = Recording(os.path.join(folder, "played.raw"))
            env = dict(env, SONAVIA_AUDIO_SINK=self.recording.sink)
        # Just before the program's start: what it plays is timed from here.
        self.started = time.monotonic()
        self.process = rig.processes.start([rig.build.program] + list(args),
                                           os.path.join(folder, "program.log"), cwd=folder,
                                           env=env)
        self.pid = self.process.pid

    def running(self):
        return self.process.poll() is None

    def wait(self, timeout=TIMEOUT):
        """The exit code once the program has ended; None when it is still running."""
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def stop(self):
        """Asks the program to end (SIGTERM), kills it if it does not; returns its exit code."""
        return self.rig.processes.stop(self.process, TIMEOUT)

    def windows(self, name=WINDOW_NAME, visible=True):
        args = ["search", "--all"] + (["--onlyvisible"] if visible else []) + ["--pid", self.pid]
        return self.rig.desktop.xdotool(*args, "--name", "^%s$" % name).split()

    def wait_window(self, name=WINDOW_NAME, timeout=TIMEOUT):
        """The first visible window of that title; fails the test when none appears in time."""
        found = wait_for(lambda: self.windows(name), timeout, 0.1)
        if not found:
            raise AssertionError("no window %r appeared within %d s" % (name, timeout))
        return found[0]

    def geometry(self, window):
        """(x, y, width, height) of the window on the screen."""
        values = dict(line.split("=", 1) for line in
                      self.rig.desktop.xdotool("getwindowgeometry", "--shell", window).split())
        return tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))

    def click(self, window, x, y, button=1):
        """A click at (x, y) inside the window."""
        # The X server takes the move before the click; xdotool's --sync would wait for ever
        # when the pointer is there already.
        self.rig.desktop.xdotool("mousemove", "--window", window, x, y, "click", button)

    def key(self, window, *keys):
        """Key presses ("Down", "Return", "ctrl+a") sent to the focused window."""
        self.rig.desktop.xdotool("windowactivate", "--sync", window)
        self.rig.desktop.xdotool("key", "--clearmodifiers", *keys)

    def type(self, window, text):
        self.rig.desktop.xdotool("windowactivate", "--sync", window)
        self.rig.desktop.xdotool("type", "--delay", 20, text)

    def wm_state(self, window):
        """The window manager's view: the _NET_WM_STATE atoms without their prefix ("HIDDEN",
        "ABOVE", ...) and the WM_STATE ("Normal", "Iconic", "Withdrawn")."""
        state = set()
        for line in self.rig.desktop.xprop("-id", window, "_NET_WM_STATE", "WM_STATE").splitlines():
            if line.startswith("_NET_WM_STATE(ATOM) ="):
                state |= {a.strip().replace("_NET_WM_STATE_", "")
                          for a in line.split("=", 1)[1].split(",")}
            elif "window state:" in line:
                state.add(line.split(":", 1)[1].strip())
        return state

    def pixel(self, window, x, y, screenshot=None):
        """The colour on the screen at (x, y) inside the window."""
        left, top, _, _ = self.geometry(window)
        return (screenshot or self.rig.desktop.screenshot()).pixel(left + x, top + y)

    def file(self, name):
        """The bytes of a file in the start-up folder; None when there is none."""
        path = os.path.join(self.folder, name)
        if not os.path.exists(path):
            return None
        with open(path, "rb") as f:
            return f.read()


class Rig:
    """A desktop, the servers and the programs of one group of tests."""

    def __init__(self, tray=True, build=None, pulse=False):
        self.build = build or BUILD
        self.processes = Processes()
        self.home = tempfile.mkdtemp(prefix="sonavia-rig-")
        os.chmod(self.home, 0o711)  # icecast2 runs as its own user below it
        self.programs = []
        self.folders = 0
        self.pulse = None
        try:
            self.desktop = Desktop(self.processes, self.home, tray)
            if pulse:
                self.pulse = PulseAudio(self.processes, self.home,
                                        "pulseaudio" if pulse is True else pulse)
            self.servers = DemoServers(
                self.processes, os.path.join(self.home, "servers"), self.build.radiocat,
                os.path.join(os.path.dirname(self.build.program), "site", "sonavia"))
        except BaseException:
            self.stop()
            raise
        runtime = os.path.join(self.home, "runtime")
        os.mkdir(runtime, 0o700)
        self.env = dict(self.desktop.env, QT_QPA_PLATFORM="xcb", XDG_RUNTIME_DIR=runtime,
                        QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu", **self.servers.env())
        if os.geteuid() == 0:
            self.env["QTWEBENGINE_DISABLE_SANDBOX"] = "1"
        if self.pulse:
            self.env.update(self.pulse.env)

    @property
    def stations(self):
        return self.servers.stations

    @property
    def catalogue(self):
        return self.servers.catalogue

    @property
    def site(self):
        return self.servers.site

    def folder(self, files=None):
        """A new start-up folder holding Interface/radio.int and `files` (name: text or bytes)."""
        self.folders += 1
        folder = os.path.join(self.home, "start%d" % self.folders)
        os.makedirs(os.path.join(folder, "Interface"))
        shutil.copy(self.build.archive, os.path.join(folder, "Interface", "radio.int"))
        for name, content in (files or {}).items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(content.encode("latin-1") if isinstance(content, str) else content)
        return folder

    def start(self, folder=None, env=None, args=()):
        """Starts the program in `folder` (a new one when None), with `env` added."""
        program = Program(self, folder or self.folder(), dict(self.env, **(env or {})), args)
        self.programs.append(program)
        return program

    def stop_programs(self):
        for program in self.programs:
            program.stop()
        self.programs = []

    def stop(self):
        self.stop_programs()
        self.processes.close()
        if os.environ.get("SONAVIA_KEEP_RIG"):
            print("rig files (logs, recordings, start-up folders) kept in", self.home)
        else:
            shutil.rmtree(self.home, ignore_errors=True)


def rms(samples):
    """The level of the samples: 0 (silence) to 1 (full scale)."""
    if not samples:
        return 0.0
    return math.sqrt(sum(s * s for s in samples) / len(samples)) / 32768


def silent(samples):
    return rms(samples) < SILENCE


def _block_peaks(samples):
    return [max(map(abs, samples[i:i + BLOCK])) for i in range(0, len(samples) - BLOCK + 1, BLOCK)]


def first_sound(samples):
    """Seconds into the samples of the first 10 ms that holds sound; None when none does."""
    return next((i / 100 for i, peak in enumerate(_block_peaks(samples)) if peak >= SOUND_PEAK),
                None)


def longest_silence(samples):
    """Seconds of the longest run of 10 ms blocks without sound in the samples."""
    longest = run = 0
    for peak in _block_peaks(samples):
        run = run + 1 if peak < SOUND_PEAK else 0
        longest = max(longest, run)
    return longest / 100


def _fft(values):
    """In-place iterative radix-2 FFT; len(values) is a power of two."""
    n = len(values)
    j = 0
    for i in range(1, n):
        bit = n >> 1
        while j & bit:
            j ^= bit
            bit >>= 1
        j |= bit
        if i < j:
            values[i], values[j] = values[j], values[i]
    size = 2
    while size <= n:
        step = cmath.exp(-2j * math.pi / size)
        half = size // 2
        for start in range(0, n, size):
            w = 1
            for k in range(start, start + half):
                t = values[k + half] * w
                values[k + half] = values[k] - t
                values[k] += t
                w *= step
        size *= 2
    return values


def dominant_frequency(samples):
    """The frequency in Hz of the strongest component (to about 1 Hz on a second of samples);
    0 for no samples."""
    count = len(samples)
    if count < 2:
        return 0.0
    n = 1 << max(14, (count - 1).bit_length())
    # A Hann window keeps a strong component from spreading over its neighbours.
    values = [complex(s * (0.5 - 0.5 * math.cos(2 * math.pi * i / count)))
              for i, s in enumerate(samples)] + [0j] * (n - count)
    spectrum = _fft(values)
    peak = max(range(1, n // 2), key=lambda k: abs(spectrum[k]))
    return peak * RATE / n


def station_playing(samples, stations):
    """The station whose frequency dominates the samples; None for silence or another sound."""
    if silent(samples):
        return None
    heard = dominant_frequency(samples)
    for station in stations:
        if station.sound and abs(heard - station.hz) <= station.hz * FREQUENCY_TOLERANCE:
            return station
    return None


def main():
    """Runs the tests of the calling script: TEST.py PROGRAM ARCHIVE RADIOCAT [unittest args]."""
    global BUILD
    if len(sys.argv) < 4:
        sys.exit("usage: %s PROGRAM ARCHIVE RADIOCAT [unittest arguments]" % sys.argv[0])
    BUILD = Build(*(os.path.realpath(path) for path in sys.argv[1:4]))
    unittest.main(module="__main__", argv=sys.argv[:1] + sys.argv[4:], verbosity=2)
