#!/usr/bin/env bash
# A battle in a real window: Enter leads to play with sky and ground; enemy fighters come into
# view while the ship turns; holding Up and pressing A leaves bolt trails; Space changes the
# view; Escape ends the game with status 0 within two seconds. Keeps chase-view.png and
# top-view.png in OUT_DIR.
# Arguments: GAME RUN_DIR OUT_DIR (run through run.sh, which provides the X display).
set -u
. "$(dirname "$0")/lib.sh"

start_game "$1" "$2" "$3"
sleep 0.3
shot title
xdotool key Return

# Play: within three seconds the picture is sky above and ground below, and neither is the
# start picture or the bare clear colour.
t0=$(now_ms)
ok=""
while [ $(( $(now_ms) - t0 )) -lt 3000 ]; do
    sleep 0.2
    shot play
    sky=$(mean "$OUT_DIR/play.png" 0 0 640 40)
    ground=$(mean "$OUT_DIR/play.png" 0 440 640 40)
    if [ "$(differing "$OUT_DIR/play.png" "$OUT_DIR/title.png" 10%)" -ge 150000 ] &&
        far "$sky" "208 232 234" 12 && far "$ground" "208 232 234" 12 && far "$sky" "$ground" 20; then
        ok=1; break
    fi
done
[ -n "$ok" ] || fail "no sky and ground within 3 s of Enter (top $sky, bottom $ground)"
note "play: sky $sky above, ground $ground below"

# Enemy fighters: with the ship standing still the camera stands still, so whatever changes
# between two screenshots moves by itself, and only the fighters (and their bolts) do. The
# ship turns in steps of about 60 degrees until a fighter is seen.
seen=""
sleep 0.4   # the chase camera settles
for step in 0 1 2 3 4 5 6 7; do
    shot still-a
    sleep 0.4
    shot still-b
    moved=$(differing "$OUT_DIR/still-a.png" "$OUT_DIR/still-b.png" 6%)
    if [ "$moved" -ge 6 ]; then seen=$step; break; fi
    xdotool keydown Right; sleep 0.55; xdotool keyup Right
    sleep 0.6   # the turn runs out within 375 ms
done
[ -n "$seen" ] || fail "no enemy fighter moved in view while the ship turned full circle"
note "fighters in view after $seen turns ($moved pixels moved)"

# Bolts: press A while holding Up; the trails are glows, pulsing from red to yellow, that add to
# what is behind them: red and green at full, blue well below. They fly ahead of the ship,
# which the chase camera keeps in the middle of the picture.
TRAIL='r >= 250 && g >= 240 && b <= 190'
AHEAD="200 40 240 200"
shot before-fire
base=$(count "$OUT_DIR/before-fire.png" $AHEAD "$TRAIL")
best=0
for volley in 1 2 3 4 5 6; do
    # Short bursts of thrust, so the ship stays over the ground for the view from above.
    xdotool keydown Up
    sleep 0.15
    xdotool key a
    xdotool keyup Up
    sleep 0.05
    shot fire-$volley
    n=$(count "$OUT_DIR/fire-$volley.png" $AHEAD "$TRAIL")
    if [ "$n" -gt "$best" ]; then best=$n; cp "$OUT_DIR/fire-$volley.png" "$OUT_DIR/chase-view.png"; fi
done
[ "$best" -ge $((base + 30)) ] || fail "no bolt trails: $best trail pixels while firing, $base before"
note "bolt trails: $best pixels while firing, $base before"

# Space: the view from the model, then from above. Against a control pair taken without a
# key, each press changes most of the picture.
sleep 1.3   # the ship coasts to a stop
shot view-0
sleep 0.3
shot view-0b
control=$(differing "$OUT_DIR/view-0.png" "$OUT_DIR/view-0b.png" 6%)
xdotool key space
sleep 0.4
shot view-1
d1=$(differing "$OUT_DIR/view-0b.png" "$OUT_DIR/view-1.png" 6%)
[ "$d1" -ge $((control + 30000)) ] || fail "Space changed only $d1 pixels (control $control)"
xdotool key space
sleep 0.4
shot view-2
d2=$(differing "$OUT_DIR/view-1.png" "$OUT_DIR/view-2.png" 6%)
[ "$d2" -ge $((control + 30000)) ] || fail "the second Space changed only $d2 pixels (control $control)"
cp "$OUT_DIR/view-2.png" "$OUT_DIR/top-view.png"
note "Space: $d1 then $d2 pixels changed (control $control)"

xdotool key Escape
expect_exit_within 2000
note "Escape: exit status 0"
echo "PASS battle"
