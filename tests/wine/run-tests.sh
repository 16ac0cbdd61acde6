#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# run-tests.sh BUILD_WIN [CTEST ARGS...]
# Runs the tests of the Windows build under Wine. One run has one private Wine prefix and HOME
# (created here, about 10-25 s), one X server (Xvfb) for every window, and one wineserver kept
# alive (-p) for the whole run, so each program starts in well under a second; all of it is
# stopped and removed at the end. Sound goes to ALSA's null device (.asoundrc in the private
# HOME), so the wave-out device opens and plays without a sound card.
set -euo pipefail
build="$(cd "$1" && pwd)"; shift
wine="$(command -v wine64 || true)"
[ -n "$wine" ] || wine=/usr/lib/wine/wine64
wineserver="$(command -v wineserver || true)"
[ -n "$wineserver" ] || wineserver=/usr/lib/wine/wineserver
for tool in "$wine" "$wineserver" Xvfb xdotool import convert compare identify; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed" >&2; exit 1; }
done

run="$(mktemp -d /tmp/qb-wine.XXXXXX)"
xvfb_pid=""
cleanup() {
    WINEPREFIX="$run/prefix" "$wineserver" -k 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$run"
}
trap cleanup EXIT

export HOME="$run/home" WINEPREFIX="$run/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export QB_WINE="$wine"
mkdir -p "$HOME"
printf 'pcm.!default { type null }\n' > "$HOME/.asoundrc"

# A display of our own; Xvfb writes the number it took.
exec 3> "$run/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 100); do [ -s "$run/display" ] && break; sleep 0.1; done
[ -s "$run/display" ] || { echo "FAIL: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -1 "$run/display")"

t0=$(date +%s%3N)
mkdir -p "$WINEPREFIX"
"$wineserver" -p          # stays until -k at the end
"$wine" wineboot -i >/dev/null 2>&1
echo "Wine prefix ready in $(( $(date +%s%3N) - t0 )) ms (display $DISPLAY)"

cd "$build"
ctest --output-on-failure "$@"
