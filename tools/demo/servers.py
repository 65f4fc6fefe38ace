"""Loopback servers for the offline demo and the whole-program tests.

DemoServers(processes, folder, radiocat, pages) starts, all on 127.0.0.1:
  - icecast2 with one mount per demo station, each fed by gst-launch-1.0 with a sound of its own
    (STATIONS: tones, a chord, rhythms); every sound has one frequency that dominates it, and
    that frequency appears in no other station's sound;
  - the catalogue server (catalogue_server.py, with its request log) serving a catalogue that
    radiocat builds from those stations, with a shopping root and shopping topics;
  - the site server (catalogue_server.py too): the link pages of the folder `pages` (the build's
    bundled site/sonavia), a version file publishing a version newer than the program's (so the
    download button flashes), a search page and shopping pages.
DemoServers.env() gives the variables that point the program at them;
DemoServers.catalogue_variant() serves another catalogue beside the demo's,
Icecast.stop_feed() / start_feed() take a station off the air and back,
Icecast tells the title of each station that has titles (Station.titles), the next one every
TITLE_INTERVAL seconds (Icecast.hold_title() tells one of a test's own at once instead), through
icecast2's metadata call: MP3 listeners get it in the stream's
metadata, Ogg listeners in the stream's tags (icecast2 starts a new chain with the new comments,
which a listener follows as playbin does), and Icecast.on_air_for() says how long a station has
been on the air (icecast2 sends a new listener a burst of up to 64 KiB from what it holds: a
station on the air for some seconds sends it whole), and BurstyLink(processes, port) is a
loopback proxy to a server that hands on what the server sends only every so often, as a link
that delivers in bursts does.

Every process goes through Processes, which stops each by its PID (stop, stop_all, and at exit).
A guard process holds the list of PIDs too and ends them should this process be killed outright.
"""

import atexit
import base64
import http.client
import json
import os
import shlex
import shutil
import signal
import socket
import subprocess
import sys
import threading
import time
import urllib.parse
from dataclasses import dataclass, replace

HERE = os.path.dirname(os.path.abspath(__file__))
CATALOGUE_SERVER = os.path.join(HERE, "catalogue_server.py")
START_TIMEOUT = 30
STOP_GRACE = 2
# Above the program's own version, whatever the build: the download button offers it.
PUBLISHED_VERSION = "9.5"
SOURCE_PASSWORD = "demo-source"
ADMIN_USER = "admin"
ADMIN_PASSWORD = "demo-admin"
# Seconds between two titles of a station, as a station plays one song after another; the
# stations take turns, so that some title changes every few seconds.
TITLE_INTERVAL = 60

# Kills what is left of a list of PIDs once its input closes: when the process that started them
# ends without stopping them (killed by a signal that cannot be caught, or a crash).
GUARD = r"""
import os, signal, sys, time
pids = set()
for line in sys.stdin:
    pid = int(line)
    pids.add(pid) if pid > 0 else pids.discard(-pid)
for sig in (signal.SIGTERM, signal.SIGKILL):
    for pid in pids:
        try:
            os.kill(pid, sig)
        except OSError:
            pass
    time.sleep(0.5)
"""

# A TCP proxy on 127.0.0.1: argv is its port, the server's port and the hold in seconds. What the
# client sends goes on at once; what the server sends is held and handed on in one piece each
# time the hold has passed.
BURSTY_LINK = r"""
import socket, sys, threading, time
port, server_port, hold = int(sys.argv[1]), int(sys.argv[2]), float(sys.argv[3])

def close(*ends):
    for end in ends:
        try:
            end.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass

def forward(source, target):
    try:
        while True:
            data = source.recv(65536)
            if not data:
                break
            target.sendall(data)
    except OSError:
        pass
    close(source, target)

def hold_back(source, target):
    held, lock, ended = [], threading.Lock(), threading.Event()
    def read():
        try:
            while True:
                data = source.recv(65536)
                if not data:
                    break
                with lock:
                    held.append(data)
        except OSError:
            pass
        ended.set()
    threading.Thread(target=read, daemon=True).start()
    try:
        while True:
            done = ended.wait(hold)
            with lock:
                data = b"".join(held)
                held.clear()
            if data:
                target.sendall(data)
            if done:
                break
    except OSError:
        pass
    close(source, target)

listener = socket.socket()
listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
listener.bind(("127.0.0.1", port))
listener.listen(16)
print("ready", flush=True)
while True:
    client, _ = listener.accept()
    try:
        server = socket.create_connection(("127.0.0.1", server_port), timeout=5)
        server.settimeout(None)
    except OSError:
        client.close()
        continue
    threading.Thread(target=forward, args=(client, server), daemon=True).start()
    threading.Thread(target=hold_back, args=(server, client), daemon=True).start()
"""


def wait_for(condition, timeout, step=0.05):
    """Polls `condition` until it holds or `timeout` seconds pass; returns its last value."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(step)
    return condition()


class Processes:
    """Starts processes and stops every one of them by its PID."""

    def __init__(self):
        self.running = []
        self.guard = subprocess.Popen([sys.executable, "-c", GUARD], stdin=subprocess.PIPE,
                                      text=True, start_new_session=True)
        atexit.register(self.close)

    def start(self, argv, log=None, **options):
        """Starts argv in a session of its own (a Ctrl+C in the terminal reaches only us);
        its output goes to the file `log` unless `options` say otherwise."""
        options.setdefault("stdin", subprocess.DEVNULL)
        output = open(log or os.devnull, "ab")
        options.setdefault("stdout", output)
        options.setdefault("stderr", output)
        try:
            process = subprocess.Popen(argv, start_new_session=True, **options)
        finally:
            output.close()
        self._tell_guard(process.pid)
        self.running.append(process)
        return process

    def stop(self, process, grace=STOP_GRACE):
        """Ends the process by its PID (a polite request, then a kill); returns its exit code."""
        if process.poll() is None:
            process.terminate()
            try:
                process.wait(grace)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
        for stream in (process.stdin, process.stdout):
            if stream:
                stream.close()
        self.forget(process)
        return process.returncode

    def forget(self, process):
        """Takes a process that has ended, or that is stopped elsewhere, off the lists."""
        if process in self.running:
            self.running.remove(process)
            self._tell_guard(-process.pid)

    def watch(self, pid):
        """Holds a process that another one started (a session bus's activation) to be ended
        should this one be killed outright; stop_pid() ends it."""
        self._tell_guard(pid)

    def stop_pid(self, pid, grace=STOP_GRACE):
        """Ends a watched process by its PID, a polite request first; True once it has gone."""
        for sig, wait in ((signal.SIGTERM, grace), (signal.SIGKILL, grace)):
            try:
                os.kill(pid, sig)
            except ProcessLookupError:
                break
            if wait_for(lambda: not _running(pid), wait, 0.05):
                break
        self._tell_guard(-pid)
        return not _running(pid)

    def stop_all(self):
        """Asks every process at once, the latest first, then waits for each."""
        for process in reversed(self.running):
            if process.poll() is None:
                process.terminate()
        for process in reversed(list(self.running)):
            self.stop(process)

    def close(self):
        self.stop_all()
        if self.guard.poll() is None:
            self.guard.stdin.close()
            self.guard.wait()

    def _tell_guard(self, pid):
        self.guard.stdin.write("%d\n" % pid)
        self.guard.stdin.flush()


def _running(pid):
    """Whether the process runs: not gone, and no zombie waiting for its parent."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            return f.read().rsplit(")", 1)[1].split()[0] != "Z"
    except OSError:
        return False


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


@dataclass
class Station:
    country: str
    name: str
    description: str
    hz: float         # the frequency that dominates its sound
    sound: str        # gst-launch-1.0 source; "{out}" stands for the encoder and the sender
    mp3: bool = False
    offered: bool = True
    mount: str = ""   # "/" + file name on icecast2
    url: str = ""     # set once the server runs
    position: int = 0  # record index in the catalogue: its address file is package0/<position+1>.rd
    titles: tuple = ()  # what it plays, "Artist - Title", one after another

    def __post_init__(self):
        stem = "".join(c for c in self.name.lower() if c.isalnum())
        self.mount = self.mount or "/%s.%s" % (stem, "mp3" if self.mp3 else "ogg")


def _tone(hz, wave="sine", volume=0.5):
    return "audiotestsrc is-live=true wave=%s freq=%s volume=%s ! {out}" % (wave, hz, volume)


def _ticks(hz, interval_ms, length_ms):
    periods = round(hz * length_ms / 1000)
    return ("audiotestsrc is-live=true wave=ticks freq=%s volume=0.6 tick-interval=%d "
            "sine-periods-per-tick=%d apply-tick-ramp=true ! {out}"
            % (hz, interval_ms * 1000000, periods))


def _chord(root, *others):
    # The root is louder than the other notes: it dominates.
    voices = "".join(" audiotestsrc is-live=true freq=%s volume=0.15 ! mix." % hz for hz in others)
    return "audiomixer name=mix ! {out} audiotestsrc is-live=true freq=%s volume=0.4 ! mix.%s" % (
        root, voices)


# The demo stations. Their dominant frequencies lie far apart, and no overtone or other note of
# one sound comes near another station's frequency (the square's 495, 825, 1155 Hz; the chord's
# 330 and 392 Hz; the triangle's 1761 Hz).
STATIONS = [
    Station("Norway", "Fjord Tone", "A steady 440 Hz tone", 440, _tone(440),
            titles=("The Tuning Forks - Concert A", "Lena Strand - Still Water",
                    "The Tuning Forks - Four Hundred Forty")),
    Station("Norway", "Aurora Chord", "A C major chord on 262 Hz", 262, _chord(262, 330, 392),
            mp3=True, titles=("Nordlys Trio - Major Lights", "Nordlys Trio - Middle C",
                              "Kari Vik - Polar Night")),
    Station("Italy", "Campanile Ticks", "Short 880 Hz beeps, four a second", 880,
            _ticks(880, 250, 100), titles=("Orologio - Quarter Past", "Orologio - Mezzanotte",
                                           "I Rintocchi - Campane")),
    Station("Italy", "Basso Square", "A buzzing 165 Hz square wave", 165,
            _tone(165, "square", 0.3), mp3=True,
            titles=("Onda Quadra - Basso Continuo", "Marco Ferro - Ronzio",
                    "Onda Quadra - Low Hum")),
    Station("Japan", "Sakura Flute", "A soft 587 Hz triangle wave", 587, _tone(587, "triangle"),
            titles=("Hana Mori - Spring Breath", "Hana Mori - Petals",
                    "Kaze Ensemble - Bamboo Wind")),
    Station("Japan", "Kyoto Pulse", "A slow 1245 Hz pulse, two a second", 1245,
            _ticks(1245, 500, 250), mp3=True,
            titles=("Shinkansen Beat - Platform Two", "Yuki Sato - Heartbeat City",
                    "Shinkansen Beat - Night Line")),
    # In the catalogue but not in the package: never listed, never played.
    Station("Japan", "Closed Channel", "Not offered in the free package", 440, "",
            mount="/fjordtone.ogg", offered=False),
]

SHOPPING_TOPICS = ["portable radios", "headphones", "vinyl records", "smart speakers"]

def _write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write(text)


def _page(title, text):
    return ("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>%s</title></head>"
            "<body style=\"font-family: sans-serif\"><h1>%s</h1><p>%s</p></body></html>\n"
            % (title, title, text))


class Icecast:
    """icecast2 on a free loopback port, with one live feed per station that has a sound."""

    def __init__(self, processes, folder, stations):
        self.processes = processes
        self.folder = folder
        self.port = free_port()
        logs = os.path.join(folder, "log")
        os.makedirs(logs, exist_ok=True)
        owner = ""
        if os.geteuid() == 0:
            # icecast2 refuses the superuser: it takes on this user before it opens its logs.
            import grp
            import pwd
            os.chmod(folder, 0o711)
            os.chown(logs, pwd.getpwnam("icecast2").pw_uid, grp.getgrnam("icecast").gr_gid)
            owner = "<changeowner><user>icecast2</user><group>icecast</group></changeowner>"
        config = os.path.join(folder, "icecast.xml")
        _write(config, (
            "<icecast>\n"
            "  <limits><clients>50</clients><sources>16</sources>"
            "<burst-size>65536</burst-size></limits>\n"
            "  <authentication><source-password>%s</source-password><admin-user>%s</admin-user>"
            "<admin-password>%s</admin-password></authentication>\n"
            "  <hostname>127.0.0.1</hostname>\n"
            "  <listen-socket><port>%d</port>"
            "<bind-address>127.0.0.1</bind-address></listen-socket>\n"
            "  <paths><logdir>%s</logdir></paths>\n"
            "  <logging><accesslog>access.log</accesslog><errorlog>error.log</errorlog>"
            "<loglevel>2</loglevel></logging>\n"
            "  <security><chroot>0</chroot>%s</security>\n"
            "</icecast>\n") % (SOURCE_PASSWORD, ADMIN_USER, ADMIN_PASSWORD, self.port, logs,
                                owner))
        self.server = processes.start(["icecast2", "-c", config],
                                      os.path.join(folder, "icecast.out"))
        if not wait_for(lambda: self.server.poll() is None and self.serves("/"), START_TIMEOUT):
            raise RuntimeError("icecast2 did not start (see %s)" % folder)
        for station in stations:
            station.url = self.url(station.mount)
        self.feeds = {}
        self.feeds_started = {}
        fed = [s for s in stations if s.sound]
        for station in fed:
            self._feed(station)

        def all_served():
            for station in fed:
                # On a loaded machine a feed can give up before the server takes sources.
                if self.feeds[station.mount].poll() is not None:
                    self.processes.forget(self.feeds[station.mount])
                    self._feed(station)
            return all(self.serves(s.mount) == 200 for s in fed)

        if not wait_for(all_served, START_TIMEOUT, 0.2):
            raise RuntimeError("the demo mounts are not served (see %s)" % folder)
        self.stations = stations
        self.titles_started = time.monotonic()
        self.told = {}      # mount: the title icecast2 took for its current feed
        self.held = {}      # mount: a title a test holds instead of the turns
        self.told_lock = threading.Lock()
        self.tell_titles()
        threading.Thread(target=self._tell_titles_in_turn, daemon=True).start()

    def stop_feed(self, station):
        """Takes the station off the air: its feed ends and icecast2 drops its listeners."""
        feed = self.feeds.pop(station.mount)
        self.processes.stop(feed)
        if not wait_for(lambda: self.serves(station.mount) != 200, START_TIMEOUT):
            raise RuntimeError("icecast2 still serves %s" % station.mount)

    def start_feed(self, station, step=0.2):
        """Puts the station back on the air; returns the moment (time.monotonic()) icecast2 was
        seen to serve it again, looking every `step` seconds."""
        self._feed(station)
        if not wait_for(lambda: self.serves(station.mount) == 200, START_TIMEOUT, step):
            raise RuntimeError("%s is not served again (see %s)" % (station.mount, self.folder))
        served = time.monotonic()
        # A new feed starts without the title: it is told again.
        with self.told_lock:
            self.told.pop(station.mount, None)
        self.tell_titles()
        return served

    def title_now(self, station):
        """The title the station plays now; None for a station without titles."""
        if station.mount in self.held:
            return self.held[station.mount]
        if not station.titles:
            return None
        # Each station's turn comes at its own point of the interval.
        turn_order = self.stations.index(station) if station in self.stations else 0
        offset = turn_order * TITLE_INTERVAL / max(1, len(self.stations))
        turn = int((time.monotonic() - self.titles_started + offset) // TITLE_INTERVAL)
        return station.titles[turn % len(station.titles)]

    def hold_title(self, station, title):
        """Tells icecast2 `title` for the station now, and keeps it until the next one held."""
        self.held[station.mount] = title
        self.tell_titles()

    def tell_titles(self):
        """Tells icecast2 the title of each station on the air whose title it has not yet."""
        for station in self.stations:
            title = self.title_now(station)
            if title is None or station.mount not in self.feeds:
                continue
            with self.told_lock:
                if self.told.get(station.mount) == title:
                    continue
                if self._tell_title(station.mount, title):
                    self.told[station.mount] = title

    def _tell_titles_in_turn(self):
        while self.server.poll() is None:
            time.sleep(1)
            self.tell_titles()

    def _tell_title(self, mount, title):
        query = urllib.parse.urlencode({"mount": mount, "mode": "updinfo", "song": title})
        credentials = base64.b64encode(("%s:%s" % (ADMIN_USER, ADMIN_PASSWORD)).encode()).decode()
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=2)
        try:
            connection.request("GET", "/admin/metadata?" + query,
                               headers={"Authorization": "Basic " + credentials})
            return connection.getresponse().status == 200
        except OSError:
            return False
        finally:
            connection.close()

    def on_air_for(self, station):
        """Seconds since the station's feed started (and, give or take, since it went on air)."""
        return time.monotonic() - self.feeds_started[station.mount]

    def wait_on_air(self, station, seconds):
        """Waits until the station has been on the air `seconds`, so that its burst is full."""
        time.sleep(max(0.0, seconds - self.on_air_for(station)))

    def _feed(self, station):
        # A pure tone compresses so well that a free bitrate would put many seconds into the
        # server's burst; a managed bitrate keeps the burst short.
        encoder = ("audioconvert ! lamemp3enc target=bitrate bitrate=128 cbr=true" if station.mp3
                   else "audioconvert ! vorbisenc managed=true bitrate=128000 ! oggmux")
        out = "%s ! shout2send ip=127.0.0.1 port=%d password=%s mount=%s" % (
            encoder, self.port, SOURCE_PASSWORD, station.mount)
        log = os.path.join(self.folder, "feed%s.out" % station.mount.replace("/", "-"))
        self.feeds[station.mount] = self.processes.start(
            ["gst-launch-1.0", "-q"] + shlex.split(station.sound.format(out=out)), log)
        self.feeds_started[station.mount] = time.monotonic()

    def url(self, mount):
        return "http://127.0.0.1:%d%s" % (self.port, mount)

    def serves(self, path):
        """The status of a GET of `path` (its headers only), or None when nothing answers."""
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=2)
        try:
            connection.request("GET", path)
            return connection.getresponse().status
        except OSError:
            return None
        finally:
            connection.close()


class BurstyLink:
    """A loopback proxy to the server on `server_port` that holds what the server sends and hands
    it on every `hold` seconds; url(path) is the proxy's address of the server's `path`."""

    def __init__(self, processes, server_port, hold=0.3):
        self.port = free_port()
        self.process = processes.start(
            [sys.executable, "-c", BURSTY_LINK, str(self.port), str(server_port), str(hold)],
            stdout=subprocess.PIPE)
        if self.process.stdout.readline().strip() != b"ready":
            raise RuntimeError("the bursty link did not start")

    def url(self, path):
        return "http://127.0.0.1:%d%s" % (self.port, path)


class HttpServer:
    """catalogue_server.py serving `root`; every request's path goes to its log."""

    def __init__(self, processes, root, log):
        os.makedirs(root, exist_ok=True)
        self.root, self.log = root, log
        open(log, "w").close()
        self.process = processes.start(
            [sys.executable, CATALOGUE_SERVER, "--root", root, "--log", log, "--times"],
            log + ".out", stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        ports = self.process.stdout.readline()
        if not ports:
            raise RuntimeError("the loopback server did not start (see %s.out)" % log)
        self.port = json.loads(ports)["http"]

    def url(self, path="/"):
        return "http://127.0.0.1:%d%s" % (self.port, path)

    def requests(self):
        """The path of every request so far, in order."""
        return [path for path, _ in self.timed_requests()]

    def timed_requests(self):
        """(path, time it came in as from time.time()) of every request so far, in order."""
        with open(self.log, encoding="latin-1") as f:
            lines = [line.split("\t") for line in f.read().splitlines()]
        return [(fields[0], float(fields[-1])) for fields in lines]

    def clear_log(self):
        open(self.log, "w").close()


def write_station_list(path, stations):
    lines = ["# The offline demo's stations: generated sounds on a local icecast2.",
             "# country\tname\tdescription\tstream address\toffered"]
    for position, station in enumerate(stations):
        station.position = position
        lines.append("\t".join([station.country, station.name, station.description, station.url,
                                "1" if station.offered else "0"]))
    _write(path, "\n".join(lines) + "\n")


def write_site(root, pages, search_folder):
    """The maker's pages below "sonavia/" (copied from the folder `pages`), a version file that
    publishes a newer version, the search page with its home page, and the shopping pages."""
    shutil.copytree(pages, os.path.join(root, "sonavia"), dirs_exist_ok=True)
    _write(os.path.join(root, "sonavia", "channelsplus", "versionplus.txt"),
           PUBLISHED_VERSION + "\r\n")
    _write(os.path.join(root, search_folder, "index.html"),
           _page("Search", "The offline demo's search page."))
    _write(os.path.join(root, search_folder, "search"),
           _page("Search results", "Nothing is searched in the offline demo."))
    for topic in SHOPPING_TOPICS:
        # Topics are listed with a capital first letter and blanks turned into "-".
        folder = (topic[0].upper() + topic[1:]).replace(" ", "-")
        _write(os.path.join(root, "shopping", folder, "index.html"),
               _page(topic.capitalize(), "The offline demo sells nothing."))


class DemoServers:
    """The demo's icecast2, catalogue server and site server, started in `folder`."""

    SEARCH_FOLDER = "websearch"

    def __init__(self, processes, folder, radiocat, pages, stations=STATIONS):
        self.stations = stations
        self.radiocat = radiocat
        self.icecast = Icecast(processes, os.path.join(folder, "icecast"), stations)
        self.site = HttpServer(processes, os.path.join(folder, "site"),
                               os.path.join(folder, "site-requests.log"))
        write_site(self.site.root, pages, self.SEARCH_FOLDER)

        station_list = os.path.join(folder, "stations.tsv")
        write_station_list(station_list, stations)
        topics = os.path.join(folder, "shopping-topics.txt")
        _write(topics, "".join(t + "\n" for t in SHOPPING_TOPICS))
        catalogue = os.path.join(folder, "catalogue")
        built = subprocess.run([radiocat, "build", station_list, catalogue,
                                "--shopping-root", self.site.url("/"), "--shopping", topics],
                               capture_output=True, text=True, timeout=60)
        if built.returncode != 0:
            raise RuntimeError("radiocat could not build the demo catalogue:\n" + built.stderr)
        self.catalogue = HttpServer(processes, catalogue,
                                    os.path.join(folder, "catalogue-requests.log"))

    def catalogue_variant(self, name, stations, flags=True):
        """Serves a catalogue of `stations` (copies are taken; none for an empty catalogue) beside
        the demo's, without the package's availability flags when `flags` is false (then no
        station is offered); returns the variables that point the program at it. Its requests
        go to the same log, below "/name/"."""
        root = os.path.join(self.catalogue.root, name)
        if stations:
            station_list = os.path.join(os.path.dirname(self.catalogue.log), name + ".tsv")
            write_station_list(station_list, [replace(s) for s in stations])
            built = subprocess.run([self.radiocat, "build", station_list, root],
                                   capture_output=True, text=True, timeout=60)
            if built.returncode != 0:
                raise RuntimeError("radiocat could not build %s:\n%s" % (name, built.stderr))
            if not flags:
                os.remove(os.path.join(root, "Sonavia", "freechannels", "package0.rd"))
        else:
            # A catalogue that lists no station at all, which radiocat does not write.
            _write(os.path.join(root, "Sonavia", "channelsplus", "channels.rd"), "0\n")
            _write(os.path.join(root, "Sonavia", "freechannels", "package0.rd"), "\n")
        return dict(self.env(), SONAVIA_CATALOGUE_BASE=self.catalogue.url("/%s/" % name))

    def station(self, name):
        return next(s for s in self.stations if s.name == name)

    def env(self):
        return {
            "SONAVIA_CATALOGUE_BASE": self.catalogue.url("/"),
            "SONAVIA_SITE_BASE": self.site.url("/"),
            "SONAVIA_SEARCH_BASE": self.site.url("/%s/" % self.SEARCH_FOLDER),
        }
