"""The program side by side with the limits and with a peer, in one run on one desktop (the rig's
Xvfb and PulseAudio null sink, its monitor recorded in 10 ms blocks), on the same loopback mounts
of live 128 kbit/s feeds that have been on the air a while:

  - the server's first byte: a raw client's connect to the first byte of audio data (for HLS:
    the playlist, then the first byte of the segment a player starts with);
  - the leanest player: gst-launch-1.0 with souphttpsrc, the parser, the decoder and pulsesink,
    from its start to its first sound;
  - the program, from its start to its first sound with the station remembered;
  - the peer: goodvibes (Debian's package), a GStreamer radio player, started with the station's
    address, from its start to its first sound.

Every player reaches the server through a loopback relay that notes when each connection is
made, so that each figure is also split at the connect. Formats: MP3, Ogg Vorbis and Opus on
icecast2, AAC (ADTS) sent to icecast2 by a source of the bench's own, HLS (AAC in MPEG-TS, 2 s
segments) from hlssink2 through a static web server. A warm-up round is left out; each figure
is n, min / median / max.

Then, for the program and the peer: audio back after a 10 s outage of the MP3 source (from the
moment the mount serves again; the limit is a raw client that retries every 20 ms), with the
longest silence in the 6 s after; the program's station change (a click in the station list to
the new station's first sound, beside its connect-to-sound on a fresh start); and memory, CPU
and wake-ups (context switches of all threads) playing with the window open, hidden, and
stopped with the window open; beside them the floor (floor_player): the same libraries and
registry choices with one plain window of the same size, drawing the level meter 20 times a
second or still.

    bench_peers.py PROGRAM ARCHIVE RADIOCAT [rounds [parts]]
        rounds: measured rounds of each first audio (default 10); parts: some of
        first_audio,reconnection,station_change,quietness separated by commas (default all)
"""

import base64
import os
import random
import shutil
import socket
import statistics
import struct
import subprocess
import sys
import threading
import time
from dataclasses import dataclass, replace

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "desktop"))
import rig  # noqa: E402
from servers import (ADMIN_PASSWORD, SOURCE_PASSWORD, Station, free_port,  # noqa: E402,F401
                     wait_for)
from session_bus import start_session_bus  # noqa: E402

PEER = "goodvibes"
ON_AIR = 15.0           # seconds on the air before anyone listens: the server's burst is full
GAP = 0.6               # seconds of silence between two players
# A server hands a new listener its first data when the source's next page comes in (an Ogg
# source's every few hundred ms). A start timed from the last player's first sound would meet
# the source at the same moment of its cycle in every round, and each player at its own: each
# start waits a random further stretch of up to this long.
PHASE_SPREAD = 1.0
OUTAGE = 10.0
OUTAGE_ROUNDS = 3
AFTER_RETURN = 6.0
RETRY = 0.02            # the raw client's retry interval during an outage
CPU_SECONDS = 20.0
SETTLE = 6.0
TICKS = os.sysconf("SC_CLK_TCK")
HLS_SEGMENT = 2         # seconds
# The list's first two mounts also make the country that the station change is clicked in.
FORMATS = [
    # name, mount, the leanest decoding chain after the source
    ("MP3", "/bench.mp3", "mpegaudioparse ! mpg123audiodec"),
    ("Ogg Vorbis", "/bench.ogg", "oggdemux ! vorbisdec"),
    ("Opus", "/bench.opus", "oggdemux ! opusparse ! opusdec"),
    ("AAC", "/bench.aac", "aacparse ! avdec_aac"),
    ("HLS", "/hls/live.m3u8", "hlsdemux ! tsdemux ! aacparse ! avdec_aac"),
]
FEEDS = {
    "/bench.mp3": "audioconvert ! lamemp3enc target=bitrate bitrate=128 cbr=true",
    "/bench.ogg": "audioconvert ! vorbisenc managed=true bitrate=128000 ! oggmux",
    "/bench.opus": "audioconvert ! opusenc bitrate=128000 ! oggmux",
}
TONES = {"/bench.mp3": 262, "/bench.ogg": 440, "/bench.opus": 587, "/bench.aac": 880,
         "/hls/live.m3u8": 1245}


class Relay:
    """A loopback relay to 127.0.0.1:`port` that notes the moment of each connection."""

    def __init__(self, port):
        self.target = port
        self.listener = socket.socket()
        self.listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(64)
        self.port = self.listener.getsockname()[1]
        self.connects = []     # [moment of the connect, moment of the server's first byte]
        self.lock = threading.Lock()
        threading.Thread(target=self._accept, daemon=True).start()

    def url(self, path):
        return "http://127.0.0.1:%d%s" % (self.port, path)

    def first_connect(self, since):
        with self.lock:
            return next((c[0] for c in self.connects if c[0] >= since), None)

    def first_byte(self, since):
        """When the server's first byte reached the first connection made after `since`."""
        with self.lock:
            return next((c[1] for c in self.connects if c[0] >= since), None)

    def _accept(self):
        while True:
            client, _ = self.listener.accept()
            connect = [time.monotonic(), None]
            with self.lock:
                self.connects.append(connect)
            try:
                server = socket.create_connection(("127.0.0.1", self.target))
            except OSError:
                client.close()
                continue
            for a, b, note in ((client, server, None), (server, client, connect)):
                a.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
                threading.Thread(target=self._pump, args=(a, b, note), daemon=True).start()

    def _pump(self, source, target, note):
        """Hands on what `source` sends; `note` (the server's side) gets the moment of the first
        byte after the reply's headers."""
        head = b""
        try:
            while True:
                data = source.recv(65536)
                if not data:
                    break
                if note is not None and note[1] is None:
                    head += data
                    end = head.find(b"\r\n\r\n")
                    if end >= 0 and len(head) > end + 4:
                        with self.lock:
                            note[1] = time.monotonic()
                target.sendall(data)
        except OSError:
            pass
        for end in (source, target):
            try:
                end.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass


def first_byte(port, path, timeout=10.0):
    """Seconds from a connect to `path` to the first byte of its body; None on failure."""
    started = time.monotonic()
    try:
        with socket.create_connection(("127.0.0.1", port), timeout) as s:
            s.sendall(("GET %s HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n" % path).encode())
            data = b""
            while b"\r\n\r\n" not in data:
                chunk = s.recv(4096)
                if not chunk:
                    return None
                data += chunk
            head, body = data.split(b"\r\n\r\n", 1)
            if b" 200 " not in head.split(b"\r\n")[0] + b" ":
                return None
            if not body and not s.recv(1):
                return None
            return time.monotonic() - started, body
    except OSError:
        return None


def hls_first_byte(port, playlist):
    """The playlist, then the segment a live player starts with (the third from the end)."""
    started = time.monotonic()
    got = first_byte(port, playlist)
    if not got:
        return None
    _, body = got
    # The rest of the list follows the first bytes.
    with socket.create_connection(("127.0.0.1", port), 5) as s:
        s.sendall(("GET %s HTTP/1.0\r\n\r\n" % playlist).encode())
        text = b""
        while True:
            chunk = s.recv(65536)
            if not chunk:
                break
            text += chunk
    segments = [line for line in text.decode("latin-1").split("\r\n\r\n", 1)[-1].splitlines()
                if line and not line.startswith("#")]
    if not segments:
        return None
    folder = playlist.rsplit("/", 1)[0]
    if not first_byte(port, "%s/%s" % (folder, segments[max(0, len(segments) - 3)])):
        return None
    return time.monotonic() - started


class AacSource:
    """Sends an ADTS file to icecast2 as a live source, in real time, over and over."""

    def __init__(self, processes, folder, port, mount, hz):
        self.path = os.path.join(folder, "tone.aac")
        subprocess.run(["gst-launch-1.0", "-q", "audiotestsrc", "num-buffers=1300",
                        "freq=%d" % hz, "volume=0.5", "!", "audioconvert", "!", "avenc_aac",
                        "bitrate=128000", "!", "aacparse", "!",
                        "audio/mpeg,stream-format=adts", "!", "filesink",
                        "location=" + self.path], check=True, timeout=60)
        with open(self.path, "rb") as f:
            data = f.read()
        self.frames = []
        at = 0
        while at + 7 <= len(data) and data[at] == 0xFF:
            length = ((data[at + 3] & 3) << 11) | (data[at + 4] << 3) | (data[at + 5] >> 5)
            rate = [96000, 88200, 64000, 48000, 44100, 32000, 24000, 22050, 16000, 12000,
                    11025, 8000][(data[at + 2] >> 2) & 15]
            self.frames.append((data[at:at + length], 1024 / rate))
            at += length
        self.port, self.mount = port, mount
        self.stopping = threading.Event()
        self.thread = None

    def start(self):
        self.stopping.clear()
        self.thread = threading.Thread(target=self._send, daemon=True)
        self.thread.start()

    def stop(self):
        self.stopping.set()
        self.thread.join()

    def _send(self):
        auth = base64.b64encode(("source:%s" % SOURCE_PASSWORD).encode()).decode()
        with socket.create_connection(("127.0.0.1", self.port)) as s:
            s.sendall(("PUT %s HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Basic %s\r\n"
                       "Content-Type: audio/aac\r\nIce-Public: 0\r\n\r\n"
                       % (self.mount, auth)).encode())
            if b"200" not in s.recv(4096):
                return
            started, played = time.monotonic(), 0.0
            while not self.stopping.is_set():
                for frame, length in self.frames:
                    ahead = started + played - time.monotonic()
                    if ahead > 0.05:
                        time.sleep(ahead - 0.05)
                    if self.stopping.is_set():
                        return
                    s.sendall(frame)
                    played += length


@dataclass
class Figures:
    values: list

    def text(self):
        v = [x for x in self.values if x is not None]
        if not v:
            return "none heard"
        missed = len(self.values) - len(v)
        return "%.3f / %.3f / %.3f (n=%d%s)" % (min(v), statistics.median(v), max(v), len(v),
                                                ", %d unheard" % missed if missed else "")

    def median(self):
        v = [x for x in self.values if x is not None]
        return statistics.median(v) if v else None


class Bench:
    def __init__(self, build, rounds):
        self.build = build
        self.rounds = rounds
        # The same stretches in every run of the benchmark.
        self.phases = random.Random(1)
        self.rig = rig.Rig(tray=True, build=build, pulse=True)
        self.processes = self.rig.processes
        self.recording = self.rig.pulse.monitor
        self.icecast = self.rig.servers.icecast
        home = os.path.join(self.rig.home, "bench")
        os.makedirs(home)
        self.home = home
        self.feeds = {}
        for mount, encoder in FEEDS.items():
            self._feed(mount, encoder)
        self.aac = AacSource(self.processes, home, self.icecast.port, "/bench.aac",
                             TONES["/bench.aac"])
        self.aac.start()
        hls = os.path.join(home, "web", "hls")
        os.makedirs(hls)
        self.processes.start(
            ["gst-launch-1.0", "-q", "hlssink2", "name=h", "target-duration=%d" % HLS_SEGMENT,
             "playlist-length=5", "max-files=12",
             "location=" + os.path.join(hls, "seg%05d.ts"),
             "playlist-location=" + os.path.join(hls, "live.m3u8"),
             "audiotestsrc", "is-live=true", "freq=%d" % TONES["/hls/live.m3u8"], "volume=0.5",
             "!", "audioconvert", "!", "avenc_aac", "bitrate=128000", "!", "aacparse", "!",
             "h.audio"], os.path.join(home, "hls.log"))
        self.web_port = free_port()
        self.processes.start([sys.executable, "-m", "http.server", "--bind", "127.0.0.1",
                              "--directory", os.path.join(home, "web"), str(self.web_port)],
                             os.path.join(home, "web.log"))
        self.relays = {"icecast": Relay(self.icecast.port), "web": Relay(self.web_port)}
        self.started_on_air = time.monotonic()
        stations = []
        for name, mount, _ in FORMATS:
            relay = self.relays["web" if mount.startswith("/hls") else "icecast"]
            stations.append(Station("Norway" if len(stations) < 2 else "Japan",
                                    "Bench %s" % name, "%s test tone" % name, TONES[mount], "",
                                    mount=mount, url=relay.url(mount)))
        self.stations = stations
        self.catalogue_env = self.rig.servers.catalogue_variant("peers", stations)
        self.bus = start_session_bus(self.processes, os.path.join(home, "bus"))
        self.peer_runs = 0

    def _feed(self, mount, encoder):
        out = "%s ! shout2send ip=127.0.0.1 port=%d password=%s mount=%s" % (
            encoder, self.icecast.port, SOURCE_PASSWORD, mount)
        self.feeds[mount] = self.processes.start(
            ["gst-launch-1.0", "-q", "audiotestsrc", "is-live=true", "freq=%d" % TONES[mount],
             "volume=0.5", "!"] + out.split(), os.path.join(self.home, "feed%s.log" % mount[1:]))

    def wait_served(self):
        ok = wait_for(lambda: all(self.icecast.serves(m) == 200 for m in
                                  ("/bench.mp3", "/bench.ogg", "/bench.opus", "/bench.aac")) and
                      os.path.exists(os.path.join(self.home, "web", "hls", "live.m3u8")), 30)
        if not ok:
            raise RuntimeError("the bench's mounts are not served (see %s)" % self.home)
        time.sleep(max(0.0, ON_AIR - (time.monotonic() - self.started_on_air)))

    # One start of each player: (seconds from start to sound, seconds from connect to sound).
    def quiet(self):
        wait_for(lambda: rig.silent(self.recording.last(0.3)), 10, 0.05)
        time.sleep(GAP)

    def timed(self, start, stop, relay):
        self.quiet()
        time.sleep(self.phases.uniform(0.0, PHASE_SPREAD))
        started = time.monotonic()
        handle = start()
        try:
            first = self.recording.sound_after(started, 15)
            connect = relay.first_connect(started)
            data = relay.first_byte(started)
            if first is None or connect is None or data is None:
                return None, None, None
            return first, started + first - connect, started + first - data
        finally:
            stop(handle)

    def leanest(self, fmt):
        _, mount, chain = fmt
        relay = self.relay_for(mount)
        pipeline = ("souphttpsrc iradio-mode=false location=%s ! %s ! audioconvert ! "
                    "audioresample ! pulsesink" % (relay.url(mount), chain))
        return self.timed(lambda: self.processes.start(
            ["gst-launch-1.0", "-q"] + pipeline.split(), os.path.join(self.home, "lean.log"),
            env=dict(os.environ, **self.rig.pulse.env)), self.processes.stop, relay)

    def program(self, fmt, env=None):
        station = self.station(fmt)
        relay = self.relay_for(station.mount)
        folder = self.rig.folder({"channel.dat": "package0\n" + station.name})
        return self.timed(lambda: self.rig.start(folder, dict(self.catalogue_env, **(env or {}))),
                          lambda program: self.rig.stop_programs(), relay)

    def peer_env(self):
        self.peer_runs += 1
        home = os.path.join(self.home, "peer%d" % self.peer_runs)
        os.makedirs(home)
        return dict(self.rig.env, HOME=home, XDG_CONFIG_HOME=home + "/config",
                    XDG_DATA_HOME=home + "/data", XDG_CACHE_HOME=home + "/cache",
                    DBUS_SESSION_BUS_ADDRESS=self.bus, GSETTINGS_BACKEND="memory",
                    GTK_A11Y="none", NO_AT_BRIDGE="1")

    def start_peer(self, url):
        return self.processes.start([PEER, url], os.path.join(self.home, "peer.log"),
                                    env=self.peer_env())

    def peer(self, fmt):
        station = self.station(fmt)
        relay = self.relay_for(station.mount)
        return self.timed(lambda: self.start_peer(station.url), self.processes.stop, relay)

    def server(self, fmt):
        _, mount, _ = fmt
        port = self.relay_for(mount).target
        if mount.startswith("/hls"):
            return hls_first_byte(port, mount)
        got = first_byte(port, mount)
        return got and got[0]

    def station(self, fmt):
        return next(s for s in self.stations if s.mount == fmt[1])

    def relay_for(self, mount):
        return self.relays["web" if mount.startswith("/hls") else "icecast"]

    # The first audio of every format.
    def first_audio(self):
        print("First audio on live mounts on the air %d s or more: seconds, min / median / max"
              % ON_AIR)
        print("%-11s %-34s %-34s %-34s %-34s" % ("format", "server's first byte",
                                                  "leanest player", "program", PEER))
        results = {}
        for fmt in FORMATS:
            rows = {"server": [], "lean": [], "program": [], "peer": []}
            for round_ in range(self.rounds + 1):
                server = self.server(fmt)
                lean = self.leanest(fmt)
                program = self.program(fmt)
                peer = self.peer(fmt)
                if round_ == 0:
                    continue   # the warm-up: page cache, GStreamer's registry
                rows["server"].append(server)
                for key, value in (("lean", lean), ("program", program), ("peer", peer)):
                    rows[key].append(value)
            starts = {k: Figures([v[0] for v in rows[k]]) for k in ("lean", "program", "peer")}
            print("%-11s %-34s %-34s %-34s %-34s" % (
                fmt[0], Figures(rows["server"]).text(), starts["lean"].text(),
                starts["program"].text(), starts["peer"].text()))
            connects = {k: Figures([v[1] for v in rows[k]]) for k in starts}
            print("%-11s %-34s %-34s %-34s %-34s" % (
                "  connect", "-", connects["lean"].text(), connects["program"].text(),
                connects["peer"].text()))
            data = {k: Figures([v[2] for v in rows[k]]) for k in starts}
            print("%-11s %-34s %-34s %-34s %-34s" % (
                "  data", "-", data["lean"].text(), data["program"].text(), data["peer"].text()))
            results[fmt[0]] = starts, connects
        print("    (connect: from the player's connect to the server to its first sound; data:\n"
              "     from the first byte of the server's reply body on that connection)")
        for name, (starts, _) in results.items():
            lean, program, peer = (starts[k].median() for k in ("lean", "program", "peer"))
            if None in (lean, program, peer):
                print("%-11s target: not measured" % name)
                continue
            print("%-11s program - leanest %+.3f s (target <= 0.1: %s); program / peer %.2f "
                  "(target <= 0.8: %s)" % (name, program - lean, verdict(program - lean <= 0.1),
                                           program / peer, verdict(program / peer <= 0.8)))
        return results

    # Reconnection.
    def outage_rounds(self, what, start, stop):
        station = self.stations[0]
        handle = start(station)
        times, silences, raw = [], [], []
        try:
            if self.recording.sound_after(time.monotonic() - 0.5, 15) is None:
                print("%s: nothing heard before the outage" % what)
                return
            time.sleep(3.0)
            for _ in range(OUTAGE_ROUNDS):
                self.feeds[station.mount].terminate()
                self.processes.stop(self.feeds[station.mount])
                wait_for(lambda: self.icecast.serves(station.mount) != 200, 10)
                time.sleep(OUTAGE)
                retries = []
                stop_retrying = threading.Event()

                def retry():
                    while not stop_retrying.is_set():
                        got = first_byte(self.icecast.port, station.mount, 2)
                        if got:
                            retries.append(time.monotonic())
                            return
                        time.sleep(RETRY)

                retrier = threading.Thread(target=retry, daemon=True)
                retrier.start()
                self._feed(station.mount, FEEDS[station.mount])
                wait_for(lambda: self.icecast.serves(station.mount) == 200, 10, RETRY)
                returned = time.monotonic()
                back = self.recording.sound_after(returned, 15)
                retrier.join(5)
                stop_retrying.set()
                if retries:
                    raw.append(retries[0] - returned)
                times.append(back)
                if back is not None:
                    silences.append(rig.longest_silence(
                        self.recording.heard(returned + back, AFTER_RETURN)))
                time.sleep(2.0)
        finally:
            stop(handle)
        print("%-11s %-34s longest silence in the %d s after: %s; raw client %s" % (
            what, Figures(times).text(), AFTER_RETURN,
            " ".join("%.2f" % s for s in silences), Figures(raw).text()))
        return Figures(times)

    def reconnection(self):
        print("Audio back after a %d s outage of the MP3 source, from the mount's return "
              "(raw client: retries every %d ms)" % (OUTAGE, RETRY * 1000))
        folder_for = lambda s: self.rig.folder({"channel.dat": "package0\n" + s.name})  # noqa
        program = self.outage_rounds(
            "program", lambda s: self.rig.start(folder_for(s), self.catalogue_env),
            lambda _: self.rig.stop_programs())
        self.quiet()
        self.outage_rounds("peer", lambda s: self.start_peer(s.url), self.processes.stop)
        if program and program.median() is not None:
            print("    target: program back within 0.5 s: %s" % verdict(
                max(v for v in program.values if v is not None) <= 0.5))

    # A click in the station list.
    def station_change(self):
        first, other = self.stations[0], self.stations[1]
        fresh = []
        for _ in range(self.rounds):
            fresh.append(self.program(FORMATS[1])[1])
        self.quiet()
        program = self.rig.start(self.rig.folder({"channel.dat": "package0\n" + first.name}),
                                 self.catalogue_env)
        changes = []
        try:
            window = program.wait_window()
            if self.recording.sound_after(program.started, 15) is None:
                print("station change: nothing heard")
                return
            for round_ in range(self.rounds):
                time.sleep(2.5)
                target = other if round_ % 2 == 0 else first
                row = self.tree_row(program, window, self.stations.index(target))
                relay = self.relays["icecast"]
                clicked = time.monotonic()
                program.click(window, TREE[0] + 150, row)
                connect = wait_for(lambda: relay.first_connect(clicked), 5, 0.01)
                silence = self.silence_after(clicked)
                sound = silence is not None and self.recording.sound_after(silence, 10)
                if sound is None or sound is False or connect is None:
                    changes.append(None)
                    continue
                changes.append(silence + sound - clicked)
        finally:
            self.rig.stop_programs()
        print("Station change (Ogg to MP3 and back): click to new sound %s; a fresh start's "
              "connect to sound %s" % (Figures(changes).text(), Figures(fresh).text()))
        if Figures(changes).median() is not None and Figures(fresh).median() is not None:
            diff = Figures(changes).median() - Figures(fresh).median()
            print("    target: within 0.1 s of the fresh start: %+.3f s: %s"
                  % (diff, verdict(diff <= 0.1)))

    def silence_after(self, moment):
        """The moment the sound first stops after `moment`."""
        def found():
            samples = self.recording.samples(self.recording.position(moment))
            for i in range(0, len(samples) - rig.BLOCK + 1, rig.BLOCK):
                if max(map(abs, samples[i:i + rig.BLOCK])) < rig.SOUND_PEAK:
                    return moment + i / rig.RATE
            return None
        return wait_for(found, 5, 0.05)

    def tree_row(self, program, window, index):
        """The middle of the station list's entry `index`, found by its text on the screen."""
        shot = self.rig.desktop.screenshot()
        left, top, _, _ = program.geometry(window)
        x, y, _, height = TREE
        rows, start = [], None
        for j in range(y + 2, y + height - 2):
            text = any(shot.pixel(left + i, top + j) != (255, 255, 255)
                       for i in range(x + 20, x + 200, 2))
            if text and start is None:
                start = j
            elif not text and start is not None:
                rows.append((start + j) // 2)
                start = None
        return rows[index]

    # Memory, CPU and wake-ups.
    def load(self, process, seconds):
        before, threads_before = proc_figures(process.pid), thread_cpu(process.pid)
        time.sleep(seconds)
        after, threads_after = proc_figures(process.pid), thread_cpu(process.pid)
        busiest = sorted(((cpu - threads_before.get(tid, (0, ""))[0], name)
                          for tid, (cpu, name) in threads_after.items()), reverse=True)[:4]
        return ((after[0] - before[0]) * 100.0 / seconds, (after[1] - before[1]) / seconds,
                after[2], ", ".join("%s %.2f" % (name, cpu * 100.0 / seconds)
                                    for cpu, name in busiest if cpu > 0))

    def quietness(self):
        station = self.stations[0]
        print("Playing %s, %d s a figure: CPU (%% of one core), wake-ups/s, RSS (MB)"
              % (station.name, CPU_SECONDS))
        # No newer version published: the download button would flash, and the timer with it.
        quiet_env = dict(self.catalogue_env,
                         SONAVIA_SITE_BASE=self.rig.servers.catalogue.url("/nosite/"))
        program = self.rig.start(self.rig.folder({"channel.dat": "package0\n" + station.name}),
                                 quiet_env)
        try:
            window = program.wait_window()
            self.rig.desktop.xdotool("mousemove", "--sync", rig.SCREEN[0] - 1, rig.SCREEN[1] - 1)
            time.sleep(SETTLE)
            figures = {"program, window open": self.load(program.process, CPU_SECONDS)}
            print_breakdown("program", program.pid)
            program.click(window, *HIDE_BUTTON)
            wait_for(lambda: not program.windows(), 10, 0.1)
            time.sleep(1.0)
            figures["program, hidden"] = self.load(program.process, CPU_SECONDS)
        finally:
            self.rig.stop_programs()
        self.quiet()
        program = self.rig.start(self.rig.folder({}), quiet_env)
        try:
            program.wait_window()
            time.sleep(SETTLE)
            figures["program, stopped, window open"] = self.load(program.process, CPU_SECONDS)
        finally:
            self.rig.stop_programs()
        self.quiet()
        peer = self.start_peer(station.url)
        try:
            time.sleep(SETTLE)
            figures["%s, playing" % PEER] = self.load(peer, CPU_SECONDS)
            print_breakdown(PEER, peer.pid)
        finally:
            self.processes.stop(peer)
        # The floor: the same libraries with one plain window, drawing the meter or still.
        floor = os.path.join(os.path.dirname(self.build.program), "bench", "radio", "floor_player")
        for what, args in (("floor, meter moving", []), ("floor, still", ["--still"])):
            self.quiet()
            process = self.processes.start([floor, station.url] + args,
                                           os.path.join(self.home, "floor.log"),
                                           env=dict(self.rig.env, **self.rig.pulse.env))
            try:
                time.sleep(SETTLE)
                figures[what] = self.load(process, CPU_SECONDS)
            finally:
                self.processes.stop(process)
        for what, (cpu, wakeups, rss, busiest) in figures.items():
            print("%-34s CPU %5.2f %%   wake-ups %6.1f/s   RSS %5.1f MB   (busiest threads: %s)"
                  % (what, cpu, wakeups, rss, busiest or "none"))
        cpu = figures["program, window open"][0] / max(1e-6, figures["%s, playing" % PEER][0])
        print("    targets: program CPU / peer %.2f (<= 0.8: %s); RSS window open %.1f MB "
              "(<= 55: %s)" % (cpu, verdict(cpu <= 0.8), figures["program, window open"][2],
                               verdict(figures["program, window open"][2] <= 55)))

    def stop(self):
        self.aac.stopping.set()
        self.rig.stop()


PARTS = ["first_audio", "reconnection", "station_change", "quietness"]
TREE = (84, 61, 302, 107)
HIDE_BUTTON = (656 + 17, 21 + 17)


def verdict(met):
    return "met" if met else "MISSED"


def proc_figures(pid):
    """(CPU seconds, context switches of all threads, RSS in MB) of the process."""
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    cpu = (int(fields[11]) + int(fields[12])) / TICKS
    switches = 0
    for tid in os.listdir("/proc/%d/task" % pid):
        try:
            with open("/proc/%d/task/%s/status" % (pid, tid)) as f:
                for line in f:
                    if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                        switches += int(line.split()[1])
        except OSError:
            continue
    with open("/proc/%d/status" % pid) as f:
        rss = next(int(line.split()[1]) for line in f if line.startswith("VmRSS")) / 1024
    return cpu, switches, rss


def thread_cpu(pid):
    """{thread id: (CPU seconds, name)} of the process's threads."""
    threads = {}
    for tid in os.listdir("/proc/%d/task" % pid):
        try:
            with open("/proc/%d/task/%s/stat" % (pid, tid)) as f:
                text = f.read()
        except OSError:
            continue
        name = text[text.index("(") + 1:text.rindex(")")]
        fields = text[text.rindex(")") + 2:].split()
        threads[tid] = ((int(fields[11]) + int(fields[12])) / TICKS, name)
    return threads


def print_breakdown(what, pid, shown=12):
    """Resident memory by mapping: the heap and anonymous memory, and each library."""
    sizes = {}
    name = "?"
    with open("/proc/%d/smaps" % pid) as f:
        for line in f:
            parts = line.split()
            if "-" in parts[0] and len(parts) >= 5 and not parts[0].endswith(":"):
                name = os.path.basename(parts[5]) if len(parts) > 5 else "[anonymous]"
            elif parts[0] == "Rss:":
                sizes[name] = sizes.get(name, 0) + int(parts[1])
    total = sum(sizes.values())
    top = sorted(sizes.items(), key=lambda item: -item[1])[:shown]
    print("    %s resident %.1f MB: %s" % (what, total / 1024, ", ".join(
        "%s %.1f" % (n, kb / 1024) for n, kb in top)))


def main():
    if len(sys.argv) < 4:
        sys.exit("usage: %s PROGRAM ARCHIVE RADIOCAT [rounds]" % sys.argv[0])
    if not shutil.which(PEER):
        sys.exit("%s is not installed: bash scripts/install-deps.sh --bench installs it" % PEER)
    rounds = int(sys.argv[4]) if len(sys.argv) > 4 else 10
    parts = sys.argv[5].split(",") if len(sys.argv) > 5 else PARTS
    bench = Bench(rig.Build(*(os.path.realpath(p) for p in sys.argv[1:4])), rounds)
    try:
        bench.wait_served()
        for part in parts:
            getattr(bench, part)()
    finally:
        bench.stop()


if __name__ == "__main__":
    main()
