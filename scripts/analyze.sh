#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# analyze.sh [BUILD_DIR]
# The static analysers over the game's own sources (src/, tools/, bench/), read from the build
# folder's compile_commands.json (build/ unless given): cppcheck, then clang-tidy with the
# checks of .clang-tidy. Prints every finding and fails when there is one. CI runs it after
# `make test` (.ci/run); a finding that is not a fault is silenced where it is, with a comment
# that says why (// NOLINT(check) or // cppcheck-suppress id).
set -u
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" 2>/dev/null && pwd)" || { echo "no build folder ${1:-$root/build}" >&2; exit 2; }
db="$build/compile_commands.json"
[ -f "$db" ] || { echo "no $db: configure first (make configure)" >&2; exit 2; }
jobs="${JOBS:-$(nproc 2>/dev/null || echo 2)}"
for tool in cppcheck clang-tidy; do
    command -v "$tool" >/dev/null || { echo "$tool is not installed (scripts/install-deps.sh)" >&2; exit 2; }
done
cd "$root" || exit 2
status=0

# The translation units of our own code that exist (a database may still name a file since
# moved); tests are left to the compiler's warnings and the tests themselves.
ours="$build/compile_commands.ours.json"
perl -MJSON::PP -e '
    my ($db, $root, $out) = @ARGV;
    open(my $in, "<", $db) or die "cannot read $db\n";
    local $/; my $all = JSON::PP->new->decode(<$in>);
    my @ours = grep { $_->{file} =~ m{^\Q$root\E/(src|tools|bench)/} && -f $_->{file} } @$all;
    open(my $w, ">", $out) or die "cannot write $out\n";
    print $w JSON::PP->new->pretty->canonical->encode(\@ours);
    print join("\n", map { $_->{file} } @ours), "\n";
' "$db" "$root" "$ours" >"$build/analyze-units.txt" || exit 2
mapfile -t units < <(sort -u "$build/analyze-units.txt")
echo "analysing ${#units[@]} files"

t0=$(date +%s)
mkdir -p "$build/cppcheck"
# cppcheck: warnings, performance and portability; style is the formatter's and the review's.
if ! cppcheck --project="$ours" -j "$jobs" --quiet --inline-suppr --error-exitcode=1 \
        --enable=warning,performance,portability --std=c++17 \
        --suppress=missingIncludeSystem --suppress=unmatchedSuppression \
        --template='{file}:{line}: cppcheck {severity} ({id}): {message}' \
        --cppcheck-build-dir="$build/cppcheck" 2>&1; then
    status=1
fi
t1=$(date +%s)
echo "cppcheck: $((t1 - t0)) s"

# clang-tidy: one process per file, JOBS at a time; the checks are in .clang-tidy.
printf '%s\n' "${units[@]}" |
    xargs -P "$jobs" -n 4 clang-tidy -p "$build" --quiet --warnings-as-errors='*' 2>/dev/null >"$build/clang-tidy.txt"
tidy=$?
grep -E ': (warning|error):' "$build/clang-tidy.txt" | sort -u
[ $tidy -eq 0 ] || status=1
t2=$(date +%s)
echo "clang-tidy: $((t2 - t1)) s"

[ $status -eq 0 ] && echo "analysers: no finding" || echo "analysers: findings above" >&2
exit $status
