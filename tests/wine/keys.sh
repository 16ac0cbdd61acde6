#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# keys.sh WINE TEST_EXE: runs the Windows backend's key test and presses A in its window with
# xdotool until the test ends; the test's own result is the result. Needs the X display and
# Wine prefix of run-tests.sh.
set -u
wine="$1"; exe="$2"
E2E_LIMIT_MS=30000   # Wine starts programs and windows slowly
. "$(dirname "$0")/../e2e/lib.sh"
"$wine" "$exe" --gtest_filter='Win32Keys.*' &
GAME_PID=$!
wait_for_window qb-keys
pid=$GAME_PID
GAME_PID=""   # from here on its end is the result, not a failure
while kill -0 "$pid" 2>/dev/null; do
    xdotool windowfocus "$WID" 2>/dev/null
    xdotool key a 2>/dev/null
    sleep 0.3
done
wait "$pid"
