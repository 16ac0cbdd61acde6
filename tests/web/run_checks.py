#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Runs the browser checks program in headless Chromium and passes on its output and exit code.

    run_checks.py SITE [--program=NAME] [ARG...]

SITE holds checks.html and the program NAME.js/.wasm (web_checks unless named); each ARG goes
to the program (a GoogleTest filter, --no-frames, ...).
"""
import os
import sys
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import browser  # noqa: E402


def main(argv):
    site, args = argv[1], argv[2:]
    program = "web_checks"
    if args and args[0].startswith("--program="):
        program = args.pop(0)[len("--program="):]

    def session(chromium, port):
        query = urllib.parse.urlencode([("program", program)] + [("arg", a) for a in args])
        chromium.get(f"http://127.0.0.1:{port}/checks.html?{query}")
        # The checks take their own time; the limit only ends a run that hangs.
        state = browser.wait_for(
            lambda: chromium.run("return window.checks && window.checks.done ? window.checks : null"),
            "the checks to end", limit=max(300, 20 * browser.LIMIT_S))
        print("\n".join(state["output"]))
        print(f"checks ended with status {state['code']}")
        return 0 if state["code"] == 0 else 1

    def show_output(chromium):
        try:
            print("\n".join(chromium.run("return window.checks ? window.checks.output : []")))
        except browser.Failure:
            pass

    return browser.run_on_site(site, session, show_output)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
