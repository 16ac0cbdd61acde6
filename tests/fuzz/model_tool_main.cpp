// SPDX-License-Identifier: MIT
// quenbrill-model's own source with its main renamed, so a fuzz target can run its commands.
#define main ModelToolMain
#include "../../tools/model/main.cpp"
