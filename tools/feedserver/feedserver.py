#!/usr/bin/env python3
"""A small feed server for the demo and the scenarios: serves the files of one folder over HTTP on 127.0.0.1.

    feedserver.py [--port N] [--dir DIR] [--port-file FILE]

Each request reads its file afresh, so a script can change what the next refresh gets by replacing a file.
".xml" files go out as "text/xml". With --port 0 the system picks a free port; --port-file receives the port
number once the server listens. Stops on SIGTERM or Ctrl+C.
"""
import argparse
import functools
import http.server
import os
import signal
import sys


class FeedHandler(http.server.SimpleHTTPRequestHandler):
    # HTTP/1.1 with persistent connections, as the feed servers the program meets on the Internet.
    protocol_version = "HTTP/1.1"

    extensions_map = dict(http.server.SimpleHTTPRequestHandler.extensions_map,
                          **{".xml": "text/xml", ".rss": "text/xml", ".html": "text/html"})

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
    server = http.server.ThreadingHTTPServer(("127.0.0.1", args.port), handler)
    if args.port_file:
        tmp = args.port_file + ".tmp"
        with open(tmp, "w") as f:
            f.write("%d\n" % server.server_address[1])
        os.replace(tmp, args.port_file)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()


if __name__ == "__main__":
    main()
