#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# update-screenshots.sh [WEB_BUILD_DIR]
# Plays the game's page in headless Chromium (play.py) against the browser build in
# WEB_BUILD_DIR (default: build-web) and copies its screenshot of the page to docs/web-page.png.
set -eu
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="$(realpath "${1:-$root/build-web}")"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
python3 "$here/play.py" "$build" "$out"
cp "$out/page.png" "$root/docs/web-page.png"
echo "docs/web-page.png updated"
