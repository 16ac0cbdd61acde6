#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# demo.sh WINE GAME_EXE RUN_DIR OUT_DIR
# Demos in the Windows game under Wine: a battle flown with xdotool keys and recorded with
# --record until the window is told to close from outside (taskkill, as Windows does to a
# program it asks to end) is complete, and plays back in the Windows game with --play with
# every checksum matching (exit status 0). Needs the display and Wine prefix of run-tests.sh.
set -u
. "$(dirname "$0")/lib.sh"
wine="$1"; exe="$2"; RUN_DIR="$3"; OUT_DIR="$4"
mkdir -p "$OUT_DIR"
rm -f "$OUT_DIR"/*.png "$OUT_DIR"/*.qbd
[ -f "$RUN_DIR/ZabroData.arc" ] || fail "no ZabroData.arc in $RUN_DIR"

# start OPTION...: the game under Wine, and its window once it shows.
start() {
    (cd "$RUN_DIR" && exec "$wine" "$exe" "$@") >"$OUT_DIR/stdout.txt" 2>"$OUT_DIR/stderr.txt" &
    GAME_PID=$!
    wait_window
    xdotool windowfocus "$WID" 2>/dev/null || true
}

start --record "$OUT_DIR/wine.qbd"
title_shown() { shot title; [ "$(colours "$OUT_DIR/title.png")" -ge 40 ]; }
wait_for title_shown || fail "no start picture"
xdotool key Return
play_shown() { shot play; [ "$(differing "$OUT_DIR/play.png" "$OUT_DIR/title.png" 10%)" -ge 150000 ]; }
wait_for play_shown || fail "no battle after Enter"
xdotool keydown Up; sleep 0.4; xdotool key a; sleep 0.2
xdotool keydown Left; sleep 0.5; xdotool keyup Left; xdotool key a
xdotool key space; sleep 0.3; xdotool keyup Up; sleep 0.3
"$wine" taskkill /IM quenbrill.exe >/dev/null 2>&1 || fail "taskkill found no game"
expect_exit
note "recorded: $(tr -d '\r' <"$OUT_DIR/stdout.txt")"

start --play "$OUT_DIR/wine.qbd"
xdotool keydown Right; sleep 0.3; xdotool key a; xdotool keyup Right
limit=$(( $(now_ms) + 4 * E2E_LIMIT_MS ))
while kill -0 "$GAME_PID" 2>/dev/null; do
    [ "$(now_ms)" -lt "$limit" ] || fail "the playback did not end"
    sleep 0.1
done
wait "$GAME_PID"; status=$?; GAME_PID=""
[ "$status" -eq 0 ] || fail "the playback ended with exit status $status (1: it left the recording): $(cat "$OUT_DIR/stderr.txt")"
grep -q "without its end" "$OUT_DIR/stderr.txt" && fail "the recording was not completed: $(cat "$OUT_DIR/stderr.txt")"
if [ -s "$OUT_DIR/stdout.txt" ]; then
    grep -q "every checksum matched" "$OUT_DIR/stdout.txt" || fail "playback: $(cat "$OUT_DIR/stdout.txt")"
fi
note "played: $(tr -d '\r' <"$OUT_DIR/stdout.txt")"
echo "PASS demo under Wine"
