# SPDX-License-Identifier: MIT
# A private X server for the end-to-end tests. Sourced, not run.
#
# Xvfb picks the first free display itself (-displayfd) and reports it once it accepts
# connections, so parallel runs never fight over a number. -noreset matters: without it the
# server resets whenever its last client leaves, and a game connecting in that moment (say,
# right after an xdotool query) is refused and reports that X11 is not available.

# The limit of every wait in these tests. It only ends a broken run; nothing is timed by it.
E2E_LIMIT_MS="${E2E_LIMIT_MS:-15000}"
XVFB_PID=""

e2e_now_ms() { date +%s%3N; }

# start_xserver DIR [WIDTHxHEIGHT]: starts the server (1024x768 unless given; its messages go to
# DIR/xvfb.txt) and exports DISPLAY. Prints why and returns 1 when it does not come up.
start_xserver() {
    local dir="$1" screen="${2:-1024x768}"
    : >"$dir/display"
    Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp -noreset 3>"$dir/display" 2>"$dir/xvfb.txt" &
    XVFB_PID=$!
    local limit=$(( $(e2e_now_ms) + E2E_LIMIT_MS ))
    # The number is complete once its line ends.
    until [ "$(wc -l <"$dir/display")" -ge 1 ]; do
        if ! kill -0 "$XVFB_PID" 2>/dev/null; then
            echo "Xvfb did not start: $(cat "$dir/xvfb.txt")" >&2; XVFB_PID=""; return 1
        fi
        if [ "$(e2e_now_ms)" -ge "$limit" ]; then
            echo "Xvfb did not report its display within $E2E_LIMIT_MS ms" >&2; return 1
        fi
        sleep 0.05
    done
    export DISPLAY=":$(head -1 "$dir/display")"
}

stop_xserver() {
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    XVFB_PID=""
}
