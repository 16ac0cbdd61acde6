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

. "$(dirname "$0")/../e2e/lib.sh"
run="$(mktemp -d /tmp/qb-wine.XXXXXX)"
cleanup() {
    WINEPREFIX="$run/prefix" "$wineserver" -k 2>/dev/null || true
    stop_xserver
    rm -rf "$run"
}
trap cleanup EXIT

export HOME="$run/home" WINEPREFIX="$run/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export QB_WINE="$wine"
mkdir -p "$HOME"
printf 'pcm.!default { type null }\n' > "$HOME/.asoundrc"

# A display of our own for every window of the run.
start_xserver "$run" || { echo "FAIL: no X server" >&2; exit 1; }

t0=$(date +%s%3N)
mkdir -p "$WINEPREFIX"
"$wineserver" -p          # stays until -k at the end
"$wine" wineboot -i >/dev/null 2>&1
echo "Wine prefix ready in $(( $(date +%s%3N) - t0 )) ms (display $DISPLAY)"

cd "$build"
ctest --output-on-failure "$@"
