# SPDX-License-Identifier: MIT
# The shell library of every end-to-end script (tests/e2e*/, tests/wine/) and of the fuzz runs:
# waits, a private X server, the environment of a program under test (the sanitizers' and
# SDL's), the game's process and window, screenshots and pixel counts. Sourced, not run.
#
# Every wait waits for what it checks. It gives up only after E2E_LIMIT_MS (15 s unless the
# environment or the script says otherwise), a limit that exists to end a broken run: no wait
# stands for a timing of the game, so a slow or busy machine makes a test slower, never red.

E2E_LIMIT_MS="${E2E_LIMIT_MS:-15000}"
E2E_TESTS="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"   # the tests/ folder
XVFB_PID=""
GAME_PID=""    # the program under test
WID=""         # the X window id of its window
OUT_DIR="${OUT_DIR:-}"   # screenshots and the program's stderr

e2e_now_ms() { date +%s%3N; }
now_ms() { e2e_now_ms; }
note() { echo "  $*"; }

# fail MESSAGE: says why (and what the program under test said), stops it and the X server.
fail() {
    echo "FAIL: $*" >&2
    [ -n "$OUT_DIR" ] && [ -s "$OUT_DIR/stderr.txt" ] && sed 's/^/  program stderr: /' "$OUT_DIR/stderr.txt" >&2
    stop_game
    stop_xserver
    exit 1
}

# need_tools TOOL...: fails naming the first one that is not installed.
need_tools() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/install-deps.sh)"
    done
}

# wait_for COMMAND...: runs the command every 0.1 s until it succeeds; false when it still
# fails at the limit. Fails at once when the program under test (GAME_PID) has ended.
wait_for() {
    local limit=$(( $(e2e_now_ms) + E2E_LIMIT_MS ))
    until "$@"; do
        [ "$(e2e_now_ms)" -lt "$limit" ] || return 1
        [ -z "$GAME_PID" ] || kill -0 "$GAME_PID" 2>/dev/null || fail "the program ended unexpectedly"
        sleep 0.1
    done
}

# ---- the environment ------------------------------------------------------------------------

# Sanitizer builds: what the system libraries (the GL driver, D-Bus) keep for the whole process
# is not the program's leak, and the GL driver's own threads are not instrumented. Keeps what
# the caller already set.
e2e_sanitizer_env() {
    export LSAN_OPTIONS="suppressions=$E2E_TESTS/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
    export TSAN_OPTIONS="suppressions=$E2E_TESTS/tsan.supp:print_suppressions=0${TSAN_OPTIONS:+:$TSAN_OPTIONS}"
}

# The game under test: silent (SDL's dummy sound driver), on the X display of the test, with
# the sanitizers' environment.
e2e_game_env() {
    export SDL_AUDIODRIVER=dummy
    unset SDL_VIDEODRIVER WAYLAND_DISPLAY
    e2e_sanitizer_env
}

# ---- a private X server ---------------------------------------------------------------------
#
# Xvfb picks the first free display itself (-displayfd) and reports it once it accepts
# connections, so parallel runs never fight over a number. -noreset matters: without it the
# server resets whenever its last client leaves, and a game connecting in that moment (say,
# right after an xdotool query) is refused and reports that X11 is not available.

# start_xserver DIR [WIDTHxHEIGHT]: starts the server (1024x768 unless given; its messages go
# to DIR/xvfb.txt) and exports DISPLAY. Prints why and returns 1 when it does not come up.
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

# ---- the program under test -----------------------------------------------------------------

# wait_for_window NAME [XDOTOOL OPTION...]: WID = the first X window whose name is exactly NAME,
# waiting for it while GAME_PID runs.
wait_for_window() {
    local name="$1"; shift
    WID=""
    find_window() { WID=$(xdotool search "$@" --name "^$name\$" 2>/dev/null | head -1); [ -n "$WID" ]; }
    wait_for find_window "$@" || fail "no window \"$name\" after $E2E_LIMIT_MS ms"
}

# e2e_start_game DIR COMMAND [ARG...]: starts the game in the working folder DIR (its stderr
# to OUT_DIR/stderr.txt), waits for its window, gives it the keyboard (there is no window
# manager to do it) and puts the pointer over it.
e2e_start_game() {
    local dir="$1"; shift
    [ -n "$OUT_DIR" ] || OUT_DIR="$(mktemp -d)"
    mkdir -p "$OUT_DIR"
    (cd "$dir" && exec "$@") 2>"$OUT_DIR/stderr.txt" &
    GAME_PID=$!
    wait_for_window Quenbrill
    xdotool windowfocus "$WID" 2>/dev/null || true
    xdotool mousemove --window "$WID" 320 240 2>/dev/null || true
}

stop_game() {
    if [ -n "$GAME_PID" ] && kill -0 "$GAME_PID" 2>/dev/null; then
        kill "$GAME_PID" 2>/dev/null
        wait "$GAME_PID" 2>/dev/null
    fi
    GAME_PID=""
}

# game_ended: the program under test has ended (it may still need to be waited for).
game_ended() { ! kill -0 "$GAME_PID" 2>/dev/null; }

# expect_exit [LIMIT_MS] [STATUS]: the game must end by itself with that status (0 unless
# given); a sanitizer build may ask for a longer limit: its leak check at exit takes a while.
expect_exit() {
    local limit="${1:-$E2E_LIMIT_MS}" want="${2:-0}"
    local pid="$GAME_PID"
    GAME_PID=""   # its end is what is waited for here, not a failure
    E2E_LIMIT_MS="$limit" wait_for eval '! kill -0 "$pid" 2>/dev/null' ||
        { GAME_PID="$pid"; fail "the game was still running $limit ms later"; }
    wait "$pid"
    local status=$?
    [ "$status" -eq "$want" ] || fail "the game ended with exit status $status, not $want"
}

# ---- screenshots and pixels -----------------------------------------------------------------

# shot NAME: screenshot of the game window (window coordinates) to OUT_DIR/NAME.png.
shot() {
    import -window "$WID" "$OUT_DIR/$1.png" 2>/dev/null || fail "screenshot $1 failed"
}

# count IMAGE X Y W H CONDITION: how many pixels of the rectangle meet a condition on r, g and
# b (0-255) such as 'r >= 200 && g <= 70'. ImageMagick tests the pixels itself, which is several
# times faster than handing them one by one to a script.
count() {
    local cond
    cond=$(echo "$6" | sed -E 's/\b([rgb])\b/round(\1*255)/g')
    convert "$1" -crop "${4}x${5}+${2}+${3}" +repage -fx "($cond) ? 1 : 0" \
        -format '%[fx:round(mean*w*h)]\n' info: 2>/dev/null || echo 0
}

# mean IMAGE X Y W H: the mean colour "r g b" of the rectangle, rounded.
mean() {
    convert "$1" -crop "${4}x${5}+${2}+${3}" +repage \
        -format '%[fx:round(mean.r*255)] %[fx:round(mean.g*255)] %[fx:round(mean.b*255)]\n' info: 2>/dev/null
}

# brightest IMAGE X Y W H: the largest channel value in the rectangle (0-255).
brightest() {
    convert "$1" -crop "${4}x${5}+${2}+${3}" +repage -format '%[fx:round(255*maxima)]' info: 2>/dev/null
}

# lightness IMAGE X Y W H: the mean of all channels in the rectangle (0-255).
lightness() {
    convert "$1" -crop "${4}x${5}+${2}+${3}" +repage -format '%[fx:round(255*mean)]' info: 2>/dev/null
}

# colours IMAGE: the number of distinct colours in the image.
colours() { identify -format '%k\n' "$1" 2>/dev/null; }

# differing A B [FUZZ]: the number of pixels that differ between two screenshots.
differing() {
    compare -metric AE -fuzz "${3:-3%}" "$1" "$2" null: 2>&1 | sed 's/[^0-9.].*//' | awk '{ printf "%d\n", $1 }'
}

# far COLOUR COLOUR LIMIT: true when the two "r g b" colours differ by more than LIMIT in some
# channel.
far() {
    echo "$1 $2 $3" | awk '{ d = 0; for (i = 1; i <= 3; i++) { x = $i - $(i + 3); if (x < 0) x = -x; if (x > d) d = x }
                             exit !(d > $7) }'
}
