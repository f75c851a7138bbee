#!/usr/bin/env python3
# An HTTP server on 127.0.0.1 for the tests, started and stopped by LoopbackServer.
#
# Usage: loopback_server.py ROOT. Its first line printed holds three ports: its
# own, one that never accepts a connection, and an anonymous read-only FTP
# server's over ROOT (0 for either when it cannot be had: a listening queue that
# cannot be filled, no pyftpdlib). It serves:
#   /PATH             the file ROOT/PATH, with its length announced (404 when
#                     missing); a Range of bytes=N- or bytes=N-M gets that part as a 206.
#                     It names its version with an ETag (from its bytes) and a
#                     Last-Modified (its time), and a request whose If-None-Match,
#                     or else If-Modified-Since, still matches gets a 304 without body
#   /plain/PATH       the same without ETag or Last-Modified
#   /dated/PATH       the same with Last-Modified only
#   /slow/MS/PATH     the same after MS milliseconds
#   /to/PATH          a 302 redirect to /PATH
#   /gzip/PATH        the file gzipped, sent with Content-Encoding: gzip unasked
#   /hostile/...      answers no server should give (see Handler.hostile)
# Each request's path is appended to ROOT/.hits before it is answered, the
# most requests ever answered at once is kept in ROOT/.peak, and the length of
# each body sent is appended to ROOT/.bytes.
import email.utils
import functools
import gzip
import hashlib
import http.server
import logging
import os
import re
import socket
import sys
import threading
import time

ROOT = os.path.realpath(sys.argv[1])
lock = threading.Lock()
in_flight = 0
peak = 0


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def answer(self, status, body=b"", headers=()):
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)
            with lock, open(os.path.join(ROOT, ".bytes"), "a") as lengths:
                lengths.write(f"{len(body)}\n")

    def read_file(self, path):
        target = os.path.realpath(os.path.join(ROOT, path.lstrip("/")))
        if not target.startswith(ROOT + os.sep) or not os.path.isfile(target):
            return None
        with open(target, "rb") as f:
            return f.read()

    def serve_file(self, path, etag=True, dated=True):
        body = self.read_file(path)
        if body is None:
            return self.answer(404, b"not found")
        mtime = int(os.path.getmtime(os.path.join(ROOT, path.lstrip("/"))))
        version = [("ETag", '"%s"' % hashlib.sha1(body).hexdigest()[:16])] if etag else []
        version += [("Last-Modified", email.utils.formatdate(mtime, usegmt=True))] if dated else []
        asked, since = self.headers.get("If-None-Match"), self.headers.get("If-Modified-Since")
        # If-None-Match decides when it is there; If-Modified-Since only without it.
        if (etag and version[0][1] in asked) if asked else (
                dated and since and email.utils.parsedate_to_datetime(since).timestamp() >= mtime):
            return self.answer(304, headers=version)
        part = re.fullmatch(r"bytes=(\d+)-(\d*)", self.headers.get("Range", ""))
        if part and int(part[1]) < len(body):
            first, last = int(part[1]), min(int(part[2] or len(body) - 1), len(body) - 1)
            return self.answer(206, body[first:last + 1],
                               [("Content-Range", f"bytes {first}-{last}/{len(body)}")] + version)
        self.answer(200, body, [("Content-Type", "application/octet-stream")] + version)

    def send_until_left(self, head, chunk=b"", pause=0.0):
        # head, then chunk after chunk until the client leaves
        self.close_connection = True
        try:
            self.wfile.write(head)
            while chunk:
                self.wfile.write(chunk)
                time.sleep(pause)
        except OSError:
            pass

    def hostile(self, what):
        ok = b"HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nConnection: close\r\n"
        if what.startswith("endless/"):  # the file, if any, then zeros without end or length
            return self.send_until_left(ok + b"\r\n" + (self.read_file(what[7:]) or b""), bytes(65536))
        if what == "lying-length":  # a short body announced as 2^40 bytes
            return self.send_until_left(ok + b"Content-Length: 1099511627776\r\n\r\nshort")
        if what == "trickle":  # a byte now and then
            return self.send_until_left(ok + b"Content-Length: 100000\r\n\r\n", b"z", 0.2)
        if what == "stall":  # the request read, and nothing said
            return time.sleep(60)
        if what == "redirect-loop":
            return self.answer(302, headers=[("Location", self.path)])
        if what.startswith("elsewhere/"):  # a redirect to any address, other schemes too
            return self.answer(302, headers=[("Location", what[10:])])
        if what == "gzip-bomb":
            return self.answer(200, gzip_bomb(), [("Content-Encoding", "gzip")])
        self.answer(404, b"no such hostile answer")

    def route(self, path):
        if path.startswith("/hostile/"):
            return self.hostile(path[9:])
        if path.startswith("/gzip/"):
            body = self.read_file(path[5:])
            return self.answer(200, gzip.compress(body or b""), [("Content-Encoding", "gzip")])
        parts = path.split("/", 3)
        if len(parts) == 4 and parts[1] == "slow":
            time.sleep(int(parts[2]) / 1000)
            return self.serve_file("/" + parts[3])
        if path.startswith("/plain/"):
            return self.serve_file(path[6:], etag=False, dated=False)
        if path.startswith("/dated/"):
            return self.serve_file(path[6:], etag=False)
        if path.startswith("/to/"):
            return self.answer(302, headers=[("Location", path[3:])])
        self.serve_file(path)

    def do_GET(self):
        global in_flight, peak
        path = self.path.split("?", 1)[0]
        with lock:
            with open(os.path.join(ROOT, ".hits"), "a") as hits:
                hits.write(path + "\n")
            in_flight += 1
            peak = max(peak, in_flight)
            with open(os.path.join(ROOT, ".peak"), "w") as f:
                f.write(str(peak))
        try:
            self.route(path)
        finally:
            with lock:
                in_flight -= 1

    do_HEAD = do_GET


@functools.cache
def gzip_bomb():  # an SVG with a comment that unpacks to 16 MiB, in 73 KiB
    return gzip.compress(b'<svg xmlns="http://www.w3.org/2000/svg" width="9" height="9"><!--'
                         + b" " * (16 << 20) + b"--></svg>", 1)


def never_accepting_port(held):
    # A listening queue of length 0 holds one connection nobody accepts; the
    # opening packets of later attempts are dropped, so their clients hear nothing.
    held.append(socket.create_server(("127.0.0.1", 0), backlog=0))
    port = held[0].getsockname()[1]
    for _ in range(4):
        held.append(socket.socket())
        held[-1].setblocking(False)
        held[-1].connect_ex(("127.0.0.1", port))
    try:
        socket.create_connection(("127.0.0.1", port), timeout=0.2).close()
    except OSError as failure:
        return port if isinstance(failure, socket.timeout) else 0
    return 0


def ftp_port():
    try:
        from pyftpdlib.authorizers import DummyAuthorizer
        from pyftpdlib.handlers import FTPHandler
        from pyftpdlib.servers import FTPServer
    except ImportError:
        return 0
    logging.getLogger("pyftpdlib").addHandler(logging.NullHandler())
    handler = type("Handler", (FTPHandler,), {"authorizer": DummyAuthorizer()})
    handler.authorizer.add_anonymous(ROOT)
    ftp = FTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=ftp.serve_forever, kwargs={"handle_exit": False}, daemon=True).start()
    return ftp.address[1]


held = []
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
server.daemon_threads = True
print(server.server_address[1], never_accepting_port(held), ftp_port(), flush=True)
server.serve_forever()
