// SPDX-License-Identifier: MIT
// Counts the program's calls into the GL library. Where counting is built in (Linux on
// x86-64), every GL entry point of GL/gl.h is interposed in the benchmark executable by a
// two-instruction trampoline that adds one to the entry's counter and jumps on to the real
// function, so calls are counted exactly (GLU's calls into GL included) at almost no cost.
#pragma once

#include <cstdint>

extern "C" {
int QbGlCounting(void);  // 1 when calls are counted
uint64_t QbGlCallTotal(void);  // calls so far, all entry points together
int QbGlEntryCount(void);  // number of interposed entry points
const char* QbGlEntryName(int entry);
uint64_t QbGlEntryCalls(int entry);  // calls so far of one entry point
}
