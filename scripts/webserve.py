#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Serves the browser build (build-web/) on 127.0.0.1: `make web-serve`, and the tests.

    scripts/webserve.py [FOLDER] [PORT]

PORT 0 or none picks a free port. The page, the program and the archive are sent gzip-compressed
to a browser that accepts it, as a web server of the game's would, and never cached, so a new
build shows at the next reload.
"""
import functools
import gzip
import http.server
import os
import sys
import threading

TYPES = {
    ".html": "text/html; charset=utf-8",
    ".js": "text/javascript; charset=utf-8",
    ".wasm": "application/wasm",
    ".data": "application/octet-stream",
    ".arc": "application/octet-stream",
    ".png": "image/png",
}


class Handler(http.server.SimpleHTTPRequestHandler):
    compressed = {}  # (path, mtime) -> gzip bytes
    lock = threading.Lock()

    def log_message(self, *args):
        pass

    def do_GET(self):
        path = self.translate_path(self.path)
        if os.path.isdir(path):
            path = os.path.join(path, "index.html")
        ext = os.path.splitext(path)[1]
        if not os.path.isfile(path) or ext not in TYPES:
            self.send_error(404)
            return
        with open(path, "rb") as f:
            body = f.read()
        encoding = None
        if "gzip" in self.headers.get("Accept-Encoding", ""):
            key = (path, os.path.getmtime(path))
            with Handler.lock:
                packed = Handler.compressed.get(key)
                if packed is None:
                    packed = gzip.compress(body, 9, mtime=0)
                    Handler.compressed[key] = packed
            body, encoding = packed, "gzip"
        self.send_response(200)
        self.send_header("Content-Type", TYPES[ext])
        if encoding:
            self.send_header("Content-Encoding", encoding)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        self.wfile.write(body)


def serve(folder, port=0):
    """Starts serving folder on 127.0.0.1 in a thread of its own; returns the server
    (server.server_port is the port, server.shutdown() stops it)."""
    handler = functools.partial(Handler, directory=os.path.abspath(folder))
    server = http.server.ThreadingHTTPServer(("127.0.0.1", port), handler)
    server.daemon_threads = True
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def main(argv):
    folder = argv[1] if len(argv) > 1 else "build-web"
    port = int(argv[2]) if len(argv) > 2 and argv[2] else 0
    if not os.path.isfile(os.path.join(folder, "index.html")):
        print(f"webserve: no index.html in {folder} (make web builds it)", file=sys.stderr)
        return 1
    server = serve(folder, port)
    print(f"Quenbrill in the browser: http://127.0.0.1:{server.server_port}/  (Ctrl+C stops)",
          flush=True)
    try:
        threading.Event().wait()
    except KeyboardInterrupt:
        pass
    server.shutdown()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
