#!/bin/sh
# SPDX-License-Identifier: MIT
# Before and after in one sitting: runs two builds of the frame benchmark in turn (before,
# after, before, after, ...), so that a change of load on the machine hits both alike, and
# prints the median of the runs' summary figures for each, with the load average.
#
#   bench/frame/compare.sh BEFORE AFTER [RUNS] [-- benchmark options]
#
# BEFORE and AFTER are quenbrill-bench-frame executables (or quenbrill-bench-mixer ones: then
# the figures are those of their "median of" lines). RUNS defaults to 5.
set -eu
if [ $# -lt 2 ]; then
    echo "usage: $0 BEFORE AFTER [RUNS] [-- benchmark options]" >&2
    exit 2
fi
before=$1
after=$2
shift 2
runs=5
if [ $# -gt 0 ] && [ "$1" != "--" ]; then
    runs=$1
    shift
fi
[ $# -gt 0 ] && [ "$1" = "--" ] && shift
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg 2>/dev/null || echo ?)"
i=1
while [ "$i" -le "$runs" ]; do
    for which in before after; do
        if [ "$which" = before ]; then exe=$before; else exe=$after; fi
        "$exe" "$@" > "$out/$which.$i" 2>&1 || {
            echo "$exe failed:" >&2
            cat "$out/$which.$i" >&2
            exit 1
        }
    done
    i=$((i + 1))
done
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg 2>/dev/null || echo ?)"

# key=value pairs of each run's "summary:" line (the mixer's "median of" line gives ms and x).
for which in before after; do
    cat "$out/$which".* | awk -v which="$which" '
        /^summary:/ { for (i = 2; i <= NF; ++i) { split($i, kv, "="); v[kv[1]] = v[kv[1]] " " kv[2] } }
        /^median of/ { v["ms_per_buffer"] = v["ms_per_buffer"] " " $5; x = $(NF - 2); sub("x", "", x);
                       v["times_real_time"] = v["times_real_time"] " " x }
        END {
            for (k in v) {
                n = split(v[k], a, " ")
                for (i = 1; i <= n; ++i) for (j = i + 1; j <= n; ++j) if (a[j] + 0 < a[i] + 0) { t = a[i]; a[i] = a[j]; a[j] = t }
                printf "%-16s %-6s median %s of %d runs:%s\n", k, which, a[int((n + 1) / 2)], n, v[k]
            }
        }'
done | sort
