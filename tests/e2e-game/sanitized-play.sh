#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A sanitizer build of the game (-DQB_SANITIZE=ON: AddressSanitizer, UndefinedBehaviorSanitizer
# and the leak checker) plays for 20 seconds: thrust, turns, a volley about every 300 ms, a view
# change now and then, then Escape. It must end with status 0 and report nothing.
# Arguments: GAME RUN_DIR OUT_DIR [SECONDS] (run through run.sh, which provides the X display).
set -u
. "$(dirname "$0")/lib.sh"
seconds="${4:-20}"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:exitcode=23"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# LSAN_OPTIONS (the system libraries' suppressions) comes from run.sh.

start_game "$1" "$2" "$3"
title_shown() { shot title; [ "$(colours "$OUT_DIR/title.png")" -ge 40 ]; }
wait_for title_shown || fail "no start picture"
xdotool key Return
sleep 1
t0=$(now_ms)
volleys=0; turn=0
while [ $(( $(now_ms) - t0 )) -lt $((seconds * 1000)) ]; do
    kill -0 "$GAME_PID" 2>/dev/null || fail "the game ended during play"
    case $((turn % 4)) in
        0) xdotool keydown Up keydown Left ;;
        1) xdotool keyup Left ;;
        2) xdotool keydown Right ;;
        3) xdotool keyup Right keyup Up ;;
    esac
    for i in 1 2 3; do
        xdotool key a
        volleys=$((volleys + 1))
        sleep 0.3
    done
    [ $((turn % 7)) -eq 6 ] && xdotool key space
    turn=$((turn + 1))
done
xdotool keyup Up keyup Left keyup Right
shot last
xdotool key Escape
# Leak checking at exit takes a moment in a sanitizer build.
expect_exit 30000
if grep -E "ERROR: (AddressSanitizer|LeakSanitizer)|runtime error|SUMMARY: " "$OUT_DIR/stderr.txt"; then
    fail "the sanitizers reported a problem"
fi
note "$volleys volleys in ${seconds} s of play; clean exit, no sanitizer report"
echo "PASS sanitized play"
