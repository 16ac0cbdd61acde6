# SPDX-License-Identifier: MIT
# A private X server for a test (start_xserver DIR [SIZE], stop_xserver): now part of the one
# e2e library, lib.sh beside this file, which this sources for the scripts that name it.
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
