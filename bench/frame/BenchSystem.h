// SPDX-License-Identifier: MIT
// Everything the frame benchmark needs from the operating system, in one place so that a port
// swaps this file (BenchSystem.cpp) and nothing else.
#pragma once

// Milliseconds on a steady wall clock, and CPU milliseconds of the whole process (every
// thread: the software rasteriser draws on threads of its own). Both from an arbitrary origin.
struct BenchStamp {
    double wallMs = 0.0;
    double cpuMs = 0.0;
};
BenchStamp BenchNow();

// Makes dir the working directory; false (with a message on stderr) when it cannot.
bool BenchChangeDir(const char* dir);
// Peak resident memory of the process in KB, or -1 when the system does not say.
long BenchPeakMemoryKB();
