#!/usr/bin/env python3
"""A misbehaving search feed for measuring the program by hand: every request to /search.atom
gets an Atom page that streams BYTES bytes of entries (all the same message, so that duplicates
keep the tweet list small and only the reply's own cost shows), or, with --stall, an answer that
never comes.

Peak memory of a query whose page streams 1 GB (a build whose search address is this server):

    python3 bench/stream_feed.py --port 18177 --bytes 1000000000 &
    cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release \
          -DQUORVEL_SEARCH_BASE=http://127.0.0.1:18177/search.atom?
    cmake --build build-bench --target quorvel
    build-bench/quorvel &    # then query any keyword, and read VmRSS / VmHWM in /proc/PID/status
"""

import argparse
import socketserver
import sys
from http.server import BaseHTTPRequestHandler

ENTRY = (b"<entry><published>2024-03-04T10:00:00Z</published>"
         b"<title>I love my happy house in the sun</title>"
         b"<author><name>ab12 (A B)</name></author></entry>\n")


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def do_GET(self):
        self.server.requests += 1
        sys.stderr.write("stream_feed: request %d: %s\n" % (self.server.requests, self.path))
        if self.server.stall:
            # Hold the connection open without a byte until the client gives up on it.
            while self.rfile.read(1):
                pass
            return
        self.send_response(200)
        self.send_header("Content-Type", "application/atom+xml; charset=utf-8")
        self.send_header("Connection", "close")
        self.end_headers()
        chunk = ENTRY * (65536 // len(ENTRY))
        sent = 0
        try:
            self.wfile.write(b'<?xml version="1.0" encoding="UTF-8"?>\n<feed>\n')
            while sent < self.server.bytes:
                self.wfile.write(chunk)
                sent += len(chunk)
            self.wfile.write(b"</feed>\n")
        except (BrokenPipeError, ConnectionResetError):
            pass
        sys.stderr.write("stream_feed: request %d ended after %d bytes\n" % (self.server.requests, sent))

    def log_message(self, *args):
        pass


class Server(socketserver.ThreadingMixIn, socketserver.TCPServer):
    allow_reuse_address = True
    daemon_threads = True


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--port", type=int, default=18177)
    ap.add_argument("--bytes", type=int, default=10**9, help="bytes of entries per page (default 1 GB)")
    ap.add_argument("--stall", action="store_true", help="never answer")
    a = ap.parse_args()
    srv = Server(("127.0.0.1", a.port), Handler)
    srv.bytes, srv.stall, srv.requests = a.bytes, a.stall, 0
    sys.stderr.write("stream_feed: http://127.0.0.1:%d/search.atom?\n" % a.port)
    srv.serve_forever()


if __name__ == "__main__":
    main()
