#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# keys.sh WINE TEST_EXE: runs the Windows backend's key test and presses A in its window with
# xdotool until the test ends; the test's own result is the result. Needs the X display and
# Wine prefix of run-tests.sh.
set -u
wine="$1"; exe="$2"
"$wine" "$exe" --gtest_filter='Win32Keys.*' &
pid=$!
wid=""
for _ in $(seq 300); do   # up to 30 s for the window
    kill -0 "$pid" 2>/dev/null || break
    wid=$(xdotool search --name '^qb-keys$' 2>/dev/null | head -1)
    [ -n "$wid" ] && break
    sleep 0.1
done
[ -n "$wid" ] || echo "no window qb-keys appeared" >&2
while [ -n "$wid" ] && kill -0 "$pid" 2>/dev/null; do
    xdotool windowfocus "$wid" 2>/dev/null
    xdotool key a 2>/dev/null
    sleep 0.3
done
wait "$pid"
