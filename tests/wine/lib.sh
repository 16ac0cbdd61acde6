# SPDX-License-Identifier: MIT
# Helpers of the Wine end-to-end scripts, on top of the e2e library (../e2e/lib.sh).
# Sourced, not run.
E2E_LIMIT_MS=30000   # each wait's limit: Wine starts programs and windows slowly
. "$(dirname "${BASH_SOURCE[0]}")/../e2e/lib.sh"

# wait_window [TITLE]: waits until the program GAME_PID shows a window whose title matches the
# pattern (the game's window by default) and sets WID to it. A window that exists but is not
# shown yet does not count.
wait_window() {
    local title="${1:-^Quenbrill\$}" t0
    t0=$(now_ms)
    WID=""
    while [ -z "$WID" ]; do
        kill -0 "$GAME_PID" 2>/dev/null || fail "the program ended before its window \"$title\" showed"
        [ $(( $(now_ms) - t0 )) -lt "$E2E_LIMIT_MS" ] || fail "no window \"$title\" after $E2E_LIMIT_MS ms"
        WID=$(xdotool search --onlyvisible --name "$title" 2>/dev/null | head -1)
        [ -n "$WID" ] || sleep 0.1
    done
}
