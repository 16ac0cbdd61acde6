#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# run.sh SCENARIO GAME RUN_DIR OUT_DIR
# Runs one scenario script of this folder on a private X server (Xvfb, 1024 x 768, 24 bits),
# so tests can run side by side. The game is silent (SDL's dummy audio driver).
set -u
here="$(cd "$(dirname "$0")" && pwd)"
scenario="$1"; shift
for tool in Xvfb xdotool import convert compare identify; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed" >&2; exit 1; }
done
export SDL_AUDIODRIVER=dummy
unset SDL_VIDEODRIVER WAYLAND_DISPLAY
# In sanitizer builds: memory the GL driver and other system libraries keep for the whole
# process is not the game's leak.
export LSAN_OPTIONS="suppressions=$(cd "$here/.." && pwd)/lsan.supp:print_suppressions=0"
# In ThreadSanitizer builds: the GL driver's own threads are not instrumented.
export TSAN_OPTIONS="suppressions=$(cd "$here/.." && pwd)/tsan.supp:print_suppressions=0${TSAN_OPTIONS:+:$TSAN_OPTIONS}"

. "$here/../e2e/xserver.sh"
xdir=$(mktemp -d)
trap 'stop_xserver; rm -rf "$xdir"' EXIT
start_xserver "$xdir" || { echo "FAIL: no X server" >&2; exit 1; }
bash "$here/$scenario.sh" "$@"
