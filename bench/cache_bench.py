#!/usr/bin/env python3
# What the cache of remote sizes saves: quillon-tag --online twice over the same
# site, whose pictures are served by the tests' loopback server (which names each
# picture's version with an ETag and a Last-Modified), with a cache of its own.
# Prints, for each run, the time, the requests and the body bytes the server sent.
#
# Usage: bench/cache_bench.py [--tool build/bin/quillon-tag] [--pictures 200] [--pages 20]
import argparse
import os
import random
import struct
import subprocess
import sys
import tempfile
import time
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SERVER = os.path.join(HERE, "..", "tests", "support", "loopback_server.py")


def png(width, height, rng):
    # Noise, so that the picture does not compress: its bytes are what a photo costs.
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    rows = b"".join(b"\0" + rng.randbytes(width * 3) for _ in range(height))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows, 1)) + chunk(b"IEND", b""))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--tool", default=os.path.join(HERE, "..", "build", "bin", "quillon-tag"))
    parser.add_argument("--pictures", type=int, default=200)
    parser.add_argument("--pages", type=int, default=20)
    args = parser.parse_args()
    rng = random.Random(7)

    with tempfile.TemporaryDirectory() as work:
        served, site, cache = (os.path.join(work, name) for name in ("served", "site", "cache"))
        for folder in (served, site, cache):
            os.mkdir(folder)
        sizes = []
        for i in range(args.pictures):
            width, height = rng.randint(60, 200), rng.randint(40, 150)
            sizes.append((width, height))
            with open(os.path.join(served, f"p{i}.png"), "wb") as f:
                f.write(png(width, height, rng))
        server = subprocess.Popen(["/usr/bin/python3", SERVER, served], stdout=subprocess.PIPE, text=True)
        try:
            port = int(server.stdout.readline().split()[0])
            pages = {}
            for p in range(args.pages):
                tags = [f'<img src="http://127.0.0.1:{port}/p{i}.png">'
                        for i in range(p, args.pictures, args.pages)]
                pages[f"page{p}.html"] = ("<p>remote pictures</p>\n" + "\n".join(tags) + "\n").encode()
            environment = dict(os.environ, XDG_CACHE_HOME=cache, no_proxy="127.0.0.1")

            def counted(name):
                try:
                    with open(os.path.join(served, name)) as f:
                        return f.read()
                except FileNotFoundError:
                    return ""

            print(f"{args.pictures} pictures on {args.pages} pages, "
                  f"{sum(os.path.getsize(os.path.join(served, n)) for n in os.listdir(served) if n.endswith('.png'))}"
                  " bytes of pictures served")
            for run in (1, 2):
                for name, page in pages.items():
                    with open(os.path.join(site, name), "wb") as f:
                        f.write(page)
                bytes_before = sum(map(int, counted(".bytes").split()))
                hits_before = counted(".hits").count("\n")
                start = time.monotonic()
                done = subprocess.run([args.tool, "--online", "--no-backup", "-q", site], env=environment,
                                      capture_output=True, text=True)
                elapsed = time.monotonic() - start
                if done.returncode != 0 or f"Tagged {args.pictures}," not in done.stdout:
                    sys.exit(f"run {run} failed ({done.returncode}): {done.stdout}{done.stderr}")
                for i, (width, height) in enumerate(sizes):
                    page = open(os.path.join(site, f"page{i % args.pages}.html"), "rb").read()
                    if f'p{i}.png" WIDTH={width} HEIGHT={height}>'.encode() not in page:
                        sys.exit(f"run {run}: p{i}.png did not get {width} x {height}")
                print(f"run {run}: {elapsed * 1000:7.0f} ms, "
                      f"{counted('.hits').count(chr(10)) - hits_before} requests, "
                      f"{sum(map(int, counted('.bytes').split())) - bytes_before} body bytes")
        finally:
            server.kill()
            server.wait()


if __name__ == "__main__":
    main()
