# SPDX-License-Identifier: MIT
# The game scenarios of this folder on top of the one e2e library (../e2e/lib.sh: waits,
# screenshots, pixel counts): the built game, run in the build folder next to ZabroData.arc.
# Sourced, not run.
. "$(dirname "${BASH_SOURCE[0]}")/../e2e/lib.sh"

GAME=""        # the quenbrill binary
RUN_DIR=""     # where it runs: the build folder

# start_game GAME RUN_DIR OUT_DIR: starts the game and waits for its window.
start_game() {
    GAME="$(realpath -m "$1")"; RUN_DIR="$2"; OUT_DIR="$3"
    mkdir -p "$OUT_DIR"
    [ -x "$GAME" ] || fail "no game binary at $GAME"
    [ -f "$RUN_DIR/ZabroData.arc" ] || fail "no ZabroData.arc in $RUN_DIR (build the media target)"
    e2e_start_game "$RUN_DIR" "$GAME"
}
