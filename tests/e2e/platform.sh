#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# platform.sh CASE GAME RUN_DIR
# The real game binary on its own X server (Xvfb picks a free display itself), driven by real
# X input from xdotool:
#   escape      a centred, fixed 640 x 480 window appears; an Escape key press ends the game
#               with status 0
#   sigterm     SIGTERM ends the game through its quit message: status 128 + 15
#   no-display  without any display the game prints one line on stderr and exits non-zero
# Every wait here waits for what it checks; its limit (E2E_LIMIT_MS, 15 s) only ends a broken run.
set -u
case_name="$1"; game="$2"; run_dir="$3"
. "$(dirname "$0")/lib.sh"

tmp=$(mktemp -d)
OUT_DIR="$tmp"
err="$tmp/stderr.txt"
trap 'stop_game; stop_xserver; rm -rf "$tmp"' EXIT

[ -x "$game" ] || fail "no game binary at $game"
e2e_game_env

if [ "$case_name" = no-display ]; then
    (cd "$run_dir" && env -u DISPLAY timeout $(( E2E_LIMIT_MS / 1000 )) "$game") 2>"$err"
    status=$?
    [ "$status" -ne 0 ] || fail "the game ended with status 0 without a display"
    [ "$status" -ne 124 ] || fail "the game kept running without a display"
    [ "$(wc -l <"$err")" -eq 1 ] || fail "expected one line on stderr"
    grep -q 'window' "$err" || fail "the line does not say what failed"
    echo "ok: status $status, stderr: $(cat "$err")"
    exit 0
fi

need_tools Xvfb xdotool xwininfo xprop
start_xserver "$tmp" || fail "no X server"

(cd "$run_dir" && exec "$game") 2>"$err" &
GAME_PID=$!
wait_for_window Quenbrill --onlyvisible

info=$(xwininfo -id "$WID")
width=$(echo "$info" | sed -n 's/^ *Width: *//p')
height=$(echo "$info" | sed -n 's/^ *Height: *//p')
[ "$width" = 640 ] && [ "$height" = 480 ] || fail "window is ${width}x${height}, not 640x480"
# No window manager here, so the window sits exactly where the game put it: centred.
x=$(echo "$info" | sed -n 's/^ *Absolute upper-left X: *//p')
y=$(echo "$info" | sed -n 's/^ *Absolute upper-left Y: *//p')
[ "$x" = 192 ] && [ "$y" = 144 ] || fail "window at $x,$y, not centred at 192,144"
# Not resizable: the size hints pin the minimum and the maximum to the client size.
hints=$(xprop -id "$WID" WM_NORMAL_HINTS)
echo "$hints" | grep -q 'minimum size: 640 by 480' && echo "$hints" | grep -q 'maximum size: 640 by 480' ||
    fail "window can be resized: $hints"
echo "ok: window $WID is 640x480, centred, fixed size"

# No window manager either to give it the keyboard.
xdotool windowfocus --sync "$WID" 2>/dev/null || fail "cannot focus the game window"

case "$case_name" in
escape)
    xdotool key Escape
    expect_exit
    echo "ok: Escape ended the game with status 0"
    ;;
sigterm)
    kill -TERM "$GAME_PID"
    expect_exit "$E2E_LIMIT_MS" 143
    echo "ok: SIGTERM ended the game with status 143"
    ;;
*)
    fail "unknown case $case_name"
    ;;
esac
exit 0
