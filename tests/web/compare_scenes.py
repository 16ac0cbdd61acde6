#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The picture comparison: the scenes of Scenes.cpp drawn on the desktop (web_scenes_native:
fake backend, Mesa) and in headless Chromium (the web backend's GL subset on WebGL), compared
pixel by pixel.

    compare_scenes.py SITE NATIVE_PROGRAM ARCHIVE OUT_DIR

Keeps both pictures of each scene and an amplified difference in OUT_DIR.

Tolerance. The two pictures come from two rasterisers (Mesa's llvmpipe, Chromium's SwiftShader)
and two C libraries' maths, so they are not identical: the edges of polygons and lines fall on
slightly different pixels, linear texture filtering rounds differently, the shading ramp is
clamped at each corner in the browser (as the game's design says) where the desktop clamps
after interpolating, and the outlines are quads where Mesa draws wide lines. A pixel counts as
different when a channel differs by more than 24 (of 255); a scene passes when at most 3 % of
its pixels differ so and the mean difference per channel is at most 3. A picture that is wrong
in earnest (a missing sky, ground, ship, text or particles, a wrong camera, a texture in the
wrong place) differs in tens of percent.
"""
import base64
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import browser  # noqa: E402

SCENES = ["start-screen", "start-screen-dark", "battle-chase", "battle-cockpit", "battle-top"]
CHANNEL = 24
MAX_SHARE = 0.03
MAX_MEAN = 3.0


def read_ppm(path):
    with open(path, "rb") as f:
        data = f.read()
    parts = data.split(maxsplit=4)
    if parts[0] != b"P6" or parts[3] != b"255":
        browser.fail(f"{path} is not a binary PPM")
    w, h = int(parts[1]), int(parts[2])
    return browser.Picture(w, h, parts[4][:w * h * 3])


def compare(a, b):
    """(pixels differing by more than CHANNEL, mean absolute difference per channel, diff)."""
    n, total = 0, 0
    diff = bytearray(len(a.rgb))
    for i in range(0, len(a.rgb), 3):
        d = (abs(a.rgb[i] - b.rgb[i]), abs(a.rgb[i + 1] - b.rgb[i + 1]),
             abs(a.rgb[i + 2] - b.rgb[i + 2]))
        total += d[0] + d[1] + d[2]
        if max(d) > CHANNEL:
            n += 1
        for c in range(3):
            diff[i + c] = min(255, 4 * d[c])
    return n, total / len(a.rgb), browser.Picture(a.width, a.height, diff)


def main(argv):
    site, native, archive, out = argv[1:5]
    os.makedirs(out, exist_ok=True)
    if not os.path.isfile(native):
        print(f"FAIL: no desktop scene program at {native} (build the desktop build first)")
        return 1
    run = subprocess.run([native, out, archive], capture_output=True, text=True, timeout=600)
    if run.returncode != 0:
        print(f"FAIL: {native} ended with {run.returncode}: {run.stderr.strip()}")
        return 1

    def session(chromium, port):
        failed = False
        chromium.get(f"http://127.0.0.1:{port}/checks.html?arg=--scenes")
        state = browser.wait_for(
            lambda: chromium.run("return window.checks.done ? window.checks : null"),
            "the browser's scenes", limit=max(300, 20 * browser.LIMIT_S))
        if state["code"] != 0:
            print("\n".join(state["output"]))
            print(f"FAIL: the browser's scenes ended with status {state['code']}")
            return 1
        names = chromium.run("return Module.quenbrillScenes.map((s) => s.name)")
        if names != SCENES:
            print(f"FAIL: the browser drew the scenes {names}, not {SCENES}")
            return 1
        print(f"a pixel differs when a channel differs by more than {CHANNEL}; "
              f"at most {MAX_SHARE:.0%} may, with a mean difference of at most {MAX_MEAN}")
        for i, name in enumerate(SCENES):
            data = chromium.run("""
                const a = Module.quenbrillScenes[arguments[0]].rgba;
                let s = '';
                for (let k = 0; k < a.length; k += 0x8000)
                    s += String.fromCharCode.apply(null, a.subarray(k, k + 0x8000));
                return btoa(s);""", i)
            web = browser.from_rgba_bottom_up(640, 480, base64.b64decode(data))
            desktop = read_ppm(os.path.join(out, name + ".ppm"))
            n, mean, diff = compare(web, desktop)
            browser.write_png(os.path.join(out, name + "-web.png"), web)
            browser.write_png(os.path.join(out, name + "-desktop.png"), desktop)
            browser.write_png(os.path.join(out, name + "-difference.png"), diff)
            share = n / (640 * 480)
            ok = share <= MAX_SHARE and mean <= MAX_MEAN
            failed |= not ok
            print(f"{'ok  ' if ok else 'FAIL'} {name}: {n} pixels differ ({share:.2%}), "
                  f"mean difference {mean:.2f}")
        return 1 if failed else 0

    return browser.run_on_site(site, session)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
