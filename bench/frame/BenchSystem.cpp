// SPDX-License-Identifier: MIT
#include "BenchSystem.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#if defined(__unix__) || defined(__APPLE__)
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#endif

BenchStamp BenchNow()
{
    BenchStamp s;
    s.wallMs = std::chrono::duration<double, std::milli>(
                   std::chrono::steady_clock::now().time_since_epoch())
                   .count();
#if defined(CLOCK_PROCESS_CPUTIME_ID)
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    s.cpuMs = static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
#else
    // std::clock is process CPU time on POSIX systems but wall time on some others: a port
    // without CLOCK_PROCESS_CPUTIME_ID replaces this with the system's own process times.
    s.cpuMs = 1000.0 * static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
#endif
    return s;
}

#if defined(__unix__) || defined(__APPLE__)
bool BenchChangeDir(const char* dir)
{
    if (chdir(dir) == 0) return true;
    std::perror(dir);
    return false;
}

long BenchPeakMemoryKB()
{
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0) return -1;
    return usage.ru_maxrss;
}
#endif
