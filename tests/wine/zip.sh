#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# zip.sh BUILD_WIN OBJDUMP: the release zip as it is downloaded: at most 2 MB, unpacking to
# one folder with the game, the two tools, the archive and the read-me, the programs stripped
# of their debugging symbols.
set -eu
build="$1"; objdump="$2"
fail() { echo "FAIL: $*" >&2; exit 1; }
zip="$(cd "$build" && pwd)/quenbrill-windows.zip"
[ -f "$zip" ] || fail "no $zip"
size=$(stat -c %s "$zip")
[ "$size" -le 2000000 ] || fail "the zip is $size bytes, more than 2 MB"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
(cd "$work" && cmake -E tar xf "$zip") || fail "cannot unpack the zip"
for f in quenbrill.exe quenbrill-arc.exe quenbrill-model.exe ZabroData.arc ReadMe-Windows.txt; do
    [ -f "$work/Quenbrill/$f" ] || fail "no Quenbrill/$f in the zip"
done
for exe in quenbrill.exe quenbrill-arc.exe quenbrill-model.exe; do
    sections=$("$objdump" -h "$work/Quenbrill/$exe") || fail "$exe: not a program objdump reads"
    ! grep -q '\.debug_' <<<"$sections" || fail "$exe keeps its debugging information"
    symbols=$("$objdump" -t "$work/Quenbrill/$exe" 2>&1 | grep -c '^\[' || true)
    [ "$symbols" -eq 0 ] || fail "$exe keeps $symbols symbols"
done
echo "PASS quenbrill-windows.zip: $size bytes, programs stripped"
