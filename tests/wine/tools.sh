#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# tools.sh WINE BUILD_WIN WORK: the Windows tools under Wine replace files that are already
# there, as they do on Linux: unpack into a folder that holds the media, pack over an existing
# archive (the result equals the original), and the generator into a folder it filled before.
# And they take file names in any script (UTF-8 here, UTF-16 to Windows).
set -eu
wine="$1"; build="$2"; work="$3"
rm -rf "$work"; mkdir -p "$work"
cp "$build/ZabroData.arc" "$work/original.arc"
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
"$wine" "$build/quenbrill-arc.exe" -a original.arc unpack loose >/dev/null || fail "first unpack"
"$wine" "$build/quenbrill-arc.exe" -a original.arc unpack loose >/dev/null || fail "unpack over the files of the first"
cp original.arc packed.arc
"$wine" "$build/quenbrill-arc.exe" -a packed.arc pack loose >/dev/null || fail "pack over an existing archive"
cmp -s original.arc packed.arc || fail "the archive packed again differs from the original"
"$wine" "$build/quenbrill-arc.exe" verify packed.arc >/dev/null || fail "verify"
"$wine" "$build/quenbrill-mediagen.exe" gen >/dev/null || fail "first generator run"
"$wine" "$build/quenbrill-mediagen.exe" gen >/dev/null || fail "generator into the folder it filled"
"$wine" "$build/quenbrill-arc.exe" verify gen/ZabroData.arc >/dev/null || fail "verify the generated archive"
# Folders and files named with an accent and Cyrillic letters: unpack into them, pack from them,
# convert a model between them.
u="Игры é"
"$wine" "$build/quenbrill-arc.exe" -a original.arc unpack "$u/разбор" >/dev/null || fail "unpack into \"$u\""
[ -f "$u/разбор/Media/XWing.bin" ] || fail "no Media/XWing.bin under \"$u/разбор\""
"$wine" "$build/quenbrill-arc.exe" -a "$u/архив é.arc" pack "$u/разбор" >/dev/null || fail "pack into \"$u\""
cmp -s original.arc "$u/архив é.arc" || fail "the archive packed under \"$u\" differs from the original"
"$wine" "$build/quenbrill-arc.exe" verify "$u/архив é.arc" >/dev/null || fail "verify under \"$u\""
"$wine" "$build/quenbrill-model.exe" convert "$u/разбор/Media/XWing.bin" "$u/корабль é.txt" >/dev/null ||
    fail "convert a model to text under \"$u\""
"$wine" "$build/quenbrill-model.exe" convert "$u/корабль é.txt" "$u/корабль é.bin" >/dev/null ||
    fail "convert it back under \"$u\""
"$wine" "$build/quenbrill-model.exe" info "$u/корабль é.bin" >/dev/null || fail "model info under \"$u\""
echo "PASS tools replace files under Wine, also in folders with accents and Cyrillic letters"
