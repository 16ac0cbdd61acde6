#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# check.sh SCENARIO BUILD_DIR OUT_DIR
# End-to-end checks of the game as people install and start it: from other folders, from the
# Debian package and from `make install`, in full screen and scaled, and with its options.
# Scenarios that need a display run themselves again on a private X server (Xvfb).
set -u
scenario="$1"; BUILD="$(realpath "$2")"; OUT="$3"
here="$(cd "$(dirname "$0")" && pwd)"
mkdir -p "$OUT"
OUT="$(realpath "$OUT")"
. "$here/../e2e/lib.sh"
OUT_DIR="$OUT"
export SDL_AUDIODRIVER=dummy
unset SDL_VIDEODRIVER
[ -n "${QB_UNDER_X:-}" ] || e2e_sanitizer_env

# Screen size per scenario; "none" runs without X.
case "$scenario" in
    fullscreen) screen=1280x720 ;;
    scale) screen=1600x1200 ;;
    *) screen=1024x768 ;;
esac
if [ -z "${QB_UNDER_X:-}" ]; then
    for tool in Xvfb xdpyinfo xdotool xwininfo xprop import convert; do
        command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed" >&2; exit 1; }
    done
    xdir=$(mktemp -d)
    start_xserver "$xdir" "$screen" || { echo "FAIL: no X server" >&2; rm -rf "$xdir"; exit 1; }
    QB_UNDER_X=1 bash "$0" "$scenario" "$BUILD" "$OUT"
    status=$?
    stop_xserver
    rm -rf "$xdir"
    exit $status
fi

# The shared library (../e2e/lib.sh) has the waits, the game's start and end, screenshots and
# pixel counts; a window manager started here goes with the script.
WM_PID=""
trap '[ -z "$WM_PID" ] || kill "$WM_PID" 2>/dev/null' EXIT
T0=$(now_ms)
note() { echo "  [$(( $(now_ms) - T0 )) ms] $*"; }

# start_game DIR GAME [OPTION]...: starts the game in the working directory DIR and waits for
# its window.
start_game() { e2e_start_game "$@"; }

# stat IMAGE X Y W H maxima|mean: the largest channel value, or the mean, of the rectangle (0-255).
stat() {
    convert "$1" -crop "${4}x${5}+${2}+${3}" +repage -format "%[fx:round(255*$6)]" info: 2>/dev/null
}

RED='r > 180 && g < 60 && b < 60'

# wait_for_prompt NAME X Y W H: takes screenshots of the whole screen until the red
# "<PRESS START>" shows in the rectangle; the last one is OUT/NAME.png. The prompt is lit half
# of each second, so it gives up only after 15 s and 20 screenshots: on a busy machine one
# screenshot may take seconds, and three or four of them can all fall in the dark halves.
wait_for_prompt() {
    local name="$1" deadline=$(( $(now_ms) + 15000 )) n=0 shots=0 seen=""
    while :; do
        import -window root "$OUT/$name.png" 2>/dev/null || fail "screenshot $name failed"
        n=$(count "$OUT/$name.png" "$2" "$3" "$4" "$5" "$RED")
        [ "$n" -ge 200 ] && break
        shots=$(( shots + 1 ))
        seen="$seen $(md5sum <"$OUT/$name.png" | cut -c1-8)"
        if [ "$(now_ms)" -ge "$deadline" ] && [ "$shots" -ge 20 ]; then
            fail "$name: no red prompt in ${4}x${5}+$2+$3 in $shots screenshots over 15 s or more ($n red pixels; $(echo $seen | tr ' ' '\n' | sort -u | wc -l) different pictures; focus on $(xdotool getwindowfocus 2>/dev/null), the game is $WID)"
        fi
        sleep 0.2
    done
    note "$name: $n red prompt pixels in ${4}x${5}+$2+$3"
}

window_geometry() {   # "X Y W H" of the game window on the screen
    xwininfo -id "$WID" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
        /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w, h}'
}

check_window_icon() {   # the game sets its icon after the window has appeared: wait for it
    local deadline=$(( $(now_ms) + 15000 ))
    until xprop -id "$WID" _NET_WM_ICON 2>/dev/null | grep -q 'Icon (64 x 64)'; do
        [ "$(now_ms)" -lt "$deadline" ] || fail "the window shows no 64 x 64 icon"
        sleep 0.1
    done
}

run_and_look() {   # run_and_look LABEL DIR GAME: start the game in DIR, see its start picture, quit
    NAME_PREFIX="$1-"
    start_game "$2" "$3" --mute
    local g; g=$(window_geometry); set -- $g
    wait_for_prompt "$NAME_PREFIX" $(( $1 + 190 )) $(( $2 + 410 )) 260 32
    local dark; dark=$(count "$OUT/$NAME_PREFIX.png" $(( $1 + 40 )) $(( $2 + 240 )) 200 100 'r < 90 && g < 90 && b > 20')
    [ "$dark" -ge 10000 ] || fail "$NAME_PREFIX: no start picture in the window ($dark night-sky pixels)"
    grep -q "not found" "$OUT/stderr.txt" && fail "$NAME_PREFIX: the archive was not found"
    check_window_icon
    # A plain key press and release: sent to a window that closes on the press, the release
    # would never happen, and the X server would hand the next game a held Escape.
    xdotool windowfocus "$WID" 2>/dev/null
    xdotool key Escape
    local deadline=$(( $(now_ms) + 15000 ))
    while kill -0 "$GAME_PID" 2>/dev/null; do
        [ "$(now_ms)" -lt "$deadline" ] || fail "$NAME_PREFIX: Escape did not end the game"
        sleep 0.1
    done
    wait "$GAME_PID"; local code=$?
    GAME_PID=""
    [ "$code" -eq 0 ] || fail "$NAME_PREFIX: exit status $code after Escape"
    note "$NAME_PREFIX: start picture seen, icon shown, Escape ends with 0"
}

# The X server of this run must answer before anything is started on it.
deadline=$(( $(now_ms) + 15000 ))
until xdpyinfo >/dev/null 2>&1; do
    [ "$(now_ms)" -lt "$deadline" ] || fail "the X server $DISPLAY does not answer after 15 s"
    sleep 0.1
done

scratch="$OUT/scratch"
rm -rf "$scratch"; mkdir -p "$scratch/home"

case "$scenario" in
from-elsewhere)
    # The built game, started from / and from a home folder, finds the archive beside it.
    run_and_look built-from-root / "$BUILD/quenbrill"
    HOME="$scratch/home" run_and_look built-from-home "$scratch/home" "$BUILD/quenbrill"
    # Alone, it names every place it looked, in one line, and still runs.
    mkdir -p "$scratch/lone/bin"
    cp "$BUILD/quenbrill" "$scratch/lone/bin/"
    start_game / "$scratch/lone/bin/quenbrill" --mute
    deadline=$(( $(now_ms) + 15000 ))
    until grep -q "not found" "$OUT/stderr.txt"; do
        [ "$(now_ms)" -lt "$deadline" ] || fail "no line about the missing archive"
        sleep 0.1
    done
    line=$(grep "not found" "$OUT/stderr.txt")
    for place in "/ZabroData.arc" "$scratch/lone/bin/ZabroData.arc" "$scratch/lone/share/games/quenbrill/ZabroData.arc" \
                 "$scratch/lone/share/quenbrill/ZabroData.arc"; do
        case "$line" in *"$place"*) ;; *) fail "the line does not name $place: $line" ;; esac
    done
    [ "$(grep -c . "$OUT/stderr.txt")" -eq 1 ] || fail "more than one line on stderr"
    note "lone game: $line"
    stop_game
    ;;
install)
    # make install under a prefix of its own, then the installed game from / and from home.
    cmake --install "$BUILD" --prefix "$scratch/prefix" >"$OUT/install.txt" 2>&1 || fail "cmake --install failed"
    for f in games/quenbrill bin/quenbrill-arc bin/quenbrill-model share/games/quenbrill/ZabroData.arc \
             share/applications/quenbrill.desktop share/icons/hicolor/48x48/apps/quenbrill.png \
             share/metainfo/org.example.quenbrill.metainfo.xml share/doc/quenbrill/copyright \
             share/doc/quenbrill/changelog.gz \
             share/man/man6/quenbrill.6.gz share/man/man1/quenbrill-arc.1.gz share/man/man1/quenbrill-model.1.gz; do
        [ -f "$scratch/prefix/$f" ] || fail "make install left no $f"
    done
    run_and_look installed-from-root / "$scratch/prefix/games/quenbrill"
    # The menu entry names the installed game by its path; started as a menu starts it, in a
    # home folder.
    exec_line=$(sed -n 's/^Exec=//p' "$scratch/prefix/share/applications/quenbrill.desktop")
    [ "$exec_line" = "$scratch/prefix/games/quenbrill" ] || fail "the menu entry runs \"$exec_line\""
    HOME="$scratch/home" run_and_look installed-from-menu "$scratch/home" "$exec_line"
    # A stray file of the archive's name in the working folder is named with its problem and
    # passed over; the installed archive is used.
    mkdir -p "$scratch/stray"
    printf '%0100d' 0 >"$scratch/stray/ZabroData.arc"
    HOME="$scratch/home" run_and_look stray-archive "$scratch/stray" "$scratch/prefix/games/quenbrill"
    expected="quenbrill: skipped \"$scratch/stray/ZabroData.arc\": 100 bytes, not the 496529 of the game's archive"
    [ "$(cat "$OUT/stderr.txt")" = "$expected" ] || fail "stray archive: stderr is \"$(cat "$OUT/stderr.txt")\""
    note "stray archive in the working folder: $expected"
    ;;
package)
    # The .deb: files where Debian and the freedesktop conventions put them, a valid menu entry
    # and software-centre entry, no complaint from lintian, and the installed programs work on
    # the installed archive.
    (cd "$BUILD" && cpack -G DEB -B "$scratch/pkg") >"$OUT/cpack.txt" 2>&1 || fail "cpack failed (see $OUT/cpack.txt)"
    deb=$(ls "$scratch"/pkg/quenbrill_*.deb 2>/dev/null | head -1)
    [ -n "$deb" ] || fail "cpack made no .deb"
    dpkg-deb --field "$deb" Package Version Maintainer Depends Section | sed 's/^/  /'
    # No error and no warning; the informational tags that stay are listed in README.md.
    lintian --pedantic --display-info --fail-on error,warning "$deb" >"$OUT/lintian.txt" 2>&1
    status=$?
    sed 's/^/  lintian: /' "$OUT/lintian.txt"
    [ "$status" -eq 0 ] || fail "lintian found errors or warnings (see above)"
    root="$scratch/root"
    dpkg-deb -x "$deb" "$root" || fail "dpkg-deb -x failed"
    for size in 16 22 24 32 48 64 128 256; do
        icon="$root/usr/share/icons/hicolor/${size}x${size}/apps/quenbrill.png"
        [ "$(identify -format '%wx%h' "$icon" 2>/dev/null)" = "${size}x${size}" ] || fail "no ${size}x${size} icon at $icon"
    done
    for f in usr/games/quenbrill usr/bin/quenbrill-arc usr/bin/quenbrill-model usr/share/games/quenbrill/ZabroData.arc \
             usr/share/doc/quenbrill/copyright usr/share/doc/quenbrill/changelog.gz \
             usr/share/man/man6/quenbrill.6.gz usr/share/man/man1/quenbrill-arc.1.gz \
             usr/share/man/man1/quenbrill-model.1.gz; do
        [ -f "$root/$f" ] || fail "the package has no /$f"
    done
    desktop-file-validate "$root/usr/share/applications/quenbrill.desktop" || fail "desktop-file-validate"
    grep -q '^Icon=quenbrill$' "$root/usr/share/applications/quenbrill.desktop" || fail "menu entry without our icon"
    grep -q '^Exec=/usr/games/quenbrill$' "$root/usr/share/applications/quenbrill.desktop" || fail "menu entry without the game's path"
    appstreamcli validate --no-net --pedantic "$root"/usr/share/metainfo/org.example.quenbrill.metainfo.xml \
        >"$OUT/appstream.txt" 2>&1 || { cat "$OUT/appstream.txt" >&2; fail "appstreamcli validate"; }
    zcat "$root/usr/share/man/man6/quenbrill.6.gz" | grep -qF 'no\-vsync' || fail "man page without the options"
    for tool in quenbrill-arc quenbrill-model; do
        libs=$(readelf -d "$root/usr/bin/$tool" | grep NEEDED)
        case "$libs" in *libGL*|*libSDL*) fail "$tool links a display library: $libs" ;; esac
    done
    version=$("$root/usr/games/quenbrill" --version | head -1) || fail "--version failed"
    [ "$version" = "quenbrill $(dpkg-deb --field "$deb" Version)" ] || fail "--version says \"$version\""
    "$root/usr/bin/quenbrill-arc" verify "$root/usr/share/games/quenbrill/ZabroData.arc" >"$OUT/verify.txt" ||
        fail "the installed quenbrill-arc does not accept the installed archive"
    (cd "$scratch" && "$root/usr/bin/quenbrill-arc" -a "$root/usr/share/games/quenbrill/ZabroData.arc" unpack media) \
        >/dev/null || fail "quenbrill-arc unpack failed"
    "$root/usr/bin/quenbrill-model" info "$scratch/media/Media/XWing.bin" >"$OUT/model-info.txt" ||
        fail "the installed quenbrill-model cannot read the installed ship"
    note "installed: $version; lintian and appstreamcli content; arc verify and model info work on the installed archive"
    HOME="$scratch/home" run_and_look package-from-home "$scratch/home" "$root/usr/games/quenbrill"
    ;;
fullscreen)
    # A window manager, as every desktop has, carries out the full-screen request.
    openbox --sm-disable >/dev/null 2>&1 &
    WM_PID=$!
    deadline=$(( $(now_ms) + 15000 ))
    until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
        [ "$(now_ms)" -lt "$deadline" ] || fail "the window manager did not start"
        sleep 0.1
    done
    # --scale 8 on this 1280 x 720 screen: the largest window that fits (640 x 480), in one line.
    start_game / "$BUILD/quenbrill" --mute --scale 8
    g=$(window_geometry); set -- $g
    [ "$3 $4" = "640 480" ] || fail "--scale 8 on 1280 x 720 made a $3 x $4 window"
    [ "$1" -ge 0 ] && [ "$2" -ge 0 ] && [ $(( $1 + $3 )) -le 1280 ] && [ $(( $2 + $4 )) -le 720 ] ||
        fail "--scale 8: the window at $1,$2 is not all on the screen"
    deadline=$(( $(now_ms) + 15000 ))
    until grep -q "does not fit" "$OUT/stderr.txt"; do
        [ "$(now_ms)" -lt "$deadline" ] || fail "--scale 8: no line about the screen"
        sleep 0.1
    done
    note "--scale 8: $(cat "$OUT/stderr.txt")"
    kill "$GAME_PID"; wait "$GAME_PID" 2>/dev/null; GAME_PID=""   # the window manager runs on
    start_game / "$BUILD/quenbrill" --mute --fullscreen
    # 1280 x 720: the picture is scaled by 1.5 to 960 x 720 with 160-pixel bars left and right;
    # the prompt, centred at (320, 426), is centred at (640, 639).
    wait_for_prompt fullscreen 520 624 240 30
    shot="$OUT/fullscreen.png"
    for bar in "0 0 158 720" "1122 0 158 720"; do
        n=$(stat "$shot" $bar maxima)
        [ "$n" -le 2 ] || fail "bar $bar is not all black (brightest channel $n)"
    done
    n=$(stat "$shot" 170 0 940 720 mean)
    [ "$n" -ge 20 ] || fail "the picture itself is black (mean $n)"
    # Nothing of the prompt where the unscaled picture would have it.
    n=$(count "$shot" 190 410 260 32 "$RED")
    [ "$n" -lt 50 ] || fail "a prompt at the unscaled place ($n red pixels)"
    # F11 goes back to the 640 x 480 window.
    xdotool key --window "$WID" F11
    deadline=$(( $(now_ms) + 15000 ))
    while :; do
        g=$(window_geometry); set -- $g
        [ "$3 $4" = "640 480" ] && break
        [ "$(now_ms)" -lt "$deadline" ] || fail "F11 did not give the window back (now $3 x $4)"
        sleep 0.2
    done
    kill -0 "$GAME_PID" || fail "the game ended at F11"
    note "full screen: picture scaled to 960 x 720 between black bars, prompt at (640, 639); F11 back to 640 x 480"
    # Alt+Enter goes full screen again, and its Enter does not start the battle: the prompt
    # shows at its scaled place once more.
    xdotool key --window "$WID" alt+Return
    wait_for_prompt alt-enter 520 624 240 30
    n=$(stat "$OUT/alt-enter.png" 0 0 158 720 maxima)
    [ "$n" -le 2 ] || fail "no black bar after Alt+Enter (brightest channel $n)"
    note "Alt+Enter: full screen again, still on the start screen"
    stop_game
    ;;
scale)
    # --scale 2: a 1280 x 960 window, the prompt at twice its place.
    start_game / "$BUILD/quenbrill" --mute --scale 2
    g=$(window_geometry); set -- $g
    [ "$3 $4" = "1280 960" ] || fail "--scale 2 made a $3 x $4 window"
    wait_for_prompt scale $(( $1 + 400 )) $(( $2 + 830 )) 480 46
    n=$(count "$OUT/scale.png" $(( $1 + 190 )) $(( $2 + 410 )) 260 32 "$RED")
    [ "$n" -lt 50 ] || fail "a prompt at the unscaled place ($n red pixels)"
    note "--scale 2: 1280 x 960 window, prompt centred at (640, 852)"
    stop_game
    ;;
options)
    # Bad command lines: one line, exit status 2, no window. Good ones that end at once: 0.
    while IFS='|' read -r args expect; do
        [ -z "$args" ] && continue
        # shellcheck disable=SC2086
        "$BUILD/quenbrill" $args >"$OUT/stdout.txt" 2>"$OUT/stderr.txt"
        code=$?
        [ "$code" -eq 2 ] || fail "quenbrill $args: exit status $code, not 2"
        [ "$(wc -l <"$OUT/stderr.txt")" -eq 1 ] || fail "quenbrill $args: not one line on stderr"
        grep -q -- "$expect" "$OUT/stderr.txt" || fail "quenbrill $args: \"$(cat "$OUT/stderr.txt")\" lacks \"$expect\""
        [ -z "$(xdotool search --name '^Quenbrill$' 2>/dev/null)" ] || fail "quenbrill $args opened a window"
        note "quenbrill $args -> $(cat "$OUT/stderr.txt")"
    done <<'LIST'
--bogus|unknown option "--bogus"
--scale 0|--scale needs a whole number
--scale 9|--scale needs a whole number
--scale abc|--scale needs a whole number
--scale|--scale needs a value
--seed -1|--seed needs a whole number
--seed 4294967296|--seed needs a whole number
--data /nonexistent/file.arc|--data: "/nonexistent/file.arc": No such file or directory
--data /|--data: "/": a folder, not a file
--data /dev/null|--data: "/dev/null": a device or other special file, not a file
--data|--data needs a value
--max-fps 0|--max-fps needs a whole number from 1 to 1000
-- --mute|unexpected argument "--mute"
--mute=1|--mute takes no value
stray|unexpected argument "stray"
LIST
    # --data on a file that is not the archive: an empty one.
    : >"$scratch/empty.arc"
    "$BUILD/quenbrill" --data "$scratch/empty.arc" 2>"$OUT/stderr.txt"
    code=$?
    [ "$code" -eq 2 ] || fail "--data on an empty file: exit status $code, not 2"
    grep -qx "quenbrill: --data: \"$scratch/empty.arc\": 0 bytes, not the 496529 of the game's archive" "$OUT/stderr.txt" ||
        fail "--data on an empty file: \"$(cat "$OUT/stderr.txt")\""
    [ -z "$(xdotool search --name '^Quenbrill$' 2>/dev/null)" ] || fail "--data on an empty file opened a window"
    "$BUILD/quenbrill" --help >"$OUT/help.txt" 2>&1 || fail "--help failed"
    for o in --fullscreen --scale --no-vsync --max-fps --seed --data --mute -h --help -V --version; do
        grep -q -- "$o" "$OUT/help.txt" || fail "--help does not mention $o"
    done
    "$BUILD/quenbrill" -h | cmp -s - "$OUT/help.txt" || fail "-h is not --help"
    "$BUILD/quenbrill" --version >"$OUT/version.txt" || fail "--version"
    grep -q '^quenbrill [0-9]' "$OUT/version.txt" || fail "--version: no version"
    grep -q '^Copyright (c) 2026 The Quenbrill developers$' "$OUT/version.txt" || fail "--version: no copyright"
    grep -q 'MIT' "$OUT/version.txt" || fail "--version: no licence"
    "$BUILD/quenbrill" -V | cmp -s - "$OUT/version.txt" || fail "-V is not --version"
    # Output that cannot be written: status 1 and the reason, as the GNU tools do.
    for o in --version --help; do
        "$BUILD/quenbrill" $o >/dev/full 2>"$OUT/stderr.txt"
        code=$?
        [ "$code" -eq 1 ] || fail "$o >/dev/full: exit status $code, not 1"
        grep -qx "quenbrill: write error: No space left on device" "$OUT/stderr.txt" ||
            fail "$o >/dev/full: \"$(cat "$OUT/stderr.txt")\""
    done
    note "--data on an empty file: status 2; -h, -V, and --help or --version into a full disk: status 1"
    # Good options start the game: the archive named by --data, from an empty folder.
    cp "$BUILD/ZabroData.arc" "$scratch/other-name.arc"
    NAME_PREFIX=data-
    start_game "$scratch/home" "$BUILD/quenbrill" --data "$scratch/other-name.arc" --seed 7 --no-vsync \
        --max-fps 30 --mute --scale 1 --
    g=$(window_geometry); set -- $g
    wait_for_prompt data $(( $1 + 190 )) $(( $2 + 410 )) 260 32
    grep -q "not found" "$OUT/stderr.txt" && fail "--data: the archive was not found"
    note "--data, --seed, --no-vsync, --max-fps 30, --mute, --scale 1, --: the start picture shows"
    stop_game
    ;;
*)
    fail "unknown scenario $scenario"
    ;;
esac
echo "PASS: $scenario"
