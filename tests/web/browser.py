# SPDX-License-Identifier: MIT
"""Headless Chromium for the browser tests, driven through chromedriver's WebDriver HTTP API
with nothing but Python's standard library; the local web server; PNG reading and writing.

Every wait waits for what it checks and gives up only after E2E_LIMIT_MS (15 s unless set),
a limit that exists to end a broken run: a slow machine makes a test slower, never red.
"""
import base64
import json
import os
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import time
import urllib.error
import urllib.request
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
import webserve  # noqa: E402

LIMIT_S = int(os.environ.get("E2E_LIMIT_MS", "15000")) / 1000.0

# Chromium as root on a CI machine: no sandbox, no GPU process work of its own (WebGL runs on
# SwiftShader), nothing fetched from the network, sound allowed before a user gesture.
CHROMIUM_FLAGS = [
    "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
    "--disable-background-networking", "--disable-component-update", "--disable-sync",
    "--autoplay-policy=no-user-gesture-required", "--window-size=1000,800",
    "--force-device-scale-factor=1",
]

# WebDriver key values.
KEYS = {"Enter": "\ue007", "Escape": "\ue00c", "Space": " ", "Left": "\ue012", "Up": "\ue013",
        "Right": "\ue014", "Down": "\ue015", "Alt": "\ue00a", "F11": "\ue03b"}


class Failure(Exception):
    pass


def fail(message):
    raise Failure(message)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for(check, what, limit=None):
    """Calls check every 0.1 s until it returns something true, which is returned."""
    deadline = time.monotonic() + (limit or LIMIT_S)
    while True:
        value = check()
        if value:
            return value
        if time.monotonic() > deadline:
            fail(f"gave up waiting for {what} after {limit or LIMIT_S:.0f} s")
        time.sleep(0.1)


class Browser:
    """One headless Chromium with its chromedriver; close() ends both."""

    def __init__(self):
        self.driver = None
        self.profile = tempfile.mkdtemp(prefix="qb-chromium-")
        for attempt in range(5):
            self.port = free_port()
            self.driver = subprocess.Popen(
                ["chromedriver", f"--port={self.port}"],
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            try:
                wait_for(self._ready, "chromedriver", limit=max(LIMIT_S, 30))
                break
            except Failure:
                self._stop_driver()
                if attempt == 4:
                    raise
        binary = shutil.which("chromium") or "/usr/bin/chromium"
        caps = {"capabilities": {"alwaysMatch": {
            "browserName": "chrome",
            # Scripts that wait for a display frame of a busy page may take a while.
            "timeouts": {"script": int(max(60, 4 * LIMIT_S) * 1000)},
            "goog:chromeOptions": {"binary": binary,
                                   "args": CHROMIUM_FLAGS + [f"--user-data-dir={self.profile}"]},
        }}}
        # Starting a browser on a loaded machine can take a while.
        reply = self._call("POST", "/session", caps, timeout=max(120, 4 * LIMIT_S))
        self.session = reply["sessionId"]

    def _ready(self):
        if self.driver.poll() is not None:
            fail("chromedriver ended at once")
        try:
            self._call("GET", "/status", timeout=2)
            return True
        except (OSError, urllib.error.URLError):
            return False

    def _call(self, method, path, body=None, timeout=None):
        data = json.dumps(body).encode() if body is not None else None
        request = urllib.request.Request(
            f"http://127.0.0.1:{self.port}{path}", data=data, method=method,
            headers={"Content-Type": "application/json"})
        try:
            with urllib.request.urlopen(request, timeout=timeout or max(60, 4 * LIMIT_S)) as r:
                return json.load(r).get("value")
        except urllib.error.HTTPError as e:
            detail = e.read().decode(errors="replace")
            fail(f"WebDriver {method} {path}: {e.code} {detail[:500]}")

    def _session(self, method, path, body=None):
        return self._call(method, f"/session/{self.session}{path}", body)

    def get(self, url):
        self._session("POST", "/url", {"url": url})

    def run(self, script, *args):
        """Runs JavaScript in the page (a function body; `arguments` holds args)."""
        return self._session("POST", "/execute/sync", {"script": script, "args": list(args)})

    def run_async(self, script, *args):
        """Runs JavaScript that calls its last argument with the result when it is done."""
        return self._session("POST", "/execute/async", {"script": script, "args": list(args)})

    def keys(self, *steps):
        """Real key events through the browser's input: ("down", "a"), ("up", "Enter"),
        ("pause", ms)."""
        actions = []
        for step in steps:
            if step[0] == "pause":
                actions.append({"type": "pause", "duration": int(step[1])})
            else:
                value = KEYS.get(step[1], step[1])
                actions.append({"type": "keyDown" if step[0] == "down" else "keyUp",
                                "value": value})
        self._session("POST", "/actions",
                      {"actions": [{"type": "key", "id": "keyboard", "actions": actions}]})

    def tap(self, key):
        self.keys(("down", key), ("up", key))

    def click(self, selector):
        """A real click on the element (the browser counts it as the player's gesture)."""
        element = self._session("POST", "/element", {"using": "css selector", "value": selector})
        eid = next(iter(element.values()))
        self._session("POST", f"/element/{eid}/click", {})

    def cdp(self, command, params):
        """A DevTools command through chromedriver."""
        return self._session("POST", "/goog/cdp/execute", {"cmd": command, "params": params})

    def page_png(self):
        return base64.b64decode(self._session("GET", "/screenshot"))

    def element_png(self, selector):
        element = self._session("POST", "/element", {"using": "css selector", "value": selector})
        eid = next(iter(element.values()))
        return base64.b64decode(self._session("GET", f"/element/{eid}/screenshot"))

    def close(self):
        try:
            if self.driver and self.driver.poll() is None and getattr(self, "session", None):
                self._call("DELETE", f"/session/{self.session}", timeout=30)
        except Exception:  # the browser may be gone already; the driver goes below
            pass
        self._stop_driver()
        shutil.rmtree(self.profile, ignore_errors=True)

    def _stop_driver(self):
        if self.driver and self.driver.poll() is None:
            self.driver.terminate()
            try:
                self.driver.wait(10)
            except subprocess.TimeoutExpired:
                self.driver.kill()
                self.driver.wait()


# ---- pictures ------------------------------------------------------------------------------

def run_on_site(site, session, on_failure=None):
    """Serves the folder `site` on 127.0.0.1, starts Chromium and returns session(chromium,
    port) as the exit status. A Failure prints one FAIL line, then whatever on_failure(chromium)
    adds, and gives 1. The browser and the server are closed either way."""
    server = webserve.serve(site)
    chromium = None
    try:
        chromium = Browser()
        return session(chromium, server.server_port)
    except Failure as e:
        print(f"FAIL: {e}")
        if chromium and on_failure:
            on_failure(chromium)
        return 1
    finally:
        if chromium:
            chromium.close()
        server.shutdown()


class Picture:
    """Width x height pixels of RGB, rows from the top."""

    def __init__(self, width, height, rgb):
        self.width, self.height, self.rgb = width, height, bytearray(rgb)

    def pixel(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.rgb[i:i + 3])

    def count(self, x, y, w, h, test):
        """How many pixels of the rectangle pass test(r, g, b)."""
        n = 0
        for yy in range(y, y + h):
            row = 3 * (yy * self.width)
            for xx in range(x, x + w):
                i = row + 3 * xx
                if test(self.rgb[i], self.rgb[i + 1], self.rgb[i + 2]):
                    n += 1
        return n

    def mean(self, x, y, w, h):
        total = [0, 0, 0]
        for yy in range(y, y + h):
            for xx in range(x, x + w):
                i = 3 * (yy * self.width + xx)
                for c in range(3):
                    total[c] += self.rgb[i + c]
        return tuple(round(t / (w * h)) for t in total)

    def differing(self, other, threshold):
        """Pixels where some channel differs by more than threshold."""
        a, b = self.rgb, other.rgb
        n = 0
        for i in range(0, len(a), 3):
            if (abs(a[i] - b[i]) > threshold or abs(a[i + 1] - b[i + 1]) > threshold
                    or abs(a[i + 2] - b[i + 2]) > threshold):
                n += 1
        return n


def read_png(data):
    """A non-interlaced 8-bit RGB or RGBA PNG as a Picture."""
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        fail("not a PNG")
    pos, idat, width = 8, b"", 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        chunk = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", chunk)
            if depth != 8 or colour not in (2, 6) or interlace:
                fail(f"PNG of a kind not read here (depth {depth}, colour {colour})")
            channels = 3 if colour == 2 else 4
        elif kind == b"IDAT":
            idat += chunk
        elif kind == b"IEND":
            break
    raw = zlib.decompress(idat)
    stride = width * channels
    out = bytearray(width * height * 3)
    prev = bytearray(stride)
    for y in range(height):
        f = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b = prev[i]
            c = prev[i - channels] if i >= channels else 0
            if f == 1:
                line[i] = (line[i] + a) & 255
            elif f == 2:
                line[i] = (line[i] + b) & 255
            elif f == 3:
                line[i] = (line[i] + ((a + b) >> 1)) & 255
            elif f == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        prev = line
        for x in range(width):
            out[3 * (y * width + x):3 * (y * width + x) + 3] = line[x * channels:x * channels + 3]
    return Picture(width, height, out)


def write_png(path, picture):
    rows = b"".join(b"\x00" + bytes(picture.rgb[3 * y * picture.width:3 * (y + 1) * picture.width])
                    for y in range(picture.height))

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body
                + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", picture.width, picture.height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(rows, 6)))
        f.write(chunk(b"IEND", b""))


def from_rgba_bottom_up(width, height, rgba):
    """GL's read-back (rows from the bottom, 4 bytes a pixel) as a Picture."""
    out = bytearray(width * height * 3)
    for y in range(height):
        src = (height - 1 - y) * width * 4
        for x in range(width):
            out[3 * (y * width + x):3 * (y * width + x) + 3] = rgba[src + 4 * x:src + 4 * x + 3]
    return Picture(width, height, out)
