#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# update-screenshots.sh [BUILD_DIR]
# Runs the start-screen and battle scenarios against the game in BUILD_DIR (default: build)
# and copies their screenshots into docs/: start-screen.png, chase-view.png, top-view.png.
set -eu
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="$(realpath "${1:-$root/build}")"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
"$here/run.sh" start-screen "$build/quenbrill" "$build" "$out/start"
"$here/run.sh" battle "$build/quenbrill" "$build" "$out/battle"
mkdir -p "$root/docs"
cp "$out/start/start-screen.png" "$root/docs/start-screen.png"
cp "$out/battle/chase-view.png" "$root/docs/chase-view.png"
cp "$out/battle/top-view.png" "$root/docs/top-view.png"
echo "docs/start-screen.png, docs/chase-view.png and docs/top-view.png updated"
