#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# folders.sh WINE BUILD_WIN WORK
# The Windows zip as a player uses it: unpacked under folders named with an accent and with
# Cyrillic letters ("Игры é", "Jeux é") and started from another folder, the game finds its
# archive beside it; --data names such a file exactly; a missing archive, a bad option and
# --help all reach a player who has no console. What a message box would show is read from the game's
# test hook (QB_NOTICE_LOG); one real box is dismissed with a key. Needs the display and Wine
# prefix of run-tests.sh.
set -u
. "$(dirname "$0")/lib.sh"
wine="$1"; build="$2"; work="$3"
rm -rf "$work"; mkdir -p "$work"
OUT_DIR="$work"
games="$work/Игры é"   # where the player unpacked the zip
other="$work/Jeux é"   # the working folder a shortcut or a launcher gives
mkdir -p "$games" "$other"
(cd "$games" && cmake -E tar xf "$build/quenbrill-windows.zip") || fail "cannot unpack the zip"
exe="$games/Quenbrill/quenbrill.exe"
[ -f "$exe" ] || fail "no Quenbrill/quenbrill.exe in the zip"
log="$work/notices.txt"

# How Wine shows a folder to the program: drive Z: is the root of the file system.
winpath() { local p="${1//\//\\}"; printf 'Z:%s' "$p"; }

# run_game NAME DIR [ARGS...]: starts the game in DIR (stderr to NAME.err) and waits for its
# window to show.
run_game() {
    local name="$1" dir="$2"; shift 2
    rm -f "$log"
    (cd "$dir" && QB_NOTICE_LOG="$log" QB_FRAME_LOG="$work/$name.frames" exec "$wine" "$@") \
        2>"$work/$name.err" &
    GAME_PID=$!
    wait_window
    xdotool windowfocus "$WID" 2>/dev/null || true
}

# The start picture shows (many colours): the media were read.
media_shown() {
    import -window "$WID" "$work/shot.png" 2>/dev/null && [ "$(colours "$work/shot.png")" -ge 40 ]
}

quit_game() {
    xdotool windowfocus "$WID" 2>/dev/null || true
    xdotool key Escape
    expect_exit
}

# --- Messages without a window --------------------------------------------------------------

# --version on a redirected output, as a script reads it.
out=$("$wine" "$exe" --version 2>&1 | tr -d '\r') || fail "--version ended with an error"
[[ "$(head -1 <<<"$out")" =~ ^quenbrill\ [0-9]+\.[0-9]+\.[0-9]+$ ]] &&
    grep -q '^License: MIT' <<<"$out" || fail "--version printed \"$out\""
note "--version: $(head -1 <<<"$out")"

# --help with no standard output and no console, as Explorer or a shortcut starts it (Wine's
# start gives it neither): a box shows the usage.
rm -f "$log"
QB_NOTICE_LOG="$log" "$wine" start /wait /unix "$exe" --help </dev/null >/dev/null 2>&1 ||
    fail "--help ended with an error"
grep -q "^information: Usage: quenbrill" "$log" 2>/dev/null ||
    fail "--help without a console showed no box (log: $(cat "$log" 2>/dev/null))"
note "--help without a console: a box with the usage"

# A --data file under a Cyrillic name that is not there: exit status 2, the name exact (and the
# system's reason after it) in the line on stderr and in the box.
rm -f "$log"
missing="$other/нет.arc"
QB_NOTICE_LOG="$log" "$wine" "$exe" --data "$missing" 2>"$work/data.err"
status=$?
[ "$status" -eq 2 ] || fail "--data with a missing file: exit status $status"
grep -qF "quenbrill: --data: \"$missing\": " "$work/data.err" ||
    fail "--data: stderr was: $(cat "$work/data.err")"
grep -qF "error: --data: \"$missing\": " "$log" || fail "--data: box log: $(cat "$log")"
note "--data with a missing file under a Cyrillic name: named exactly, status 2"

# A real box for a bad option, dismissed with Enter; then the program ends with status 2.
"$wine" "$exe" --scale 0 2>"$work/box.err" &
GAME_PID=$!
wait_window  # the box has the game's title
import -window "$WID" "$work/message-box.png" 2>/dev/null || true
kill -0 "$GAME_PID" 2>/dev/null || fail "the program did not wait for its box"
xdotool windowfocus "$WID" 2>/dev/null || true
xdotool key Return
t0=$(now_ms)
while kill -0 "$GAME_PID" 2>/dev/null; do
    [ $(( $(now_ms) - t0 )) -lt "$E2E_LIMIT_MS" ] || fail "Enter did not dismiss the box"
    sleep 0.1
done
wait "$GAME_PID"; status=$?; GAME_PID=""
[ "$status" -eq 2 ] || fail "after the box: exit status $status"
grep -q "quenbrill: --scale needs a whole number" "$work/box.err" || fail "no stderr line for --scale 0"
note "a real box for --scale 0, dismissed with Enter: exit status 2"

# --- The game under such folders ------------------------------------------------------------

# Started from another folder, it finds ZabroData.arc beside itself.
run_game beside "$other" "$exe"
wait_for media_shown || fail "started from \"Jeux é\", the game in \"Игры é\" showed no media"
[ ! -s "$log" ] || fail "a box came up: $(cat "$log")"
quit_game
note "unpacked under \"Игры é\", started from \"Jeux é\": the archive is found"

# No archive anywhere: the box names the places in the player's own folder names.
mkdir -p "$other/Vide"
cp "$exe" "$other/Vide/"
run_game missing "$games" "$other/Vide/quenbrill.exe"
grep -q "^warning: media archive \"ZabroData.arc\" not found (looked in " "$log" 2>/dev/null ||
    fail "no box about the missing archive (log: $(cat "$log" 2>/dev/null))"
for place in "$(winpath "$games")\\ZabroData.arc" "$(winpath "$other")\\Vide\\ZabroData.arc"; do
    grep -qF "$place" "$log" || fail "the box does not name $place: $(cat "$log")"
done
line=$(grep "not found" "$work/missing.err" | tr -d '\r' | sed 's/^quenbrill: /warning: /')
[ "$line" = "$(cat "$log")" ] || fail "the box and the stderr line differ: $(cat "$log") / $line"
quit_game
note "missing archive: $(sed 's/^warning: //' "$log")"
echo "PASS non-ASCII folders and messages under Wine"
