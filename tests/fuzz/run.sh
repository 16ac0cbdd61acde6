#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs every fuzz target (or the ones named) for SECONDS each, all at the same time, on a corpus
# kept in BUILD/fuzz/corpus/NAME between runs and seeded from the generated media and the saved
# regressions. Inputs that crash land in BUILD/fuzz/artifacts/NAME/; copy each one into
# tests/fuzz/regressions/NAME/ once its fault is mended, so `make test` keeps replaying it.
#
#   tests/fuzz/run.sh BUILD SECONDS [NAME...]
set -uo pipefail

build=$(cd "$1" && pwd)
seconds=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(wave binary_model text_model archive arc_tool model_tool)
work=$build/fuzz
media=$build/Media

# Seeds from the generated media: the sounds, the models in both forms, the archive; the tool
# targets take a first byte that picks their commands.
seed() {   # seed NAME FILE [PREFIX-BYTE]
    mkdir -p "$work/seeds/$1"
    local out=$work/seeds/$1/$(basename "$2")${3:+-$3}
    if [ -n "${3:-}" ]; then { printf "\\x$3"; cat "$2"; } > "$out"; else cp "$2" "$out"; fi
}
rm -rf "$work/seeds"
mkdir -p "$work/text"
for m in Factory TieFighter XWing; do
    "$build/quenbrill-model" convert "$media/$m.bin" "$work/text/$m.txt" > /dev/null
    seed binary_model "$media/$m.bin"
    seed text_model "$work/text/$m.txt"
    seed model_tool "$media/$m.bin" 01
    seed model_tool "$work/text/$m.txt" 00
done
for s in Boom Weapon0; do seed wave "$media/$s.wav"; done
seed archive "$build/ZabroData.arc"
seed arc_tool "$build/ZabroData.arc" 00
seed arc_tool "$build/ZabroData.arc" 01

# The archive target makes real textures offscreen; the GL driver keeps memory for the life of
# the process, which is not ours to report.
. "$here/../e2e/lib.sh"
e2e_sanitizer_env
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy
export TMPDIR=$work/tmp
mkdir -p "$TMPDIR"

pids=()
for name in "${targets[@]}"; do
    mkdir -p "$work/corpus/$name" "$work/artifacts/$name"
    seeds=("$work/seeds/$name")
    [ -d "$here/regressions/$name" ] && seeds+=("$here/regressions/$name")
    # One allocation of 256 MB or 10 s for one input is a fault here: the game's media are a
    # few hundred kilobytes. (The whole process may grow larger: the corpus lives in memory.)
    "$work/fuzz_$name" "$work/corpus/$name" "${seeds[@]}" \
        -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2560 -malloc_limit_mb=256 \
        -close_fd_mask=3 -print_final_stats=1 \
        -artifact_prefix="$work/artifacts/$name/" > "$work/$name.log" 2>&1 &
    pids+=($!)
done
status=0
for i in "${!targets[@]}"; do
    wait "${pids[$i]}" || status=1
    name=${targets[$i]}
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$work/$name.log" | grep -o '[0-9]*$')
    # crash-, leak-, timeout- and oom- files are faults; a slow-unit- file only says that one
    # input took long on a busy machine (replay it alone to see whether it still does).
    faults=$(find "$work/artifacts/$name" -type f ! -name 'slow-unit-*' | wc -l)
    slow=$(find "$work/artifacts/$name" -type f -name 'slow-unit-*' | wc -l)
    printf '%-13s %10s executions in %s s, corpus %s inputs, %s fault(s), %s slow input(s)\n' "$name" \
        "${runs:-?}" "$seconds" "$(find "$work/corpus/$name" -type f | wc -l)" "$faults" "$slow"
    [ "$faults" -ne 0 ] && status=1
done
[ $status -ne 0 ] && echo "fuzzing found faults: see $work/artifacts and $work/*.log" >&2
exit $status
