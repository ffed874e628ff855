#!/usr/bin/env python3
"""A loopback update server for the tests and the demo: serves the files of one folder over HTTP/1.1, each path
behaving as a control file says.

    updateserver.py [--port N] [--dir DIR] [--control FILE] [--log FILE] [--port-file FILE] [--host ADDR]

The control file (JSON, read afresh on every request, so a test can change it between requests) maps a path to
its behaviour; paths it does not name are served normally:

    {"/app.exe": {"mode": "cut", "after": 5000}}

Modes (all serve the file DIR/<path> unless said otherwise):
    normal        200, or 206 with Content-Range for a "Range: bytes=N-[M]" request, 416 beyond the end
    404           404 with a small HTML body
    401           401 with 'WWW-Authenticate: Basic realm="<realm>"' until the request carries Basic credentials
                  "user":"password"; then as normal
    416           416 with "Content-Range: bytes */<size>" for a Range that does not start at 0, else normal
    ignore-range  200 with the whole file whatever the Range says
    cut           announces the full length, sends "after" bytes of the body and closes the connection
    trickle       sends "chunk" bytes (default 512) every "interval" seconds (default 0.2)
    stall         sends the headers (or nothing with "headers": false) and then nothing for "seconds" (default 60)
    407           as a proxy: 407 with 'Proxy-Authenticate: Basic realm="<realm>"' until the request carries Basic
                  proxy credentials "user":"password"; then as normal
    redirect      302 to "location"
Any mode takes "last_modified" (a header value to send) and "no_length": true (no Content-Length; the body ends
when the connection closes).

Every request is logged to --log as one JSON line: method, path, Range, Authorization, Proxy-Authorization,
Pragma and User-Agent. Requests for absolute addresses (the server used as a proxy) are served by their path.
With --port 0 the system picks a free port; --port-file receives it once the server listens.
"""
import argparse
import base64
import http.server
import json
import os
import re
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "pylib"))
import loopserver  # noqa: E402


class UpdateHandler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "updateserver"

    def log_message(self, fmt, *args):
        pass

    def control(self):
        try:
            with open(self.server.control_file, "rb") as f:
                return json.loads(f.read().decode("utf-8") or "{}")
        except (OSError, ValueError):
            return {}

    def log_request_line(self):
        entry = {"method": self.command, "path": self.path}
        for name in ("Range", "Authorization", "Proxy-Authorization", "Pragma", "User-Agent"):
            entry[name] = self.headers.get(name)
        with self.server.log_lock:
            if self.server.log_file:
                with open(self.server.log_file, "a") as f:
                    f.write(json.dumps(entry) + "\n")

    def send_simple(self, code, body=b"", headers=()):
        self.send_response(code)
        for k, v in headers:
            self.send_header(k, v)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def do_HEAD(self):
        self.do_GET()

    def do_GET(self):
        self.log_request_line()
        # As a proxy the server gets absolute addresses; the control file names paths either way.
        path = re.sub(r"^[a-z]+://[^/]*", "", self.path.split("?", 1)[0], flags=re.I) or "/"
        rule = self.control().get(path, {})
        mode = rule.get("mode", "normal")
        extra = []
        if rule.get("last_modified"):
            extra.append(("Last-Modified", rule["last_modified"]))
        if mode == "404":
            return self.send_simple(404, b"<html><body>Not found</body></html>", [("Content-Type", "text/html")])
        if mode == "redirect":
            return self.send_simple(302, b"", [("Location", rule.get("location", "/"))])
        if mode == "401":
            expected = "Basic " + base64.b64encode(
                ("%s:%s" % (rule.get("user", ""), rule.get("password", ""))).encode()).decode()
            if self.headers.get("Authorization") != expected:
                realm = rule.get("realm", "Updates")
                return self.send_simple(401, b"<html>Authorization required</html>",
                                        [("WWW-Authenticate", 'Basic realm="%s"' % realm),
                                         ("Content-Type", "text/html")])
        if mode == "407":
            expected = "Basic " + base64.b64encode(
                ("%s:%s" % (rule.get("user", ""), rule.get("password", ""))).encode()).decode()
            if self.headers.get("Proxy-Authorization") != expected:
                return self.send_simple(407, b"<html>Proxy authentication required</html>",
                                        [("Proxy-Authenticate", 'Basic realm="%s"' % rule.get("realm", "Proxy")),
                                         ("Content-Type", "text/html")])
        fs_path = os.path.join(self.server.root, path.lstrip("/"))
        try:
            with open(fs_path, "rb") as f:
                data = f.read()
        except OSError:
            return self.send_simple(404, b"<html><body>Not found</body></html>", [("Content-Type", "text/html")])
        size = len(data)
        start, end = 0, size - 1
        status = 200
        rng = self.headers.get("Range")
        if rng and mode != "ignore-range":
            m = re.match(r"\s*bytes\s*=\s*(\d+)\s*-\s*(\d*)\s*$", rng, re.I)
            if (mode == "416" and m and int(m.group(1)) > 0) or (m and int(m.group(1)) >= size):
                return self.send_simple(416, b"", [("Content-Range", "bytes */%d" % size)])
            if m:
                start = int(m.group(1))
                if m.group(2):
                    end = min(int(m.group(2)), size - 1)
                status = 206
                extra.append(("Content-Range", "bytes %d-%d/%d" % (start, end, size)))
        body = data[start:end + 1]
        self.send_response(status)
        self.send_header("Content-Type", rule.get("content_type", "application/octet-stream"))
        for k, v in extra:
            self.send_header(k, v)
        no_length = rule.get("no_length", False)
        if no_length:
            self.send_header("Connection", "close")
            self.close_connection = True
        else:
            self.send_header("Content-Length", str(len(body)))
        if mode == "stall" and not rule.get("headers", True):
            time.sleep(float(rule.get("seconds", 60)))
            self.close_connection = True
            return
        self.end_headers()
        if self.command == "HEAD":
            return
        try:
            if mode == "cut":
                self.wfile.write(body[:int(rule.get("after", 0))])
                self.wfile.flush()
                self.close_connection = True
                return
            if mode == "stall":
                self.wfile.flush()
                time.sleep(float(rule.get("seconds", 60)))
                self.close_connection = True
                return
            if mode == "trickle":
                chunk = int(rule.get("chunk", 512))
                interval = float(rule.get("interval", 0.2))
                for i in range(0, len(body), chunk):
                    self.wfile.write(body[i:i + chunk])
                    self.wfile.flush()
                    time.sleep(interval)
                return
            view = memoryview(body)
            for i in range(0, len(body), 1 << 20):
                self.wfile.write(view[i:i + (1 << 20)])
        except (BrokenPipeError, ConnectionResetError):
            self.close_connection = True


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=8080)
    parser.add_argument("--dir", default=".")
    parser.add_argument("--control")
    parser.add_argument("--log")
    parser.add_argument("--port-file")
    args = parser.parse_args()

    server = loopserver.open_server(args.host, args.port, UpdateHandler)
    server.root = os.path.abspath(args.dir)
    server.control_file = args.control or os.path.join(server.root, "control.json")
    server.log_file = args.log
    server.log_lock = threading.Lock()
    loopserver.serve(server, args.port_file)


if __name__ == "__main__":
    main()
