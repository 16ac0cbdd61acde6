// SPDX-License-Identifier: MIT
#include "platform/System.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>

#include <ctime>
#endif

namespace plat {

uint64_t ProcessCpuMicros()
{
#ifdef _WIN32
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    auto count = [](const FILETIME& t) {
        return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return (count(kernel) + count(user)) / 10;  // 100 ns steps
#elif defined(CLOCK_PROCESS_CPUTIME_ID)
    timespec ts{};
    if (clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts) != 0) return 0;
    return static_cast<uint64_t>(ts.tv_sec) * 1000000u + static_cast<uint64_t>(ts.tv_nsec) / 1000u;
#else
    return static_cast<uint64_t>(std::clock()) * 1000000u / CLOCKS_PER_SEC;
#endif
}

const char* SystemName()
{
#if defined(_WIN32)
#define QB_OS "windows"
#elif defined(__EMSCRIPTEN__)
#define QB_OS "web"
#elif defined(__linux__)
#define QB_OS "linux"
#elif defined(__APPLE__)
#define QB_OS "macos"
#elif defined(__FreeBSD__)
#define QB_OS "freebsd"
#else
#define QB_OS "unix"
#endif

#if defined(_UCRT)
#define QB_LIBC "ucrt"
#elif defined(_WIN32)
#define QB_LIBC "msvcrt"
#elif defined(__GLIBC__)
#define QB_LIBC "glibc"
#elif defined(__EMSCRIPTEN__)
#define QB_LIBC "musl"
#else
#define QB_LIBC "libc"
#endif

#if defined(__x86_64__) || defined(_M_X64)
#define QB_CPU "x86_64"
#elif defined(__aarch64__) || defined(_M_ARM64)
#define QB_CPU "arm64"
#elif defined(__i386__) || defined(_M_IX86)
#define QB_CPU "x86"
#elif defined(__wasm32__)
#define QB_CPU "wasm32"
#else
#define QB_CPU "cpu"
#endif
    return QB_OS "-" QB_LIBC "-" QB_CPU;
}

}  // namespace plat
