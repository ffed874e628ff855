#!/usr/bin/env python3
"""A small feed server for the demo and the scenarios: serves the files of one folder over HTTP on 127.0.0.1.

    feedserver.py [--port N] [--dir DIR] [--port-file FILE]

Each request reads its file afresh, so a script can change what the next refresh gets by replacing a file.
".xml" files go out as "text/xml". With --port 0 the system picks a free port; --port-file receives the port
number once the server listens. Stops on SIGTERM or Ctrl+C.

A server that misbehaves, for the scenarios: while a file NAME.hostile exists beside NAME, a request for NAME is
answered the way its first word says, for as long as that word stays (then the connection is reset):
    trickle   a chunk of 1 MB announced, then one byte every half second
    stall     part of a status line, then nothing
    huge      a body of 2 GB announced, 1 MB sent, then nothing
    endless   a chunked body that never ends
    reset     the connection is reset at once
"""
import argparse
import functools
import http.server
import io
import os
import socket
import struct
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "pylib"))
import loopserver  # noqa: E402


class FeedHandler(http.server.SimpleHTTPRequestHandler):
    # HTTP/1.1 with persistent connections, as the feed servers the program meets on the Internet.
    protocol_version = "HTTP/1.1"

    extensions_map = dict(http.server.SimpleHTTPRequestHandler.extensions_map,
                          **{".xml": "text/xml", ".rss": "text/xml", ".html": "text/html"})

    def do_GET(self):
        flag = self.translate_path(self.path) + ".hostile"
        mode = self.hostile_mode(flag)
        if mode is None:
            return super().do_GET()
        self.misbehave(mode, flag)

    @staticmethod
    def hostile_mode(flag):
        try:
            with open(flag) as f:
                return (f.read().split() or [""])[0]
        except OSError:
            return None

    def misbehave(self, mode, flag):
        self.close_connection = True
        out = self.wfile

        def still():
            return self.hostile_mode(flag) == mode

        def wait(seconds):
            end = time.monotonic() + seconds
            while still() and time.monotonic() < end:
                time.sleep(0.05)

        try:
            if mode == "trickle":
                # Chunked, so that the end of the connection inside the chunk is an error to any client.
                out.write(b"HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nTransfer-Encoding: chunked\r\n\r\n"
                          b"100000\r\n")
                out.flush()
                while still():
                    out.write(b"<")
                    out.flush()
                    wait(0.5)
            elif mode == "stall":
                out.write(b"HTTP/1.1 2")
                out.flush()
                wait(1e9)
            elif mode == "huge":
                out.write(b"HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: 2147483648\r\n\r\n")
                out.write(b" " * (1 << 20))
                out.flush()
                wait(1e9)
            elif mode == "endless":
                out.write(b"HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nTransfer-Encoding: chunked\r\n\r\n")
                piece = b"%x\r\n%s\r\n" % (65536, b" " * 65536)
                while still():
                    out.write(piece)
                    out.flush()
            elif mode != "reset":
                self.send_error(500, "unknown hostile mode")
                return
        except (BrokenPipeError, ConnectionResetError):
            return
        # A reset, not a close: the client must see a failure, not the end of a short body.
        self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        self.rfile.close()
        self.wfile.close()
        self.connection.close()
        # What the server does with the connection afterwards now goes nowhere.
        self.rfile, self.wfile = io.BytesIO(), io.BytesIO()

    def end_headers(self):
        self.send_header("Cache-Control", "no-store")
        super().end_headers()

    def log_message(self, fmt, *args):
        sys.stderr.write("feedserver: %s\n" % (fmt % args))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, default=8080)
    parser.add_argument("--dir", default=os.path.join(here, "sample"))
    parser.add_argument("--port-file")
    args = parser.parse_args()

    handler = functools.partial(FeedHandler, directory=os.path.abspath(args.dir))
    loopserver.serve(loopserver.open_server("127.0.0.1", args.port, handler), args.port_file)


if __name__ == "__main__":
    main()
