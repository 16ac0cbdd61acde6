#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# update-screenshots.sh [BUILD_DIR]
# Runs the start-screen scenario and the HUD scenario (with --hud and without) against the game
# in BUILD_DIR (default: build) and copies their screenshots into docs/: start-screen.png, and
# each view without the HUD (chase-view.png, cockpit-view.png, top-view.png) and with it
# (chase-hud.png, cockpit-hud.png, top-hud.png).
set -eu
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="$(realpath "${1:-$root/build}")"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
"$here/run.sh" start-screen "$build/quenbrill" "$build" "$out/start"
"$here/run.sh" hud "$build/quenbrill" "$build" "$out/hud"
"$here/run.sh" hud "$build/quenbrill" "$build" "$out/plain" plain
mkdir -p "$root/docs"
cp "$out/start/start-screen.png" "$root/docs/start-screen.png"
for view in chase cockpit top; do
    cp "$out/plain/$view.png" "$root/docs/$view-view.png"
    cp "$out/hud/$view-hud.png" "$root/docs/$view-hud.png"
done
echo "docs/start-screen.png and the views with and without the HUD updated"
