#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The game's page played in headless Chromium, from a local server on a free port, with real
key events through the browser's input and screenshots of the canvas:

the start screen with "<PRESS START>" seen lit and dark; Enter to the battle with sky above and
ground below; A (with Up held) leaves bolt trails ahead of the ship; each Space changes the
view; the sound runs after a key and carries the shots; a hidden tab stops the game and a
visible one goes on; Escape ends the game and the page is told (exit status 0).

    play.py BUILD_DIR OUT_DIR

Keeps its screenshots in OUT_DIR (start-screen.png and battle.png go into the README).
Every wait waits for what it checks; only E2E_LIMIT_MS ends a broken run.
"""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import browser  # noqa: E402
from browser import fail  # noqa: E402

CLEAR = (208, 232, 234)


def red(r, g, b):
    return r >= 200 and g <= 70 and b <= 70


def trail(r, g, b):
    return r >= 250 and g >= 240 and b <= 190


def far(a, b, limit):
    return max(abs(x - y) for x, y in zip(a, b)) > limit


class Play:
    def __init__(self, chromium, out):
        self.chromium, self.out, self.shots = chromium, out, 0

    def shot(self, name=None):
        png = self.chromium.element_png("#canvas")
        picture = browser.read_png(png)
        if picture.width != 640 or picture.height != 480:
            fail(f"the canvas shows {picture.width} x {picture.height}, not 640 x 480")
        self.shots += 1
        if name:
            with open(os.path.join(self.out, name + ".png"), "wb") as f:
                f.write(png)
        return picture

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
    server = browser.webserve.serve(build)
    chromium = None
    try:
        chromium = browser.Browser()
        play = Play(chromium, out)
        # One page pixel per picture pixel, so the screenshots are the game's 640 x 480.
        chromium.get(f"http://127.0.0.1:{server.server_port}/index.html?scale=1")
        browser.wait_for(lambda: play.status()["state"] != "loading", "the game to load")
        play.alive()
        if play.status()["messages"]:
            fail(f"the page shows messages on a good start: {play.status()['messages']}")

        # The start screen: the picture, and the prompt lit, then dark, then lit again.
        phases, first, shots = "", None, 0
        deadline = time.monotonic() + 2 * browser.LIMIT_S
        while "LDL" not in phases:
            if time.monotonic() > deadline:
                fail(f"the prompt did not blink: phases '{phases}' in {shots} screenshots")
            play.alive()
            pictures = [play.shot() for _ in range(6)]  # a burst, counted afterwards
            shots += len(pictures)
            for p in pictures:
                n = p.count(200, 412, 240, 28, red)
                phase = "L" if n >= 60 else ("D" if n <= 5 and phases else "")
                if phase == "L" and first is None:
                    first = p
                    browser.write_png(os.path.join(out, "start-screen.png"), p)
                if phase and not phases.endswith(phase):
                    phases += phase
        note(f"the prompt blinked: phases {phases} in {shots} screenshots")
        clear = first.count(0, 0, 640, 240, lambda r, g, b: (r, g, b) == CLEAR)
        if clear > 6400:
            fail(f"{clear} pixels of the upper half show the bare clear colour: no picture")

        # Audio: running once a key has been pressed (Chromium here allows it at once).
        chromium.keys(("down", "Enter"), ("pause", 150), ("up", "Enter"))
        sky = ground = None

        def battle():
            nonlocal sky, ground
            p = play.shot()
            sky, ground = p.mean(0, 0, 640, 40), p.mean(0, 440, 640, 40)
            return (p.differing(first, 25) >= 150000 and far(sky, CLEAR, 12)
                    and far(ground, CLEAR, 12) and far(sky, ground, 20)) and p
        battle_picture = browser.wait_for(battle, "sky and ground after Enter")
        note(f"battle: sky {sky} above, ground {ground} below")
        audio = browser.wait_for(
            lambda: (a := play.audio()) and a["state"] == "running" and a["played"] >= 3 and a,
            "the sound to run")
        note(f"sound: {audio['kind']}, {audio['played']} buffers played")
        peak_before = audio["peak"]

        # Bolts: A while holding Up; the trails glow ahead of the ship, in the middle.
        base = battle_picture.count(200, 40, 240, 200, trail)
        best, best_picture = 0, None
        for volley in range(8):
            chromium.keys(("down", "Up"), ("pause", 150), ("down", "a"), ("up", "a"),
                          ("up", "Up"))
            for _ in range(3):
                p = play.shot()
                n = p.count(200, 40, 240, 200, trail)
                if n > best:
                    best, best_picture = n, p
                if n >= base + 15:
                    break
            if best >= base + 15 and volley >= 2:
                break
        if best < base + 15:
            fail(f"no bolt trails: {best} trail pixels while firing, {base} before")
        browser.write_png(os.path.join(out, "battle.png"), best_picture)
        note(f"bolt trails: {best} pixels while firing, {base} before")
        audio = browser.wait_for(lambda: (a := play.audio()) and a["peak"] > peak_before and a,
                                 "the shots to be heard")
        note(f"sound: the loudest sample queued rose from {peak_before} to {audio['peak']}")

        # Space: each press changes most of the picture, far more than time alone does.
        time.sleep(1.3)  # the ship coasts to a stop
        a, b = play.shot(), None
        time.sleep(0.3)
        b = play.shot()
        control = a.differing(b, 15)
        previous = b
        for press in (1, 2):
            chromium.tap("Space")
            changed = 0

            def view_changed():
                nonlocal changed
                p = play.shot()
                changed = p.differing(previous, 15)
                return changed >= control + 30000 and p
            previous = browser.wait_for(view_changed, f"the view to change at Space {press}")
            note(f"Space {press}: {changed} pixels changed (control {control})")
            time.sleep(0.5)
            previous = play.shot(f"view-{press}")

        # A hidden tab: the game stops (nothing moves), and goes on when it is seen again.
        hide = """
            Object.defineProperty(document, 'hidden', {configurable: true, get: () => %s});
            Object.defineProperty(document, 'visibilityState',
                                  {configurable: true, get: () => '%s'});
            document.dispatchEvent(new Event('visibilitychange'));"""
        chromium.run(hide % ("true", "hidden"))
        time.sleep(0.3)
        still = play.shot()
        time.sleep(1.0)
        moved = still.differing(play.shot(), 15)
        if moved > 0:
            fail(f"{moved} pixels changed while the page was hidden")
        chromium.run(hide % ("false", "visible"))
        browser.wait_for(lambda: play.shot().differing(still, 15) > 0,
                         "the game to go on when the page is seen again")
        note("hidden page: nothing moved for 1 s; seen again, the game goes on")

        # Escape: the game ends and the page hears exit status 0.
        chromium.tap("Escape")
        status = browser.wait_for(
            lambda: (s := play.status())["state"] != "running" and s, "the game to end")
        if status["state"] != "over" or status["exitCode"] != 0:
            fail(f"after Escape the page says {status}")
        notice = chromium.run("return document.getElementById('notice').textContent")
        note(f"Escape: exit status 0; the page says \"{notice}\"")
        print(f"PASS play ({play.shots} screenshots)")
        return 0
    except browser.Failure as e:
        print(f"FAIL: {e}")
        return 1
    finally:
        if chromium:
            chromium.close()
        server.shutdown()


if __name__ == "__main__":
    sys.exit(main(sys.argv))
