#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The start screen in a real window: the picture, and the red "<PRESS START>" around
# (320, 426), seen lit, dark and lit again (it blinks); holding Enter starts nothing, letting
# it go starts the battle; Escape ends the game with status 0.
# Arguments: GAME RUN_DIR OUT_DIR (run through run.sh, which provides the X display).
set -u
. "$(dirname "$0")/lib.sh"

start_game "$1" "$2" "$3"

# The text is 13 glyphs of 18 pixels centred on (320, 426): about x 203-437, y 418-434.
# Screenshots until the prompt has been lit, dark and lit again. How long each phase lasts is
# not judged here: screenshots of a busy machine come at uneven times. They are taken in bursts
# of ten and counted afterwards, so that counting pixels does not stretch the gaps between them.
# A starved machine takes a screenshot a second or slower, so this wait has twice the limit.
RED='r >= 200 && g <= 70 && b <= 70'
phases=""; i=0
limit=$(( $(now_ms) + 2 * E2E_LIMIT_MS ))
until [[ "$phases" == *LDL* ]]; do
    if [ "$(now_ms)" -ge "$limit" ]; then
        case "$phases" in
        "") fail "no red text around (320, 426) in $i screenshots" ;;
        *L) fail "the text never blinked off in $i screenshots (phases $phases)" ;;
        *) fail "the text did not come back after blinking off (phases $phases)" ;;
        esac
    fi
    kill -0 "$GAME_PID" 2>/dev/null || fail "the game ended on the start screen"
    first=$i
    for _ in 1 2 3 4 5 6 7 8 9 10; do
        shot "start-$i"
        i=$((i + 1))
        sleep 0.1
    done
    for ((k = first; k < i; k++)); do
        red=$(count "$OUT_DIR/start-$k.png" 200 412 240 28 "$RED")
        phase=""
        if [ "$red" -ge 60 ]; then
            phase=L
            [ -f "$OUT_DIR/start-screen.png" ] || cp "$OUT_DIR/start-$k.png" "$OUT_DIR/start-screen.png"
        elif [ "$red" -le 5 ] && [ -n "$phases" ]; then
            phase=D
        fi
        [ -n "$phase" ] && [ "${phases: -1}" != "$phase" ] && phases="$phases$phase"
    done
done
note "the prompt blinked: phases $phases in $i screenshots"

# The picture: many colours, and not the bare clear colour anywhere in its upper half.
pic="$OUT_DIR/start-screen.png"
n=$(colours "$pic")
[ "$n" -ge 40 ] || fail "the start screen has only $n colours: no picture"
clear=$(count "$pic" 0 0 640 240 'r == 208 && g == 232 && b == 234')
[ "$clear" -le 6400 ] || fail "$clear pixels of the upper half show the bare clear colour"
note "start picture: $n colours"

# Holding Enter starts nothing: the game waits for the release (and draws nothing meanwhile).
xdotool keydown Return
sleep 0.8
shot held
kill -0 "$GAME_PID" 2>/dev/null || fail "the game ended while Enter was held"
d=$(differing "$OUT_DIR/held.png" "$pic" 3%)
[ "$d" -le 40000 ] || fail "the picture changed while Enter was held ($d pixels)"
xdotool keyup Return
battle_shown() {
    shot after-enter
    [ "$(differing "$OUT_DIR/after-enter.png" "$pic" 10%)" -ge 150000 ]
}
wait_for battle_shown || fail "the battle did not start after Enter was let go"
note "battle on screen after Enter was let go"

xdotool key Escape
expect_exit
note "Escape: exit status 0"
echo "PASS start screen"
