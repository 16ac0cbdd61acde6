// SPDX-License-Identifier: MIT
// Shared by the fuzz targets: scratch files named after the process, so several fuzzers (or
// libFuzzer's forked jobs) can run side by side in one folder.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace fuzz {

// A scratch path for this process: $TMPDIR (or /tmp)/qb-fuzz-<pid>-<tag>.
inline std::string ScratchPath(const char* tag)
{
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/qb-fuzz-" + std::to_string(getpid()) + "-" +
           tag;
}

inline bool WriteFile(const std::string& path, const uint8_t* data, size_t size)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = size == 0 || std::fwrite(data, size, 1, f) == 1;
    return std::fclose(f) == 0 && ok;
}

// The whole file, or nothing when it cannot be read.
inline std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::vector<uint8_t> bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        int c;
        while ((c = std::fgetc(f)) != EOF) bytes.push_back(uint8_t(c));
        std::fclose(f);
    }
    return bytes;
}

// Stops the run with a crash the fuzzer records, when a promise of the code under test breaks.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (0)

// Runs a tool's main (renamed) with these arguments; a tool answers 0 or 1, never anything else
// for a well-formed command line.
inline int RunTool(int (*toolMain)(int, char**), std::vector<std::string> args)
{
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    int result = toolMain(int(args.size()), argv.data());
    FUZZ_CHECK(result == 0 || result == 1);
    return result;
}

}  // namespace fuzz
