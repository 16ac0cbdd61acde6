#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# focus.sh WINE GAME_EXE RUN_DIR OUT_DIR
# The Windows game reads keys only while its window has the focus, and a pause of the system's
# making does not count as frame time:
#  - Enter typed into another program (Notepad) while the game waits behind it on the start
#    screen neither starts the battle then nor once the game has the focus again; Enter typed
#    into the game afterwards does.
#  - Its window dragged by the caption for 3 s (the system's modal move loop, drawn by Wine
#    itself here, as Windows does) moves the title ship no more than a normal frame does: no
#    frame after the drag is longer than a second (the game logs its frame times, QB_FRAME_LOG).
#    A tap of Alt or F10 does not stop it (menu mode).
# Needs the display and Wine prefix of run-tests.sh.
set -u
. "$(dirname "$0")/lib.sh"
wine="$1"; exe="$2"; RUN_DIR="$3"; OUT_DIR="$4"
rm -rf "$OUT_DIR"; mkdir -p "$OUT_DIR"
frames="$OUT_DIR/frames.txt"
NOTEPAD_PID=""
WM_PID=""
cleanup() {
    [ -n "$NOTEPAD_PID" ] && kill "$NOTEPAD_PID" 2>/dev/null
    [ -n "$WM_PID" ] && kill "$WM_PID" 2>/dev/null
    "$wine" reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f >/dev/null 2>&1
    stop_game
}
trap cleanup EXIT

# start NAME: the game in RUN_DIR, logging its frame times; waits until its window shows.
start() {
    rm -f "$frames"
    (cd "$RUN_DIR" && QB_FRAME_LOG="$frames" exec "$wine" "$exe") 2>"$OUT_DIR/stderr-$1.txt" &
    GAME_PID=$!
    wait_window
    xdotool windowfocus "$WID" 2>/dev/null || true
}

frame_count() { [ -f "$frames" ] && wc -l < "$frames" || echo 0; }
# frames_after N MORE: true once the game has run MORE frames after its first N.
frames_after() { [ "$(frame_count)" -ge $(( $1 + $2 )) ]; }
# still_for MS: true when no frame ran for MS milliseconds (the game is paused).
still_for() {
    local n; n=$(frame_count)
    sleep "$(awk "BEGIN { print $1 / 1000 }")"
    [ "$(frame_count)" -eq "$n" ]
}

RED='r >= 200 && g <= 70 && b <= 70'
start_screen() {
    shot "$1" && [ "$(colours "$OUT_DIR/$1.png")" -ge 40 ] &&
        [ "$(differing "$OUT_DIR/$1.png" "$OUT_DIR/start.png" 10%)" -lt 150000 ]
}
battle() {
    shot battle
    [ "$(differing "$OUT_DIR/battle.png" "$OUT_DIR/start.png" 10%)" -ge 150000 ]
}

# --- Keys typed into another program --------------------------------------------------------
# A window manager, as on every desktop, moves the focus between the programs' windows.
openbox --sm-disable >/dev/null 2>&1 &
WM_PID=$!
t0=$(now_ms)
until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
    [ $(( $(now_ms) - t0 )) -lt "$E2E_LIMIT_MS" ] || fail "the window manager did not start"
    sleep 0.1
done
start keys
wait_for frames_after 0 10 || fail "the game runs no frames"
shot start
[ "$(colours "$OUT_DIR/start.png")" -ge 40 ] || fail "no start screen"

"$wine" notepad >/dev/null 2>&1 &
NOTEPAD_PID=$!
game=$WID
wait_window Notepad
other=$WID; WID=$game
xdotool windowactivate --sync "$other" 2>/dev/null
wait_for still_for 500 || fail "the game kept running frames behind Notepad"
xdotool key Return Return
xdotool type "typed elsewhere"
xdotool key Return ctrl+s
# Notepad's Save As box shows once Notepad has taken every key before it: only then has the
# system seen the Enters (Wine hands keys to the program in front when it reads them).
dialog_open() { xdotool search --onlyvisible --name '^Save As$' >/dev/null 2>&1; }
notepad_again() { ! dialog_open && [ "$(xdotool getactivewindow 2>/dev/null)" = "$other" ]; }
wait_for dialog_open || fail "Notepad took no keys"
xdotool key Escape
wait_for notepad_again || fail "Notepad's Save As box stayed"
note "Enter typed into Notepad while the game was behind it"

xdotool windowactivate --sync "$WID" 2>/dev/null
n=$(frame_count)
wait_for frames_after "$n" 30 || fail "the game did not run again with the focus back"
start_screen back || fail "Enter typed into Notepad started the battle"
note "with the focus back, 30 frames later: still the start screen"
xdotool key Return
wait_for battle || fail "Enter in the game did not start the battle"
note "Enter in the game starts the battle"
kill "$NOTEPAD_PID" 2>/dev/null; NOTEPAD_PID=""
xdotool windowactivate --sync "$WID" 2>/dev/null
xdotool key Escape
expect_exit
kill "$WM_PID" 2>/dev/null; wait "$WM_PID" 2>/dev/null; WM_PID=""

# --- A 3 s caption drag ---------------------------------------------------------------------
# Without a window manager Wine draws the window frame itself and runs the move loop the way
# Windows does.
"$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 ||
    fail "cannot switch Wine to drawing its own window frames"
start drag
wait_for frames_after 0 10 || fail "the game runs no frames"
eval "$(xdotool getwindowgeometry --shell "$WID")"
x0=$X; y0=$Y
n=$(frame_count)
xdotool mousemove $((X + 120)) $((Y + 10)) mousedown 1
t0=$(now_ms)
while [ $(( $(now_ms) - t0 )) -lt 3000 ]; do
    xdotool mousemove_relative -- 3 2
    sleep 0.05
done
xdotool mouseup 1
held=$(( $(now_ms) - t0 ))
wait_for frames_after "$n" 30 || fail "the game did not run again after the drag"
eval "$(xdotool getwindowgeometry --shell "$WID")"
[ "$X" -ne "$x0" ] || [ "$Y" -ne "$y0" ] || fail "the window did not move: no caption was dragged"
longest=$(tail -n +$((n + 1)) "$frames" | tr -d "\r" | sort -n | tail -1)
note "dragged for $held ms, from ($x0, $y0) to ($X, $Y); longest frame since: $longest ms"
[ "$longest" -lt 1000 ] || fail "a frame of $longest ms after a drag of $held ms: the ships jumped"
# A tap of Alt, then of F10, would enter menu mode and hold the game until the next key.
xdotool windowfocus "$WID" 2>/dev/null
for key in alt F10; do
    n=$(frame_count)
    xdotool key "$key"
    wait_for frames_after "$n" 20 || fail "the game stood still after a tap of $key (menu mode)"
done
note "taps of Alt and F10 do not stop the game"
xdotool windowfocus "$WID" 2>/dev/null
xdotool key Escape
expect_exit
echo "PASS keys only with the focus, no jump after a modal loop"
