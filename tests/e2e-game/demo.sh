#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Demos in the real game: a battle flown with real keys and recorded with --record until
# Escape plays back with --play with every checksum matching, whatever keys are pressed during
# the playback, at about the pace it was flown; a recording ended by SIGTERM is complete and
# plays back with --timedemo, which prints its figures. Demos stay in OUT_DIR.
# Arguments: GAME RUN_DIR OUT_DIR (run through run.sh, which provides the X display).
set -u
. "$(dirname "$0")/lib.sh"
game="$1"; run_dir="$2"; out="$3"
mkdir -p "$out"
rm -f "$out"/*.qbd

# wait_end [LIMIT_MS]: waits for the game to end by itself; its exit status goes to status.
status=""
wait_end() {
    local limit=$(( $(now_ms) + ${1:-$E2E_LIMIT_MS} ))
    while kill -0 "$GAME_PID" 2>/dev/null; do
        [ "$(now_ms)" -lt "$limit" ] || fail "the game did not end"
        sleep 0.05
    done
    wait "$GAME_PID"
    status=$?
    GAME_PID=""
}

# record FILE [battle]: starts a recording, presses Enter on the start screen and, when asked,
# waits until the battle shows.
record() {
    start_game "$game" "$run_dir" "$out" --record "$1"
    title_shown() { shot title; [ "$(colours "$OUT_DIR/title.png")" -ge 40 ]; }
    wait_for title_shown || fail "no start picture"
    xdotool key Return
    play_shown() { shot play; [ "$(differing "$OUT_DIR/play.png" "$OUT_DIR/title.png" 10%)" -ge 150000 ]; }
    [ -z "${2:-}" ] || wait_for play_shown || fail "no battle after Enter"
}

# A short flight: thrust, turns both ways, volleys, a view change.
fly() {
    xdotool keydown Up; sleep 0.5
    xdotool key a; sleep 0.2
    xdotool keydown Left; sleep 0.6; xdotool keyup Left
    xdotool key a; sleep 0.3; xdotool key a
    xdotool key space; sleep 0.4
    xdotool keydown Right; sleep 0.4; xdotool keyup Right
    xdotool key a; sleep 0.3
    xdotool keyup Up; xdotool keydown Down; sleep 0.3; xdotool keyup Down
    xdotool key space; xdotool key space; sleep 0.5
}

# 1. Recorded until Escape.
t0=$(now_ms)
record "$out/escape.qbd" battle
fly
xdotool key Escape
wait_end
[ "$status" -eq 0 ] || fail "the recording ended with exit status $status"
recorded_ms=$(( $(now_ms) - t0 ))
grep -q "escape.qbd: recorded [0-9]* frames" "$OUT_DIR/stdout.txt" || fail "no recording summary: $(cat "$OUT_DIR/stdout.txt")"
note "$(cat "$OUT_DIR/stdout.txt") in $recorded_ms ms"

# 2. Played back while the player presses keys that must change nothing.
t0=$(now_ms)
start_game "$game" "$run_dir" "$out" --play "$out/escape.qbd"
xdotool keydown Left; sleep 0.3; xdotool key a; xdotool key Return; sleep 0.3; xdotool keyup Left
shot playback
wait_end $((recorded_ms + E2E_LIMIT_MS))
played_ms=$(( $(now_ms) - t0 ))
[ "$status" -eq 0 ] || fail "the playback ended with exit status $status: $(cat "$OUT_DIR/stderr.txt")"
grep -q "every checksum matched" "$OUT_DIR/stdout.txt" || fail "the playback left the recording: $(cat "$OUT_DIR/stdout.txt" "$OUT_DIR/stderr.txt")"
note "$(cat "$OUT_DIR/stdout.txt") in $played_ms ms (recorded in $recorded_ms ms)"

# 3. Recorded until SIGTERM: the demo is complete and the timedemo plays it whole.
record "$out/sigterm.qbd"
fly
kill -TERM "$GAME_PID"
wait_end
[ "$status" -eq 143 ] || fail "after SIGTERM the exit status was $status, not 143"
grep -q "sigterm.qbd: recorded [0-9]* frames" "$OUT_DIR/stdout.txt" || fail "no recording summary after SIGTERM"
note "SIGTERM: $(cat "$OUT_DIR/stdout.txt")"
(cd "$run_dir" && timeout $((E2E_LIMIT_MS / 1000 * 4)) "$game" --timedemo "$out/sigterm.qbd") \
    >"$OUT_DIR/stdout.txt" 2>"$OUT_DIR/stderr.txt"
status=$?
[ "$status" -eq 0 ] || fail "the timedemo ended with exit status $status: $(cat "$OUT_DIR/stderr.txt")"
grep -q "frames/s; CPU per frame .* ms median, .* ms p99, .* ms mean; every checksum matched" "$OUT_DIR/stdout.txt" ||
    fail "timedemo: $(cat "$OUT_DIR/stdout.txt" "$OUT_DIR/stderr.txt")"
[ ! -s "$OUT_DIR/stderr.txt" ] || fail "timedemo said: $(cat "$OUT_DIR/stderr.txt")"
note "$(cat "$OUT_DIR/stdout.txt")"
echo "PASS demo"
