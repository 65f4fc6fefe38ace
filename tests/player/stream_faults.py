"""A loopback HTTP server whose streams misbehave, for the player's tests.

    stream_faults.py PORT FOLDER MP3

/realtime.mp3  the MP3 (constant bitrate), repeated, at exactly real time with no burst; with a
               stream title every second when the client asks for one
/burst.mp3     three seconds of the MP3 at once, then nothing on an open connection
/headers.mp3   the reply's headers, then nothing on an open connection
/flap.mp3      0.4 s of the MP3 at once, then the connection closes
/flap-count    how many /flap.mp3 requests have come
/slow/NAME     the file NAME of FOLDER, after a delay of a second
/count         how many /slow/ requests have come
"""

import http.server
import os
import sys
import threading
import time

BYTES_PER_SECOND = 16000  # 128 kbit/s
CHUNKS_PER_SECOND = 10
BURST_SECONDS = 3
FLAP_SECONDS = 0.4
SLOW_DELAY = 1.0
HOLD_SECONDS = 120
TITLE = b"StreamTitle='Tone one';"
TYPES = {".pls": "audio/x-scpls", ".m3u": "audio/x-mpegurl", ".mp3": "audio/mpeg"}

port, folder, mp3_path = int(sys.argv[1]), sys.argv[2], sys.argv[3]
with open(mp3_path, "rb") as mp3_file:
    MP3 = mp3_file.read()
slow_requests = 0
flap_requests = 0
count_lock = threading.Lock()


def metadata_block():
    length = (len(TITLE) + 15) // 16
    return bytes([length]) + TITLE.ljust(length * 16, b"\0")


class Handler(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def start_stream(self, metaint=0):
        self.send_response(200)
        self.send_header("Content-Type", "audio/mpeg")
        if metaint:
            self.send_header("icy-metaint", str(metaint))
        self.end_headers()
        self.wfile.flush()

    def hold(self):
        time.sleep(HOLD_SECONDS)

    def realtime(self):
        metaint = BYTES_PER_SECOND if self.headers.get("Icy-MetaData") == "1" else 0
        self.start_stream(metaint)
        chunk = BYTES_PER_SECOND // CHUNKS_PER_SECOND
        start = time.monotonic()
        sent = 0
        while True:
            due = start + sent / BYTES_PER_SECOND
            time.sleep(max(0.0, due - time.monotonic()))
            position = sent % len(MP3)
            data = (MP3 + MP3)[position:position + chunk]
            if metaint:
                # The title goes in after every metaint bytes of audio.
                before = metaint - sent % metaint
                if before <= chunk:
                    data = data[:before] + metadata_block() + data[before:]
            self.wfile.write(data)
            self.wfile.flush()
            sent += chunk

    def send_count(self, count):
        body = str(count).encode()
        self.send_response(200)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        global slow_requests, flap_requests
        try:
            if self.path == "/realtime.mp3":
                self.realtime()
            elif self.path == "/burst.mp3":
                self.start_stream()
                self.wfile.write(MP3[:BYTES_PER_SECOND * BURST_SECONDS])
                self.wfile.flush()
                self.hold()
            elif self.path == "/headers.mp3":
                self.start_stream()
                self.hold()
            elif self.path == "/flap.mp3":
                with count_lock:
                    flap_requests += 1
                self.start_stream()
                self.wfile.write(MP3[:int(BYTES_PER_SECOND * FLAP_SECONDS)])
                self.wfile.flush()
                self.close_connection = True
            elif self.path == "/count":
                with count_lock:
                    count = slow_requests
                self.send_count(count)
            elif self.path == "/flap-count":
                with count_lock:
                    count = flap_requests
                self.send_count(count)
            elif self.path.startswith("/slow/"):
                with count_lock:
                    slow_requests += 1
                time.sleep(SLOW_DELAY)
                name = os.path.basename(self.path[len("/slow/"):])
                path = os.path.join(folder, name)
                if not os.path.isfile(path):
                    self.send_error(404)
                    return
                with open(path, "rb") as served:
                    body = served.read()
                self.send_response(200)
                self.send_header("Content-Type",
                                 TYPES.get(os.path.splitext(name)[1], "text/plain"))
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)
            else:
                self.send_error(404)
        except (BrokenPipeError, ConnectionResetError):
            pass


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True


Server(("127.0.0.1", port), Handler).serve_forever()
