#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Checks of the built page that need no browser.

    check_build.py BUILD_DIR

- The download: index.html, quenbrill.js, .wasm and .data together are at most 1 MB once
  gzip-compressed, as a web server sends them.
- Every GL entry point the game calls is one of our own subset's: a GL function the subset
  lacks would otherwise be linked silently to emscripten's bare WebGL function of that name,
  bypassing our state, and draw wrongly or not at all. In the linked program the browser's
  own WebGL functions are only called under their emscripten_gl names.
"""
import gzip
import os
import re
import sys

FILES = ["index.html", "quenbrill.js", "quenbrill.wasm", "quenbrill.data"]
LIMIT = 1 << 20


def main(argv):
    build = argv[1]
    failed = False
    total = 0
    for name in FILES:
        path = os.path.join(build, name)
        if not os.path.isfile(path):
            print(f"FAIL: no {name} in {build}")
            return 1
        with open(path, "rb") as f:
            data = f.read()
        packed = len(gzip.compress(data, 9))
        total += packed
        print(f"{name}: {len(data)} bytes, {packed} gzip-compressed")
    print(f"download: {total} bytes gzip-compressed (limit {LIMIT})")
    if total > LIMIT:
        print("FAIL: the page is more than 1 MB to download")
        failed = True

    with open(os.path.join(build, "quenbrill.js"), encoding="utf-8", errors="replace") as f:
        js = f.read()
    # The JavaScript functions that implement imports named gl... or glu...
    bare = sorted(set(re.findall(r"function (_glu?[A-Z]\w*)\(", js)))
    if bare:
        print(f"FAIL: the game calls GL functions outside the subset: {', '.join(bare)}")
        failed = True
    else:
        print("every GL call of the game goes to the subset")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
