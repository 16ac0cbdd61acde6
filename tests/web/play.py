#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The game's page played in headless Chromium, from a local server on a free port, with real
key events through the browser's input and screenshots of the canvas:

the start screen with "<PRESS START>" seen lit and dark; Enter to the battle with sky above and
ground below; A (with Up held) leaves bolt trails ahead of the ship; each Space changes the
view; the sound runs after a key and carries the shots; a hidden tab stops the game and a
visible one goes on; the full-screen button and F11; Escape ends the game and the page is told
(exit status 0); without its archive, or without WebGL, the page says so.

    play.py BUILD_DIR OUT_DIR

Keeps pictures in OUT_DIR: start-screen.png and battle.png as the player saw them, page.png a
screenshot of the whole page during the battle.
Every wait waits for what it checks; only E2E_LIMIT_MS ends a broken run.
"""
import base64
import os
import shutil
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import browser  # noqa: E402
from browser import fail  # noqa: E402

CLEAR = (208, 232, 234)
RED = "r >= 200 && g <= 70 && b <= 70"
TRAIL = "r >= 250 && g >= 240 && b <= 190"

# Pictures are taken in the page: in the display frame after the next one the game draws, a copy
# of the canvas as the browser shows it, kept under a name and measured there (WebDriver's own
# screenshots, decoded here, would take a second or more each).
SHOTS = """
window.qbShots = {};
window.qbShot = (name, done) => requestAnimationFrame(() => {
  const src = document.getElementById('canvas');
  const c = document.createElement('canvas');
  c.width = src.width;
  c.height = src.height;
  const g = c.getContext('2d');
  g.drawImage(src, 0, 0);
  qbShots[name] = { canvas: c, data: g.getImageData(0, 0, c.width, c.height).data };
  done([c.width, c.height]);
});
window.qbCount = (name, x, y, w, h, test) => {
  const f = new Function('r', 'g', 'b', 'return ' + test), d = qbShots[name].data;
  let n = 0;
  for (let yy = y; yy < y + h; ++yy)
    for (let xx = x; xx < x + w; ++xx) {
      const i = 4 * (yy * qbShots[name].canvas.width + xx);
      if (f(d[i], d[i + 1], d[i + 2])) ++n;
    }
  return n;
};
window.qbMean = (name, x, y, w, h) => {
  const d = qbShots[name].data, t = [0, 0, 0];
  for (let yy = y; yy < y + h; ++yy)
    for (let xx = x; xx < x + w; ++xx)
      for (let c = 0; c < 3; ++c) t[c] += d[4 * (yy * qbShots[name].canvas.width + xx) + c];
  return t.map((v) => Math.round(v / (w * h)));
};
window.qbDiffer = (a, b, limit) => {
  const p = qbShots[a].data, q = qbShots[b].data;
  let n = 0;
  for (let i = 0; i < p.length; i += 4)
    if (Math.abs(p[i] - q[i]) > limit || Math.abs(p[i + 1] - q[i + 1]) > limit ||
        Math.abs(p[i + 2] - q[i + 2]) > limit) ++n;
  return n;
};
window.qbPng = (name) => qbShots[name].canvas.toDataURL('image/png').split(',')[1];
"""


def far(a, b, limit):
    return max(abs(x - y) for x, y in zip(a, b)) > limit


class Play:
    def __init__(self, chromium, out):
        self.chromium, self.out, self.shots = chromium, out, 0

    def shot(self, name, size=(640, 480)):
        got = self.chromium.run_async("window.qbShot(arguments[0], arguments[1]);", name)
        if size and tuple(got) != size:
            fail(f"the canvas shows {got[0]} x {got[1]}, not {size[0]} x {size[1]}")
        self.shots += 1
        return name

    def count(self, name, x, y, w, h, test):
        return self.chromium.run("return qbCount(...arguments)", name, x, y, w, h, test)

    def mean(self, name, x, y, w, h):
        return tuple(self.chromium.run("return qbMean(...arguments)", name, x, y, w, h))

    def differing(self, a, b, limit):
        return self.chromium.run("return qbDiffer(...arguments)", a, b, limit)

    def keep(self, name, file_name):
        data = base64.b64decode(self.chromium.run("return qbPng(arguments[0])", name))
        with open(os.path.join(self.out, file_name + ".png"), "wb") as f:
            f.write(data)

    def status(self):
        return self.chromium.run("return window.quenbrill")

    def audio(self):
        return self.chromium.run(
            "return Module.quenbrillAudio ? Module.quenbrillAudio() : null")

    def alive(self):
        s = self.status()
        if s["state"] not in ("running", "loading"):
            fail(f"the game is {s['state']} (messages: {s['messages']})")


def note(text):
    print("  " + text, flush=True)


def main(argv):
    build, out = argv[1], argv[2]
    os.makedirs(out, exist_ok=True)

    def session(chromium, port):
        play = Play(chromium, out)
        # One page pixel per picture pixel, so the screenshots are the game's 640 x 480.
        chromium.get(f"http://127.0.0.1:{port}/index.html?scale=1")
        browser.wait_for(lambda: play.status()["state"] != "loading", "the game to load")
        play.alive()
        if play.status()["messages"]:
            fail(f"the page shows messages on a good start: {play.status()['messages']}")
        chromium.run(SHOTS)

        # The start screen: the picture, and the prompt lit, then dark, then lit again.
        phases, shots = "", 0
        deadline = time.monotonic() + 2 * browser.LIMIT_S
        while "LDL" not in phases:
            if time.monotonic() > deadline:
                fail(f"the prompt did not blink: phases '{phases}' in {shots} pictures")
            play.alive()
            play.shot("now")
            shots += 1
            n = play.count("now", 200, 412, 240, 28, RED)
            phase = "L" if n >= 60 else ("D" if n <= 5 and phases else "")
            if phase == "L" and not phases:
                play.shot("title")  # the next frame, lit as well or not: kept as the picture
                play.keep("now", "start-screen")
                chromium.run("qbShots.title = qbShots.now")
            if phase and not phases.endswith(phase):
                phases += phase
        note(f"the prompt blinked: phases {phases} in {shots} pictures")
        clear = play.count("title", 0, 0, 640, 240, "r == 208 && g == 232 && b == 234")
        if clear > 6400:
            fail(f"{clear} pixels of the upper half show the bare clear colour: no picture")

        # Enter: the battle, with sky above and ground below.
        chromium.keys(("down", "Enter"), ("pause", 150), ("up", "Enter"))
        sky = ground = None

        def battle():
            nonlocal sky, ground
            play.shot("battle")
            sky, ground = play.mean("battle", 0, 0, 640, 40), play.mean("battle", 0, 440, 640, 40)
            return (play.differing("battle", "title", 25) >= 150000 and far(sky, CLEAR, 12)
                    and far(ground, CLEAR, 12) and far(sky, ground, 20))
        browser.wait_for(battle, "sky and ground after Enter")
        note(f"battle: sky {sky} above, ground {ground} below")
        # The sound runs once a key has been pressed (this Chromium allows it at once).
        audio = browser.wait_for(
            lambda: (a := play.audio()) and a["state"] == "running" and a["played"] >= 3 and a,
            "the sound to run")
        note(f"sound: {audio['kind']}, {audio['played']} buffers played")
        peak_before = audio["peak"]
        sounding_before = audio["sounding"]

        # Bolts: A while holding Up; the trails glow ahead of the ship, in the middle.
        base = play.count("battle", 200, 40, 240, 200, TRAIL)
        best = 0
        for volley in range(8):
            chromium.keys(("down", "Up"), ("pause", 150), ("down", "a"), ("up", "a"),
                          ("up", "Up"))
            for look in range(4):
                play.shot("fire")
                n = play.count("fire", 200, 40, 240, 200, TRAIL)
                if n > best:
                    best = n
                    play.keep("fire", "battle")
                    with open(os.path.join(out, "page.png"), "wb") as f:
                        f.write(chromium.page_png())  # the whole page, for the README
                if n >= base + 15:
                    break
            if best >= base + 15 and volley >= 2:
                break
        if best < base + 15:
            fail(f"no bolt trails: {best} trail pixels while firing, {base} before")
        note(f"bolt trails: {best} pixels while firing, {base} before")
        # The volleys (and the fighters' own) are heard: buffers that are not silence go out
        # after them. (The loudest sample alone may have been reached before the volleys.)
        audio = browser.wait_for(
            lambda: (a := play.audio()) and a["sounding"] > sounding_before and a,
            "the battle to be heard")
        note(f"sound: {audio['sounding'] - sounding_before} buffers with sound since the volleys;"
             f" the loudest sample {peak_before} before, {audio['peak']} now")

        # Space: each press changes most of the picture, far more than time alone does.
        time.sleep(1.3)  # the ship coasts to a stop
        play.shot("view-0")
        time.sleep(0.3)
        play.shot("view-0b")
        control = play.differing("view-0", "view-0b", 15)
        previous = "view-0b"
        for press in (1, 2):
            chromium.tap("Space")
            changed = 0

            def view_changed():
                nonlocal changed
                play.shot("view")
                changed = play.differing("view", previous, 15)
                return changed >= control + 30000
            browser.wait_for(view_changed, f"the view to change at Space {press}")
            note(f"Space {press}: {changed} pixels changed (control {control})")
            time.sleep(0.5)
            previous = play.shot(f"view-{press}")
            play.keep(previous, previous)

        # A hidden tab: the game stops (nothing moves), and goes on when it is seen again.
        hide = """
            Object.defineProperty(document, 'hidden', {configurable: true, get: () => %s});
            Object.defineProperty(document, 'visibilityState',
                                  {configurable: true, get: () => '%s'});
            document.dispatchEvent(new Event('visibilitychange'));"""
        chromium.run(hide % ("true", "hidden"))
        play.shot("hidden-a")
        time.sleep(1.0)
        play.shot("hidden-b")
        moved = play.differing("hidden-a", "hidden-b", 0)
        if moved > 0:
            fail(f"{moved} pixels changed while the page was hidden")
        chromium.run(hide % ("false", "visible"))
        browser.wait_for(lambda: play.shot("seen") and play.differing("seen", "hidden-b", 15) > 0,
                         "the game to go on when the page is seen again")
        note("hidden page: nothing moved for 1 s; seen again, the game goes on")

        # Full screen by the page's button (a click), back by F11; the picture follows.
        chromium.click("#fullscreen")
        canvas = "const c = document.getElementById('canvas'); return [c.width, c.height];"
        browser.wait_for(lambda: chromium.run("return !!document.fullscreenElement"),
                         "full screen after the button")
        big = browser.wait_for(lambda: (s := chromium.run(canvas)) != [640, 480] and s,
                               "the picture to fill the screen")
        play.shot("full", size=None)
        inside = play.mean("full", big[0] // 4, big[1] // 4, big[0] // 2, big[1] // 2)
        if not far(inside, (0, 0, 0), 20):
            fail(f"the full-screen picture is dark in the middle: {inside}")
        chromium.tap("F11")
        browser.wait_for(lambda: not chromium.run("return !!document.fullscreenElement")
                         and chromium.run(canvas) == [640, 480], "F11 to leave full screen")
        note(f"full screen: drawn at {big[0]} x {big[1]}, F11 back to 640 x 480")

        # Nothing the game drew went outside the GL subset (it would say so on the page).
        if play.status()["messages"]:
            fail(f"the page shows messages after play: {play.status()['messages']}")

        # Escape: the game ends and the page hears exit status 0.
        chromium.tap("Escape")
        status = browser.wait_for(
            lambda: (s := play.status())["state"] != "running" and s, "the game to end")
        if status["state"] != "over" or status["exitCode"] != 0:
            fail(f"after Escape the page says {status}")
        notice = chromium.run("return document.getElementById('notice').textContent")
        note(f"Escape: exit status 0; the page says \"{notice}\"")

        # Without its archive the page says so and the game runs without pictures.
        bare = tempfile.mkdtemp(prefix="qb-web-")
        for name in ("index.html", "quenbrill.js", "quenbrill.wasm"):
            shutil.copy(os.path.join(build, name), bare)
        second = browser.webserve.serve(bare)
        try:
            chromium.get(f"http://127.0.0.1:{second.server_port}/index.html?scale=1")
            status = browser.wait_for(
                lambda: (s := play.status())["state"] == "running" and len(s["messages"]) >= 2
                and s, "the page to say the archive is missing")
            shown = chromium.run(
                "return document.getElementById('messages').classList.contains('shown')")
            said = " | ".join(status["messages"])
            if not shown or "quenbrill.data" not in said or "not found" not in said:
                fail(f"without the archive the page shows {shown}: {said}")
            note(f"no archive: the page says \"{status['messages'][0]}\"")
        finally:
            second.shutdown()
            shutil.rmtree(bare, ignore_errors=True)

        # Without WebGL the page says so instead of starting the game.
        chromium.cdp("Page.addScriptToEvaluateOnNewDocument", {
            "source": "HTMLCanvasElement.prototype.getContext = function () { return null; };"})
        chromium.get(f"http://127.0.0.1:{port}/index.html")
        status = browser.wait_for(lambda: (s := play.status())["state"] != "loading" and s,
                                  "the page to give up without WebGL")
        notice = chromium.run("return document.getElementById('notice').textContent")
        if status["state"] != "failed" or "WebGL" not in notice:
            fail(f"without WebGL the page is {status['state']} and says \"{notice}\"")
        note(f"no WebGL: the page says \"{notice}\"")
        print(f"PASS play ({play.shots} pictures)")
        return 0

    return browser.run_on_site(build, session)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
