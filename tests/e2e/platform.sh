#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# platform.sh CASE GAME RUN_DIR
# The real game binary on its own X server (Xvfb picks a free display itself), driven by real
# X input from xdotool:
#   escape      a centred, fixed 640 x 480 window appears; an Escape key press ends the game
#               with status 0
#   sigterm     SIGTERM ends the game through its quit message: status 128 + 15
# Every wait here waits for what it checks; its limit (E2E_LIMIT_MS, 15 s) only ends a broken run.
#   no-display  without any display the game prints one line on stderr and exits non-zero
#   bad-display a display that cannot be opened is named in that line, its control
#               characters escaped
set -u
case_name="$1"; game="$2"; run_dir="$3"
. "$(dirname "$0")/xserver.sh"

fail() { echo "FAIL: $*" >&2; [ -s "$err" ] && sed 's/^/  game stderr: /' "$err" >&2; cleanup; exit 1; }
now_ms() { e2e_now_ms; }

tmp=$(mktemp -d)
err="$tmp/stderr.txt"
game_pid=""
cleanup() {
    [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null && wait "$game_pid" 2>/dev/null
    stop_xserver
    rm -rf "$tmp"
}

[ -x "$game" ] || fail "no game binary at $game"
export SDL_AUDIODRIVER=dummy
unset SDL_VIDEODRIVER WAYLAND_DISPLAY
# In sanitizer builds: the system libraries' own leftovers are not the game's leaks.
export LSAN_OPTIONS="suppressions=$(cd "$(dirname "$0")/.." && pwd)/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
# In ThreadSanitizer builds: the GL driver's own threads are not instrumented.
export TSAN_OPTIONS="suppressions=$(cd "$(dirname "$0")/.." && pwd)/tsan.supp${TSAN_OPTIONS:+:$TSAN_OPTIONS}"

if [ "$case_name" = no-display ]; then
    (cd "$run_dir" && env -u DISPLAY timeout $(( E2E_LIMIT_MS / 1000 )) "$game") 2>"$err"
    status=$?
    [ "$status" -ne 0 ] || fail "the game ended with status 0 without a display"
    [ "$status" -ne 124 ] || fail "the game kept running without a display"
    [ "$(wc -l <"$err")" -eq 1 ] || fail "expected one line on stderr"
    grep -q 'window' "$err" || fail "the line does not say what failed"
    echo "ok: status $status, stderr: $(cat "$err")"
    cleanup
    exit 0
fi
if [ "$case_name" = bad-display ]; then
    # No X server listens on display 424242 (its socket would be /tmp/.X11-unix/X424242).
    # In sanitizer builds the list of leak suppressions used would add lines of its own.
    export LSAN_OPTIONS="$LSAN_OPTIONS:print_suppressions=0"
    (cd "$run_dir" && DISPLAY=$':424242\e[2J' timeout $(( E2E_LIMIT_MS / 1000 )) "$game") 2>"$err"
    status=$?
    [ "$status" -ne 0 ] || fail "the game ended with status 0 on a display it cannot open"
    [ "$status" -ne 124 ] || fail "the game kept running on a display it cannot open"
    [ "$(wc -l <"$err")" -eq 1 ] || fail "expected one line on stderr"
    grep -qF 'cannot open the X display ":424242\x1B[2J"' "$err" || fail "the line does not name the display"
    echo "ok: status $status, stderr: $(cat "$err")"
    cleanup
    exit 0
fi

for tool in Xvfb xdotool xwininfo xprop; do
    command -v "$tool" >/dev/null || fail "$tool is not installed"
done

start_xserver "$tmp" || fail "no X server"

(cd "$run_dir" && exec "$game") 2>"$err" &
game_pid=$!

wid=""
deadline=$(( $(now_ms) + E2E_LIMIT_MS ))
while [ -z "$wid" ]; do
    kill -0 "$game_pid" 2>/dev/null || fail "the game ended before its window appeared"
    [ "$(now_ms)" -lt "$deadline" ] || fail "no game window after $E2E_LIMIT_MS ms"
    wid=$(xdotool search --onlyvisible --name '^Quenbrill$' 2>/dev/null | head -1)
    [ -n "$wid" ] || sleep 0.05
done

info=$(xwininfo -id "$wid")
width=$(echo "$info" | sed -n 's/^ *Width: *//p')
height=$(echo "$info" | sed -n 's/^ *Height: *//p')
[ "$width" = 640 ] && [ "$height" = 480 ] || fail "window is ${width}x${height}, not 640x480"
# No window manager here, so the window sits exactly where the game put it: centred.
x=$(echo "$info" | sed -n 's/^ *Absolute upper-left X: *//p')
y=$(echo "$info" | sed -n 's/^ *Absolute upper-left Y: *//p')
[ "$x" = 192 ] && [ "$y" = 144 ] || fail "window at $x,$y, not centred at 192,144"
# Not resizable: the size hints pin the minimum and the maximum to the client size.
hints=$(xprop -id "$wid" WM_NORMAL_HINTS)
echo "$hints" | grep -q 'minimum size: 640 by 480' && echo "$hints" | grep -q 'maximum size: 640 by 480' ||
    fail "window can be resized: $hints"
echo "ok: window $wid is 640x480, centred, fixed size"

# No window manager either to give it the keyboard.
xdotool windowfocus --sync "$wid" 2>/dev/null || fail "cannot focus the game window"

ended() {   # waits for the game to end; false when it is still running at the limit
    local limit=$(( $(now_ms) + E2E_LIMIT_MS ))
    while kill -0 "$game_pid" 2>/dev/null; do
        [ "$(now_ms)" -lt "$limit" ] || return 1
        sleep 0.02
    done
    return 0
}

case "$case_name" in
escape)
    xdotool key Escape
    ended || fail "the game was still running $E2E_LIMIT_MS ms after Escape"
    wait "$game_pid"; status=$?; game_pid=""
    [ "$status" -eq 0 ] || fail "the game ended with status $status after Escape"
    echo "ok: Escape ended the game with status 0"
    ;;
sigterm)
    kill -TERM "$game_pid"
    ended || fail "the game was still running $E2E_LIMIT_MS ms after SIGTERM"
    wait "$game_pid"; status=$?; game_pid=""
    [ "$status" -eq 143 ] || fail "the game ended with status $status after SIGTERM, not 143"
    echo "ok: SIGTERM ended the game with status 143"
    ;;
*)
    fail "unknown case $case_name"
    ;;
esac
cleanup
exit 0
