// SPDX-License-Identifier: MIT
// quenbrill-arc's own source with its main renamed, so a fuzz target can run its commands.
#define main ArcToolMain
#include "../../tools/arc/main.cpp"
