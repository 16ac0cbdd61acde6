#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian packages the build, the tests and the game need, when any is missing.
set -euo pipefail

pkgs=(
  build-essential cmake pkg-config
  libsdl2-dev libgl-dev libglu1-mesa-dev libgl1-mesa-dri libegl-mesa0 libegl1
  libgtest-dev libgmock-dev libpng-dev
  xvfb xauth xdotool imagemagick x11-utils
  desktop-file-utils dpkg-dev openbox
  lintian appstream reuse mandoc clang-format
)
# `install-deps.sh windows`: the cross compiler, GoogleTest's sources and Wine as well
# (without Wine's recommended extras, which the tests do not need: about 20 packages, not 85).
apt_flags=()
if [ "${1:-}" = windows ]; then
  pkgs+=(g++-mingw-w64-x86-64-posix googletest wine64)
  apt_flags+=(--no-install-recommends)
fi
# `install-deps.sh web`: emscripten with the node modules it runs, GoogleTest's sources (built
# for the browser), and Chromium with its WebDriver for the browser tests.
[ "${1:-}" = web ] && pkgs+=(emscripten nodejs node-acorn googletest python3 chromium chromium-driver)
# `make fuzz` also needs clang, whose package brings libFuzzer.
[ "${1:-}" = fuzz ] && pkgs+=(clang)
# `make analyze` (scripts/analyze.sh): the static analysers.
[ "${1:-}" = analyze ] && pkgs+=(cppcheck clang-tidy)

missing=()
for p in "${pkgs[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then sudo="sudo"; else
    echo "error: packages missing (${missing[*]}) and not running as root" >&2; exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q "${apt_flags[@]}" "${missing[@]}"
