#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# play.sh WINE GAME_EXE RUN_DIR OUT_DIR
# The Windows game under Wine, played as a player would: the start screen with its picture and
# the blinking red "<PRESS START>", Enter starts the battle, A leaves bolt trails, each Space
# changes the view, Escape ends the game with status 0. Screenshots stay in OUT_DIR. Every wait
# has a generous limit (Wine starts slowly); no limit stands in for a game timing. Needs the
# display and Wine prefix of run-tests.sh.
set -u
. "$(dirname "$0")/lib.sh"
wine="$1"; exe="$2"; RUN_DIR="$3"; OUT_DIR="$4"
mkdir -p "$OUT_DIR"
rm -f "$OUT_DIR"/*.png
[ -f "$RUN_DIR/ZabroData.arc" ] || fail "no ZabroData.arc in $RUN_DIR"

(cd "$RUN_DIR" && exec "$wine" "$exe") 2>"$OUT_DIR/stderr.txt" &
GAME_PID=$!
t0=$(now_ms)
wait_window
xdotool windowfocus "$WID" 2>/dev/null || true
note "window after $(( $(now_ms) - t0 )) ms"

# Start screen: the picture, and the red text around (320, 426) both on and off.
RED='r >= 200 && g <= 70 && b <= 70'
on=0; off=0; i=0; t0=$(now_ms)
while [ "$on" -eq 0 ] || [ "$off" -eq 0 ]; do
    [ $(( $(now_ms) - t0 )) -lt "$E2E_LIMIT_MS" ] || fail "in $E2E_LIMIT_MS ms the red text was on in $on and off in $off screenshots"
    shot start-$i
    red=$(count "$OUT_DIR/start-$i.png" 200 412 240 28 "$RED")
    if [ "$red" -ge 60 ]; then
        [ "$on" -gt 0 ] || cp "$OUT_DIR/start-$i.png" "$OUT_DIR/start-screen.png"
        on=$((on + 1))
    elif [ "$red" -le 5 ] && [ "$(colours "$OUT_DIR/start-$i.png")" -ge 40 ]; then
        off=$((off + 1))
    fi
    i=$((i + 1))
    sleep 0.1
done
n=$(colours "$OUT_DIR/start-screen.png")
[ "$n" -ge 40 ] || fail "the start screen has only $n colours: no picture"
note "start screen: $n colours, prompt on in $on and off in $off screenshots"

# Enter: sky above, ground below, and not the start picture.
xdotool key Return
t0=$(now_ms); ok=""
while [ $(( $(now_ms) - t0 )) -lt "$E2E_LIMIT_MS" ]; do
    sleep 0.2
    shot play
    sky=$(mean "$OUT_DIR/play.png" 0 0 640 40)
    ground=$(mean "$OUT_DIR/play.png" 0 440 640 40)
    if [ "$(differing "$OUT_DIR/play.png" "$OUT_DIR/start-screen.png" 10%)" -ge 150000 ] &&
        far "$sky" "$ground" 20; then ok=1; break; fi
done
[ -n "$ok" ] || fail "no sky and ground within $E2E_LIMIT_MS ms of Enter (top $sky, bottom $ground)"
note "play: sky $sky above, ground $ground below"

# A: bolt trails (bright red-yellow glows) ahead of the ship.
TRAIL='r >= 250 && g >= 240 && b <= 190'
AHEAD="200 40 240 200"
shot before-fire
base=$(count "$OUT_DIR/before-fire.png" $AHEAD "$TRAIL")
best=0
for volley in $(seq 12); do
    xdotool keydown Up; sleep 0.15; xdotool key a; xdotool keyup Up; sleep 0.05
    shot fire-$volley
    n=$(count "$OUT_DIR/fire-$volley.png" $AHEAD "$TRAIL")
    if [ "$n" -gt "$best" ]; then best=$n; cp "$OUT_DIR/fire-$volley.png" "$OUT_DIR/bolts.png"; fi
    [ "$best" -ge $((base + 30)) ] && break
done
[ "$best" -ge $((base + 30)) ] || fail "no bolt trails: $best trail pixels while firing, $base before"
note "bolt trails: $best pixels while firing, $base before"

# Space, three times: each press changes most of the picture, more than time alone does.
sleep 1.5   # the ship coasts to a stop
for press in 1 2 3; do
    shot view-$press-before
    sleep 0.3
    shot view-$press-still
    control=$(differing "$OUT_DIR/view-$press-before.png" "$OUT_DIR/view-$press-still.png" 6%)
    xdotool key space
    t0=$(now_ms); changed=""
    while [ $(( $(now_ms) - t0 )) -lt "$E2E_LIMIT_MS" ]; do
        sleep 0.3
        shot view-$press
        d=$(differing "$OUT_DIR/view-$press-still.png" "$OUT_DIR/view-$press.png" 6%)
        if [ "$d" -ge $((control + 40000)) ]; then changed=$d; break; fi
    done
    [ -n "$changed" ] || fail "Space $press changed only $d pixels (control $control)"
    note "Space $press: $changed pixels changed (control $control)"
done

xdotool key Escape
expect_exit
note "Escape: exit status 0"
echo "PASS Windows game under Wine"
