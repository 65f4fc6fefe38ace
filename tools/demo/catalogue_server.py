#!/usr/bin/env python3
"""A loopback catalogue and site server for the tests, the benchmark and the offline demo.

Serves the files of a folder over HTTP on 127.0.0.1 and records every request (its path, a tab
and its user agent, one line each; with --times a tab and the time it came in, in seconds since
the epoch, follow) in a log file. A folder's address serves its index.html; a
file that holds a web page is sent as text/html whatever its name (the site's pages end in
".php"), a style sheet as text/css, an ".mp3" or ".ogg" file as audio (whatever it holds), every
other file as text/plain. Paths that start with /fault/<mode>/ misbehave:

  silent         accepts, reads the request and sends nothing
  headers        sends the header of an MP3 stream, then nothing
  stall          sends the header and the first half of the body, then nothing
  drip           sends the reply (at least 4 kB) one byte every 100 ms
  close          announces the whole body, sends half of it and closes
  cut            sends the first half of the file as a stream (no length given), then closes
  big            sends the file followed by filler, 1 MB in all
  gzip           sends the file compressed (Content-Encoding: gzip), asked for or not
  html           answers with a web page
  404, 500       answer that status with a plain-text body
  redirect       redirects to the path after the mode, or to the address after it
                 (/fault/redirect/file:///tmp/x)
  redirect-loop  redirects to itself for ever
  icy            streams the file (an MP3 of 128 kbit/s) over and over at real time as a radio
                 server does; a client that asks for metadata gets an empty block after every
                 byte of audio (icy-metaint 1)
  titles         as icy, with a stream title every second to a client that asks for metadata:
                 the longest a metadata block holds (4080 bytes), with control characters
  reset          as icy without metadata for two seconds, then resets the connection
  flap           as icy without metadata for 0.4 s, then closes: a station that keeps dropping
  spoof          as titles, with a title that hides its text behind bidirectional overrides,
                 isolates and zero-width characters
  grow           sends the file to the path's first request and "<file>.grown" to the later
                 ones: a live HLS list that grows after its first fetch

A file that has a "<name>.hold" beside it is held: its request waits as many seconds as the hold
file says (at most until the hold file goes), then gets its answer.

Two further ports are not HTTP: "refused" is bound but not listening, so every connection is
refused; "backlog" listens with a full backlog, so a connection is never completed.

On start one line of JSON goes to standard output: {"http": port, "refused": port,
"backlog": port}. The server ends when its standard input closes, so it never outlives the test
that started it.
"""

import argparse
import gzip
import http.server
import json
import os
import re
import select
import socket
import struct
import sys
import threading
import time
import urllib.parse

DRIP_INTERVAL = 0.1
HOLD_POLL = 0.05
DRIP_SIZE = 4096
BIG_SIZE = 1024 * 1024
HTML_PAGE = (b"<!DOCTYPE html>\n<html><head><title>Sign in</title></head>"
             b"<body><p>Please sign in to use this network.</p></body></html>\n")
ERROR_BODIES = {404: b"Not Found\n", 500: b"Internal Server Error\n"}
DEFAULT_BODY = b"0123456789" * 100
ICY_BYTES_PER_SECOND = 16000
ICY_CHUNKS_PER_SECOND = 10
AUDIO_TYPES = {".mp3": "audio/mpeg", ".ogg": "audio/ogg"}
# A metadata block's length is one byte, in units of 16 bytes.
LONGEST_TITLE_BLOCK = 255 * 16
TITLE_START = b"StreamTitle='Night\x01\x07 Shift\x1b[2J\r\n\t"
RESET_AFTER = 2.0
FLAP_AFTER = 0.4
# Shows as "exe.png Tuning Forks" where the overrides are obeyed.
SPOOF_TITLE = "StreamTitle='\u202egnp.exe\u202c\u200b Tuning\u2066 \ufeffForks\u2069';".encode()


def content_type(path, body):
    if body.lstrip()[:15].lower().startswith((b"<!doctype html", b"<html")):
        return "text/html"
    if path.endswith(".css"):
        return "text/css"
    return AUDIO_TYPES.get(os.path.splitext(path)[1], "text/plain")


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"
    server_version = "CatalogueServer"

    def log_message(self, *args):
        pass

    def do_GET(self):
        self.server.record(self.path, self.headers.get("User-Agent", ""))
        # A proxied request names the whole address; the file is its path.
        path = urllib.parse.urlsplit(self.path).path
        mode, rest = None, path
        if path.startswith("/fault/"):
            parts = path.split("/", 3)
            mode = parts[2]
            rest = "/" + (parts[3] if len(parts) > 3 else "")
        try:
            self.answer(mode, rest)
        except OSError:  # the client went first, as a bounded read does
            pass

    def file_bytes(self, rest):
        root = os.path.realpath(self.server.root)
        target = os.path.realpath(os.path.join(root, urllib.parse.unquote(rest).lstrip("/")))
        if target == root or os.path.isdir(target):
            target = os.path.join(target, "index.html")
        if not target.startswith(root + os.sep) or not os.path.isfile(target):
            return None
        with open(target, "rb") as f:
            return f.read()

    def send_plain(self, status, body, content_type="text/plain", length=None):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body) if length is None else length))
        self.end_headers()

    def wait_for_close(self):
        """Holds the connection, sending nothing, until the client goes."""
        while True:
            readable, _, _ = select.select([self.connection], [], [], 0.5)
            if readable and not self.connection.recv(4096):
                return

    def icy_stream(self, audio, mode):
        """Streams the audio over and over at real time; "icy" puts an empty metadata block after
        every byte, "titles" and "spoof" a title block after every second, "reset" ends in a
        reset, "flap" in a close."""
        metadata = self.headers.get("Icy-MetaData") == "1" and mode not in ("reset", "flap")
        interval = 1 if mode == "icy" else ICY_BYTES_PER_SECOND
        self.send_response(200)
        self.send_header("Content-Type", "audio/mpeg")
        if metadata:
            self.send_header("icy-metaint", str(interval))
        self.end_headers()
        chunk = ICY_BYTES_PER_SECOND // ICY_CHUNKS_PER_SECOND
        looped = audio + audio[:chunk]
        if mode == "spoof":
            title = SPOOF_TITLE.ljust(-(-len(SPOOF_TITLE) // 16) * 16, b"\0")
        else:
            title = TITLE_START.ljust(LONGEST_TITLE_BLOCK - 2, b"x") + b"';"
        block = bytes([len(title) // 16]) + title
        end = {"reset": RESET_AFTER, "flap": FLAP_AFTER}.get(mode)
        start, sent = time.monotonic(), 0
        while end is None or sent < end * ICY_BYTES_PER_SECOND:
            at = sent % len(audio)
            piece = looped[at:at + chunk]
            if metadata and interval == 1:
                # An empty metadata block is one zero byte.
                piece = b"".join(bytes([b, 0]) for b in piece)
            elif metadata and (sent + chunk) % interval == 0:
                piece += block
            self.wfile.write(piece)
            self.wfile.flush()
            sent += chunk
            time.sleep(max(0.0, start + sent / ICY_BYTES_PER_SECOND - time.monotonic()))
        if mode == "flap":
            return
        # No orderly end: closed at once with a lingering time of 0, the connection is reset.
        self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        os.close(self.connection.detach())

    def hold(self, rest):
        """Waits while a hold file stands beside the file, for as long as it says."""
        marker = self.file_bytes(rest + ".hold")
        if marker is None:
            return
        deadline = time.monotonic() + float(marker or 0)
        while time.monotonic() < deadline and self.file_bytes(rest + ".hold") is not None:
            time.sleep(HOLD_POLL)

    def answer(self, mode, rest):
        if mode is None:
            self.hold(rest)
            body = self.file_bytes(rest)
            if body is None:
                self.send_plain(404, ERROR_BODIES[404])
                self.wfile.write(ERROR_BODIES[404])
                return
            self.send_plain(200, body, content_type(rest, body))
            self.wfile.write(body)
            return
        if mode in ("404", "500"):
            status = int(mode)
            self.send_plain(status, ERROR_BODIES[status])
            self.wfile.write(ERROR_BODIES[status])
            return
        if mode == "silent":
            self.wait_for_close()
            return
        if mode == "html":
            self.send_plain(200, HTML_PAGE, "text/html")
            self.wfile.write(HTML_PAGE)
            return
        if mode == "headers":
            self.send_response(200)
            self.send_header("Content-Type", "audio/mpeg")
            self.end_headers()
            self.wfile.flush()
            self.wait_for_close()
            return
        if mode in ("redirect", "redirect-loop"):
            target = rest[1:] if re.match(r"/[a-z]+:", rest) else rest
            self.send_response(302)
            self.send_header("Location", target if mode == "redirect" else self.path)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        asked = rest
        if mode == "grow" and self.server.seen(rest):
            rest += ".grown"
        body = self.file_bytes(rest) or DEFAULT_BODY
        if mode == "grow":
            self.send_plain(200, body, content_type(asked, body))
            self.wfile.write(body)
        elif mode in ("icy", "titles", "reset", "flap", "spoof"):
            self.icy_stream(body, mode)
        elif mode == "stall":
            self.send_plain(200, body)
            self.wfile.write(body[: len(body) // 2])
            self.wfile.flush()
            self.wait_for_close()
        elif mode == "drip":
            # Long enough to outlast every request's bound.
            body = body.ljust(DRIP_SIZE, b"x")
            self.send_plain(200, body)
            self.wfile.flush()
            for i in range(len(body)):
                self.wfile.write(body[i : i + 1])
                self.wfile.flush()
                time.sleep(DRIP_INTERVAL)
        elif mode == "cut":
            self.send_response(200)
            self.send_header("Content-Type", content_type(rest, body))
            self.end_headers()
            self.wfile.write(body[: len(body) // 2])
        elif mode == "close":
            self.send_plain(200, body)
            self.wfile.write(body[: len(body) // 2])
            self.wfile.flush()
            self.connection.shutdown(socket.SHUT_RDWR)
        elif mode == "gzip":
            packed = gzip.compress(body)
            self.send_response(200)
            self.send_header("Content-Type", content_type(rest, body))
            self.send_header("Content-Encoding", "gzip")
            self.send_header("Content-Length", str(len(packed)))
            self.end_headers()
            self.wfile.write(packed)
        elif mode == "big":
            filler = b"x" * (BIG_SIZE - len(body)) if len(body) < BIG_SIZE else b""
            self.send_plain(200, body, length=len(body) + len(filler))
            self.wfile.write(body + filler)
        else:
            self.send_plain(400, b"Unknown fault\n")
            self.wfile.write(b"Unknown fault\n")


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    request_queue_size = 64

    def __init__(self, root, log_path, times=False):
        super().__init__(("127.0.0.1", 0), Handler)
        self.root = root
        self.times = times
        self.log_lock = threading.Lock()
        self.log = open(log_path, "a", encoding="latin-1")
        self.asked = set()
        self.asked_lock = threading.Lock()

    def seen(self, path):
        """Whether `path` was asked for before; from now on it was."""
        with self.asked_lock:
            before = path in self.asked
            self.asked.add(path)
            return before

    def record(self, path, agent):
        line = path + "\t" + agent + ("\t%.3f" % time.time() if self.times else "")
        with self.log_lock:
            self.log.write(line + "\n")
            self.log.flush()


def refusing_socket():
    """A port that is taken but not listening: every connection to it is refused."""
    s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    s.bind(("127.0.0.1", 0))
    return s


def full_backlog_socket():
    """A listening socket whose accept queue is full, so that new connections never complete."""
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind(("127.0.0.1", 0))
    listener.listen(0)
    fillers = []
    for _ in range(3):
        filler = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        filler.setblocking(False)
        filler.connect_ex(listener.getsockname())
        fillers.append(filler)
    time.sleep(0.05)
    return listener, fillers


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--log", required=True)
    parser.add_argument("--times", action="store_true")
    args = parser.parse_args()

    server = Server(args.root, args.log, args.times)
    refused = refusing_socket()
    backlog, fillers = full_backlog_socket()
    threading.Thread(target=server.serve_forever, daemon=True).start()
    print(json.dumps({"http": server.server_address[1], "refused": refused.getsockname()[1],
                      "backlog": backlog.getsockname()[1]}), flush=True)
    sys.stdin.read()
    os._exit(0)


if __name__ == "__main__":
    main()
