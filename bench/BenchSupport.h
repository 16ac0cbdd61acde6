// Small helpers the benchmarks share, the same on every system they are built for.
#pragma once

#include <filesystem>
#include <system_error>
#if __has_include(<sys/resource.h>)
#include <sys/resource.h>
#define QB_BENCH_HAVE_RUSAGE 1
#endif

namespace bench {

// The process's peak resident memory in KB, or -1 where the system does not say.
inline long PeakResidentKB() {
#ifdef QB_BENCH_HAVE_RUSAGE
    struct rusage usage;
    if (getrusage(RUSAGE_SELF, &usage) == 0) return usage.ru_maxrss;
#endif
    return -1;
}

// Makes dir the working directory; false when it cannot.
inline bool ChangeDirectory(const char* dir) {
    std::error_code ec;
    std::filesystem::current_path(dir, ec);
    return !ec;
}

}  // namespace bench
