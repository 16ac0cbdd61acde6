#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# check-layers.sh [SOURCE_DIR]: checks the include graph against the floors of the source tree
# (HACKING.md, "Floors"), lowest first:
#
#   platform  shell  math  assets  render  entities  game
#
# 1. A file of src/ includes headers of its own floor and of the floors below it, never above.
# 2. Outside src/platform/, only the contract is included from it: platform/Platform.h and
#    platform/Files.h, platform/System.h (and, in tests, tools and benchmarks, the fake backend's controls,
#    platform/FakePlatform.h). A backend's own headers stay in its folder; the contract
#    suite's drivers (tests/platform/drivers/), the backends' own checks and their test
#    helpers (tests/platform/*TestSupport.*, tests/wine/*_check.cpp) may use them.
# 3. The headers of the floors above shell include nothing of platform/: the contract stays
#    out of their interfaces (a header may name the window handle, plat::NativeWindowRec, by
#    a declaration of its own).
# 4. Only src/platform/ and the backend-specific tests include a system's own interface (SDL,
#    Win32, the browser's emscripten headers).
# Prints every breach as FILE:LINE: what and why, and fails when there is one.
set -u
root="${1:-$(cd "$(dirname "$0")/.." && pwd)}"
cd "$root" || exit 2

# Every #include "..." and #include <...> of the C and C++ sources, as FILE:LINE:TEXT.
includes=$(grep -rn --include='*.cpp' --include='*.h' --include='*.c' -E '^[[:space:]]*#[[:space:]]*include' \
    src tools tests bench 2>/dev/null)

echo "$includes" | awk -F: '
BEGIN {
    n = split("platform shell math assets render entities game", floors, " ")
    for (i = 1; i <= n; i++) rank[floors[i]] = i
    contract["platform/Platform.h"] = 1
    contract["platform/Files.h"] = 1
    contract["platform/System.h"] = 1
    bad = 0
}
function breach(what) { printf "%s:%s: %s\n", file, line, what; bad = 1 }
{
    file = $1; line = $2
    text = $0; sub(/^[^:]*:[^:]*:/, "", text)
    quoted = match(text, /"[^"]+"/)
    target = quoted ? substr(text, RSTART + 1, RLENGTH - 2) : ""
    if (!quoted && match(text, /<[^>]+>/)) system_header = substr(text, RSTART + 1, RLENGTH - 2)
    else system_header = ""

    split(file, part, "/")
    top = part[1]; floor = (top == "src") ? part[2] : ""
    is_header = (file ~ /\.h$/)
    # The checks of the web backend run in the browser: tests/web/ holds them.
    backend_test = (file ~ /^tests\/platform\/(drivers\/|[a-z0-9_]+_backend_check\.cpp$|[A-Za-z0-9]+TestSupport\.(cpp|h)$)/ ||
                    file ~ /^tests\/wine\/[a-z0-9_]+_check\.cpp$/ || file ~ /^tests\/web\//)

    # 4. The systems themselves.
    if (system_header ~ /^(SDL[^\/]*\.h|SDL2\/|windows\.h|mmsystem\.h|xinput\.h|emscripten)/ &&
        !(top == "src" && floor == "platform") && !backend_test)
        breach("includes <" system_header ">: only src/platform/ talks to the system")

    if (target == "") next
    split(target, tpart, "/")
    tfloor = tpart[1]
    if (!(tfloor in rank)) next

    # 1. Floors.
    if (floor in rank && rank[tfloor] > rank[floor])
        breach("includes " target ": " floor "/ sits below " tfloor "/")

    # 2. Only the contract from outside the platform folder.
    if (tfloor == "platform" && !(top == "src" && floor == "platform") && !(target in contract)) {
        if (target == "platform/FakePlatform.h" && (top == "tests" || top == "tools" || top == "bench")) {
        } else if (backend_test) {
        } else {
            breach("includes " target ": outside src/platform/ only the contract (Platform.h, Files.h, System.h) is used")
        }
    }

    # 3. The interfaces above the shell keep the platform out.
    if (tfloor == "platform" && is_header && floor in rank && rank[floor] > rank["shell"])
        breach("includes " target " in a header of " floor "/: the platform stays out of the interfaces above shell/")
}
END { exit bad }
'
status=$?
[ $status -eq 0 ] && echo "include graph follows the floors"
exit $status
