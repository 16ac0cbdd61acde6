#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# run.sh SCENARIO GAME RUN_DIR OUT_DIR
# Runs one scenario script of this folder on a private X server (Xvfb, 1024 x 768, 24 bits),
# so tests can run side by side. The game is silent (SDL's dummy audio driver).
set -u
here="$(cd "$(dirname "$0")" && pwd)"
scenario="$1"; shift
. "$here/../e2e/lib.sh"
need_tools Xvfb xdotool import convert compare identify
e2e_game_env
xdir=$(mktemp -d)
trap 'stop_xserver; rm -rf "$xdir"' EXIT
start_xserver "$xdir" || fail "no X server"
bash "$here/$scenario.sh" "$@"
