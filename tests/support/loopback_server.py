#!/usr/bin/env python3
"""An HTTP server on 127.0.0.1 for the tests, started and stopped by LoopbackServer.

Usage: loopback_server.py ROOT. Prints the port it listens on, then serves:
  /PATH                 the file ROOT/PATH, with its length announced (404 when missing)
  /slow/MS/PATH         the same after MS milliseconds
  /to/PATH              a 302 redirect to /PATH
Each request's path is appended to ROOT/.hits before it is answered, and the most
requests ever answered at once is kept in ROOT/.peak.
"""
import http.server
import os
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

    def serve_file(self, path):
        target = os.path.realpath(os.path.join(ROOT, path.lstrip("/")))
        if not target.startswith(ROOT + os.sep) or not os.path.isfile(target):
            return self.answer(404, b"not found")
        with open(target, "rb") as f:
            self.answer(200, f.read(), [("Content-Type", "application/octet-stream")])

    def route(self, path):
        parts = path.split("/", 3)
        if len(parts) == 4 and parts[1] == "slow":
            time.sleep(int(parts[2]) / 1000)
            return self.serve_file("/" + parts[3])
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


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
server.daemon_threads = True
print(server.server_address[1], flush=True)
server.serve_forever()
