// SPDX-License-Identifier: MIT
// What the program asks of the system outside the window contract (every backend carries it):
// its CPU time and the name of the system it was built for.
#pragma once

#include <cstdint>

namespace plat {

// CPU time used so far by the whole process, every thread together, in microseconds from an
// arbitrary origin; 0 when the system does not say.
uint64_t ProcessCpuMicros();

// The system, C library and processor the program was built for, as "linux-glibc-x86_64" or
// "windows-msvcrt-x86_64": programs built for different ones may draw other random numbers
// and round the maths functions differently.
const char* SystemName();

}  // namespace plat
