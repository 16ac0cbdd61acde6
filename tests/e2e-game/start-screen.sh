#!/usr/bin/env bash
# The start screen in a real window: the picture at once, the red "<PRESS START>" around
# (320, 426) within two seconds and blinking; holding Enter starts nothing, letting it go
# starts the battle; Escape ends the game with status 0 within two seconds.
# Arguments: GAME RUN_DIR OUT_DIR (run through run.sh, which provides the X display).
set -u
. "$(dirname "$0")/lib.sh"

start_game "$1" "$2" "$3"
t0=$(now_ms)

# The text is 13 glyphs of 18 pixels centred on (320, 426): about x 203-437, y 418-434.
RED='r >= 200 && g <= 70 && b <= 70'
on=0; off=0; first_on=""; i=0
while [ $(( $(now_ms) - t0 )) -lt 2000 ] || [ -z "$first_on" ]; do
    [ $(( $(now_ms) - t0 )) -lt 4000 ] || break
    shot "start-$i"
    red=$(count "$OUT_DIR/start-$i.png" 200 412 240 28 "$RED")
    if [ "$red" -ge 60 ]; then
        on=$((on + 1))
        [ -n "$first_on" ] || { first_on=$(( $(now_ms) - t0 )); cp "$OUT_DIR/start-$i.png" "$OUT_DIR/start-screen.png"; }
    elif [ "$red" -le 5 ]; then
        off=$((off + 1))
    fi
    i=$((i + 1))
    sleep 0.1
done
[ -n "$first_on" ] || fail "no red text around (320, 426) in $i screenshots"
[ "$first_on" -le 2000 ] || fail "the red text showed only after $first_on ms"
[ "$off" -ge 1 ] || fail "the text never blinked off in $i screenshots"
note "red text after $first_on ms; on in $on and off in $off of $i screenshots"

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
t1=$(now_ms)
played=""
while [ $(( $(now_ms) - t1 )) -lt 3000 ]; do
    shot after-enter
    d=$(differing "$OUT_DIR/after-enter.png" "$pic" 10%)
    if [ "$d" -ge 150000 ]; then played=$(( $(now_ms) - t1 )); break; fi
    sleep 0.1
done
[ -n "$played" ] || fail "the battle did not start within 3 s of letting Enter go"
note "battle on screen $played ms after Enter was let go"

xdotool key Escape
expect_exit_within 2000
note "Escape: exit status 0"
echo "PASS start screen"
