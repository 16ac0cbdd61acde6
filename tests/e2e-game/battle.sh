#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A battle in a real window: Enter leads to play with sky and ground; enemy fighters come into
# view while the ship turns; holding Up and pressing A leaves bolt trails; Space changes the
# view; Escape ends the game with status 0. Keeps chase-view.png and top-view.png in OUT_DIR.
# Arguments: GAME RUN_DIR OUT_DIR (run through run.sh, which provides the X display).
set -u
. "$(dirname "$0")/lib.sh"

start_game "$1" "$2" "$3"
# The start picture first (many colours), so that Enter is pressed on the start screen.
title_shown() { shot title; [ "$(colours "$OUT_DIR/title.png")" -ge 40 ]; }
wait_for title_shown || fail "no start picture"
xdotool key Return

# Play: the picture turns to sky above and ground below, and neither is the start picture or
# the bare clear colour.
sky=""; ground=""
play_shown() {
    shot play
    sky=$(mean "$OUT_DIR/play.png" 0 0 640 40)
    ground=$(mean "$OUT_DIR/play.png" 0 440 640 40)
    [ "$(differing "$OUT_DIR/play.png" "$OUT_DIR/title.png" 10%)" -ge 150000 ] &&
        far "$sky" "208 232 234" 12 && far "$ground" "208 232 234" 12 && far "$sky" "$ground" 20
}
wait_for play_shown || fail "no sky and ground after Enter (top $sky, bottom $ground)"
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
# which the chase camera keeps in the middle of the picture. The four guns sit close round the
# centre line, so the trails of a volley overlap into one small bright patch.
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
    # A few screenshots while the bolts fly (they live 0.7 s of game time): on a slow machine
    # the first may come before the frame that shows them.
    for look in 1 2 3; do
        shot fire-$volley-$look
        n=$(count "$OUT_DIR/fire-$volley-$look.png" $AHEAD "$TRAIL")
        if [ "$n" -gt "$best" ]; then best=$n; cp "$OUT_DIR/fire-$volley-$look.png" "$OUT_DIR/chase-view.png"; fi
        [ "$n" -ge $((base + 15)) ] && break
    done
    [ "$best" -ge $((base + 15)) ] && [ "$volley" -ge 3 ] && break
done
[ "$best" -ge $((base + 15)) ] || fail "no bolt trails: $best trail pixels while firing, $base before"
note "bolt trails: $best pixels while firing, $base before"

# Space: the view from the model, then from above. Against a control pair taken without a
# key, each press changes most of the picture.
sleep 1.3   # the ship coasts to a stop
shot view-0
sleep 0.3
shot view-0b
control=$(differing "$OUT_DIR/view-0.png" "$OUT_DIR/view-0b.png" 6%)
d=0
view_changed() {   # view_changed FROM TO: the picture TO differs from FROM by far more than the control
    shot "$2"
    d=$(differing "$OUT_DIR/$1.png" "$OUT_DIR/$2.png" 6%)
    [ "$d" -ge $((control + 30000)) ]
}
# The first changed screenshot may catch the frame in which the camera moves, so the pictures
# kept are taken a moment later, once the new view has settled.
xdotool key space
wait_for view_changed view-0b view-1 || fail "Space changed only $d pixels (control $control)"
d1=$d
sleep 0.5; shot view-1
xdotool key space
wait_for view_changed view-1 view-2 || fail "the second Space changed only $d pixels (control $control)"
d2=$d
sleep 0.5; shot view-2
cp "$OUT_DIR/view-2.png" "$OUT_DIR/top-view.png"
note "Space: $d1 then $d2 pixels changed (control $control)"

xdotool key Escape
expect_exit
note "Escape: exit status 0"
echo "PASS battle"
