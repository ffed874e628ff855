"""What the loopback test servers (tools/feedserver, tools/updateserver) share: a threading HTTP server that
announces its port in a file once it listens, and stops cleanly on SIGTERM or Ctrl+C.

The servers import it by adding this folder to sys.path; it needs nothing beyond the standard library.
"""
import http.server
import os
import signal
import sys


def open_server(host, port, handler):
    """A listening server on host:port (port 0: the system picks a free one); one thread a connection."""
    return http.server.ThreadingHTTPServer((host, port), handler)


def serve(server, port_file=None):
    """Writes the port to port_file (renamed into place, so a reader never sees half a number), then serves until
    SIGTERM or Ctrl+C. Whatever the server needs must be set up before: the port file says it is ready."""
    if port_file:
        tmp = port_file + ".tmp"
        with open(tmp, "w") as f:
            f.write("%d\n" % server.server_address[1])
        os.replace(tmp, port_file)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()
