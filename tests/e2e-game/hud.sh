#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The game with --hud in a real window: after Enter the crosshair and the hull bar show; the ship
# turns until a lead mark sits on a fighter; then each view in turn (chase, cockpit, from above)
# keeps the crosshair and the bar; Escape ends the game with status 0. Keeps chase-hud.png,
# cockpit-hud.png and top-hud.png in OUT_DIR.
# With a fourth argument "plain" it plays the same way without --hud and keeps chase.png,
# cockpit.png and top.png (the pictures for the README; nothing of the HUD is looked for).
# Arguments: GAME RUN_DIR OUT_DIR [plain] (run through run.sh, which provides the X display).
set -u
. "$(dirname "$0")/lib.sh"
plain=""
[ "${4:-}" = plain ] && plain=1

if [ -n "$plain" ]; then
    start_game "$1" "$2" "$3" --seed 3
    suffix=""
else
    start_game "$1" "$2" "$3" --hud --seed 3
    suffix="-hud"
fi
title_shown() { shot title; [ "$(colours "$OUT_DIR/title.png")" -ge 40 ]; }
wait_for title_shown || fail "no start picture"
xdotool key Return

# exactly IMAGE X Y W H COLOUR...: how many pixels of the rectangle have one of the colours
# (ImageMagick colour names such as "rgb(255,255,0)"). Replacing colours is far quicker than
# testing every pixel with an expression: white is moved aside first, the colours sought turn
# white, everything else black.
exactly() {
    local img="$1" x="$2" y="$3" w="$4" h="$5" args=()
    shift 5
    for c in "$@"; do args+=(-opaque "$c"); done
    convert "$img" -crop "${w}x${h}+${x}+${y}" +repage -fill "rgb(1,2,3)" -opaque white \
        -fill white "${args[@]}" -fill black +opaque white \
        -format '%[fx:round(mean*w*h)]\n' info: 2>/dev/null || echo 0
}
# The HUD's flat colours (src/game/Hud.h): crosshair yellow, the lead mark magenta or (in
# reach) red, the hull bar green, yellow or red as the hull wears.
CROSS="rgb(255,255,0)"
LEAD=("rgb(255,0,255)" "rgb(255,40,40)")
HULL="rgb(80,220,80)"
FILL=("$HULL" "rgb(240,200,40)" "rgb(240,50,40)")
n=0
hud_shown() {
    shot play
    [ "$(exactly "$OUT_DIR/play.png" 0 0 640 480 "$CROSS")" -ge 40 ] &&
        [ "$(exactly "$OUT_DIR/play.png" 80 440 180 30 "$HULL")" -ge 1000 ]
}
if [ -z "$plain" ]; then
    wait_for hud_shown || fail "no crosshair and hull bar after Enter"
    note "play: crosshair and a full hull bar"
    # Turn in short steps until the lead mark shows on a fighter.
    marked=""
    for step in $(seq 1 16); do
        shot look
        n=$(exactly "$OUT_DIR/look.png" 0 0 640 480 "${LEAD[@]}")
        if [ "$n" -ge 20 ]; then marked=$step; break; fi
        xdotool keydown Right; sleep 0.25; xdotool keyup Right
        sleep 0.4
    done
    [ -n "$marked" ] || fail "no lead mark while the ship turned full circle"
    note "a lead mark after $marked turns ($n pixels)"
else
    sleep 1.5
    for step in 1 2 3; do xdotool keydown Right; sleep 0.25; xdotool keyup Right; sleep 0.4; done
fi
if [ -n "$plain" ]; then shot chase; else cp "$OUT_DIR/look.png" "$OUT_DIR/chase-hud.png"; fi

# The views: each Space changes most of the picture; the HUD stays in each.
d=0
view_changed() {   # view_changed FROM TO
    shot "$2"
    d=$(differing "$OUT_DIR/$1.png" "$OUT_DIR/$2.png" 6%)
    [ "$d" -ge 30000 ]
}
xdotool key space
wait_for view_changed "chase$suffix" view-1 || fail "Space changed only $d pixels"
sleep 0.5; shot "cockpit$suffix"
xdotool key space
wait_for view_changed "cockpit$suffix" view-2 || fail "the second Space changed only $d pixels"
sleep 0.5; shot "top$suffix"
if [ -z "$plain" ]; then
    for v in cockpit top; do
        c=$(exactly "$OUT_DIR/$v-hud.png" 0 0 640 480 "$CROSS")
        h=$(exactly "$OUT_DIR/$v-hud.png" 80 440 180 30 "${FILL[@]}")
        [ "$c" -ge 40 ] || fail "no crosshair in the $v view ($c pixels)"
        [ "$h" -ge 100 ] || fail "no hull bar in the $v view ($h pixels)"
    done
    note "the crosshair and the hull bar in the cockpit view and the view from above"
fi

xdotool key Escape
expect_exit
note "Escape: exit status 0"
echo "PASS hud${plain:+ (plain)}"
