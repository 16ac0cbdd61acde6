#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The game's page in headless Chromium: frames per second, main-thread milliseconds per frame
and the CPU time of all of the browser's processes per frame, while an autopilot plays.

    bench/web/bench.py [BUILD_WEB] [--seconds S] [--runs N] [--mute]

Each run loads build-web/index.html?scale=1&seed=1234 afresh (640 x 480, sound on unless
--mute), presses Enter, and after a second of battle measures S seconds (default 20) of the
autopilot of the desktop's frame benchmark: thrust all the time, turning left and right in a
3-second cycle, a volley every 200 ms (keys as the browser's KeyboardEvents, sent from the
page's own animation frames). The frame rate is what the browser managed (at most the display's
60 Hz); main-thread time is the time the page spends in each of the game's passes (the game,
its GL subset and the WebGL calls it hands to the browser; the software rasteriser works in
another process); CPU time counts every Chromium process. Prints each run, then the medians.
"""
import argparse
import os
import statistics
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "web"))
import browser  # noqa: E402

AUTOPILOT = """
(() => {
  const key = (code, down) => window.dispatchEvent(new KeyboardEvent(down ? 'keydown' : 'keyup',
      { code: code, key: code, bubbles: true, cancelable: true }));
  const start = performance.now();
  let turning = '', lastShot = -1e9;
  key('ArrowUp', true);
  function step() {
    const t = performance.now() - start;
    const turn = (t % 3000) < 1500 ? 'ArrowLeft' : 'ArrowRight';
    if (turn !== turning) {
      if (turning) key(turning, false);
      key(turn, true);
      turning = turn;
    }
    if (t - lastShot >= 200) {
      key('KeyA', true);
      key('KeyA', false);
      lastShot = t;
    }
    if (window.quenbrill.state === 'running') requestAnimationFrame(step);
  }
  requestAnimationFrame(step);
})();
"""


def browser_cpu_seconds(root):
    """User and system CPU seconds of root's process and everything below it."""
    parents = {}
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open(f"/proc/{pid}/stat") as f:
                fields = f.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        parents[int(pid)] = (int(fields[1]), int(fields[11]) + int(fields[12]))
    tree, frontier = {root}, [root]
    while frontier:
        p = frontier.pop()
        for pid, (ppid, _) in parents.items():
            if ppid == p and pid not in tree:
                tree.add(pid)
                frontier.append(pid)
    ticks = sum(parents[p][1] for p in tree if p in parents)
    return ticks / os.sysconf("SC_CLK_TCK")


def percentile(values, q):
    values = sorted(values)
    return values[min(len(values) - 1, int(q * len(values)))]


def one_run(chromium, url, seconds):
    chromium.get(url)
    browser.wait_for(lambda: chromium.run("return window.quenbrill.state") != "loading",
                     "the game to load", limit=120)
    chromium.tap("Enter")
    time.sleep(1.0)
    chromium.run(AUTOPILOT)
    time.sleep(1.0)
    frames0 = chromium.run("return Module.quenbrillFrames().count")
    cpu0, wall0 = browser_cpu_seconds(chromium.driver.pid), time.monotonic()
    time.sleep(seconds)
    frames1 = chromium.run("return Module.quenbrillFrames().count")
    cpu1, wall1 = browser_cpu_seconds(chromium.driver.pid), time.monotonic()
    times = chromium.run("""
        const f = Module.quenbrillFrames(), n = f.times.length, out = [];
        for (let i = arguments[0]; i < arguments[1]; ++i) out.push(f.times[i % n]);
        return out;""", frames0, frames1)
    if chromium.run("return window.quenbrill.state") != "running":
        browser.fail("the game ended during the run")
    frames = frames1 - frames0
    return {
        "fps": frames / (wall1 - wall0),
        "main median": statistics.median(times),
        "main p99": percentile(times, 0.99),
        "cpu per frame": 1000.0 * (cpu1 - cpu0) / max(frames, 1),
        "frames": frames,
    }


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build", nargs="?", default="build-web")
    parser.add_argument("--seconds", type=float, default=20)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--mute", action="store_true")
    args = parser.parse_args()
    server = browser.webserve.serve(args.build)
    chromium = browser.Browser()
    try:
        url = (f"http://127.0.0.1:{server.server_port}/index.html?scale=1&seed=1234"
               + ("&mute" if args.mute else ""))
        print(f"quenbrill web benchmark: {args.runs} runs of {args.seconds:g} s of play, "
              f"seed 1234, 640 x 480, sound {'off' if args.mute else 'on'}")
        print(chromium.run("""
            const g = document.createElement('canvas').getContext('webgl');
            const i = g.getExtension('WEBGL_debug_renderer_info');
            return navigator.userAgent.match(/Chrome\\/[\\d.]+/)[0] + ', ' +
                   g.getParameter(i ? i.UNMASKED_RENDERER_WEBGL : g.RENDERER);"""))
        runs = []
        for n in range(args.runs):
            r = one_run(chromium, url, args.seconds)
            runs.append(r)
            print(f"run {n + 1}: {r['frames']} frames, {r['fps']:.1f} fps, main thread "
                  f"{r['main median']:.2f} ms median / {r['main p99']:.2f} ms p99 per frame, "
                  f"all browser processes {r['cpu per frame']:.2f} ms CPU per frame", flush=True)
        print("median of the runs: " + ", ".join(
            f"{k} {statistics.median(r[k] for r in runs):.2f}"
            for k in ("fps", "main median", "main p99", "cpu per frame")))
    finally:
        chromium.close()
        server.shutdown()


if __name__ == "__main__":
    main()
