# SPDX-License-Identifier: MIT
# Helpers of the end-to-end game tests: run the real game in the X display of the calling
# script (run.sh gives it a private X server), press keys with xdotool, take screenshots of the
# game window with ImageMagick and count pixels in them. Sourced, not run.
#
# The tests wait for what they check. A wait gives up only after E2E_LIMIT_MS (15 s, from
# ../e2e/xserver.sh), which exists to end a broken run: no wait stands for a timing of the
# game, so a slow or busy machine makes a test slower, never a failure.

GAME=""        # the quenbrill binary
RUN_DIR=""     # where it runs: the build folder, next to ZabroData.arc
OUT_DIR=""     # screenshots and the game's stderr
GAME_PID=""
WID=""         # X window id of the game window

fail() {
    echo "FAIL: $*" >&2
    [ -n "$OUT_DIR" ] && [ -f "$OUT_DIR/stderr.txt" ] && sed 's/^/  game stderr: /' "$OUT_DIR/stderr.txt" >&2
    stop_game
    exit 1
}

note() { echo "  $*"; }

now_ms() { date +%s%3N; }
: "${E2E_LIMIT_MS:=15000}"

# wait_for COMMAND...: runs the command every 0.1 s until it succeeds; false when it still
# fails at the limit.
wait_for() {
    local limit=$(( $(now_ms) + E2E_LIMIT_MS ))
    until "$@"; do
        [ "$(now_ms)" -lt "$limit" ] || return 1
        kill -0 "$GAME_PID" 2>/dev/null || fail "the game ended unexpectedly"
        sleep 0.1
    done
}

# start_game GAME RUN_DIR OUT_DIR [OPTION...]: starts the game (its standard output goes to
# OUT_DIR/stdout.txt) and waits for its window.
start_game() {
    GAME="$(realpath -m "$1")"; RUN_DIR="$2"; OUT_DIR="$3"
    shift 3
    mkdir -p "$OUT_DIR"
    [ -x "$GAME" ] || fail "no game binary at $GAME"
    [ -f "$RUN_DIR/ZabroData.arc" ] || fail "no ZabroData.arc in $RUN_DIR (build the media target)"
    (cd "$RUN_DIR" && exec "$GAME" "$@") >"$OUT_DIR/stdout.txt" 2>"$OUT_DIR/stderr.txt" &
    GAME_PID=$!
    WID=""
    local deadline=$(( $(now_ms) + E2E_LIMIT_MS ))
    while [ -z "$WID" ]; do
        kill -0 "$GAME_PID" 2>/dev/null || fail "the game ended before its window appeared"
        [ "$(now_ms)" -lt "$deadline" ] || fail "no game window after $E2E_LIMIT_MS ms"
        WID=$(xdotool search --name '^Quenbrill$' 2>/dev/null | head -1)
        [ -n "$WID" ] || sleep 0.05
    done
    # No window manager: give the window the keyboard and put the pointer over it.
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

# shot NAME: screenshot of the game window (640 x 480, window coordinates) to OUT_DIR/NAME.png.
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

# expect_exit [LIMIT_MS]: the game must end by itself with status 0 (a sanitizer build may ask
# for a longer limit: its leak check at exit takes a while).
expect_exit() {
    local limit_ms="${1:-$E2E_LIMIT_MS}"
    local deadline=$(( $(now_ms) + limit_ms ))
    while kill -0 "$GAME_PID" 2>/dev/null; do
        [ "$(now_ms)" -lt "$deadline" ] || fail "the game was still running $limit_ms ms after Escape"
        sleep 0.05
    done
    wait "$GAME_PID"
    local status=$?
    GAME_PID=""
    [ "$status" -eq 0 ] || fail "the game ended with exit status $status"
}
