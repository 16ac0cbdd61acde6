// SPDX-License-Identifier: MIT
/* GL call counter: see GlCallCount.h. GlNames.inc is made at configure time from GL/gl.h and
 * holds one GLFN(name) line per entry point. */
#define _GNU_SOURCE  // NOLINT(bugprone-reserved-identifier): the C library's switch for RTLD_NEXT
#include <dlfcn.h>
#include <stdint.h>

#if defined(__x86_64__) && defined(__linux__)

#define HIDDEN __attribute__((visibility("hidden")))

/* One counter and one real address per entry point. */
#define GLFN(name)                 \
    HIDDEN uint64_t qbgl_n_##name; \
    HIDDEN void* qbgl_r_##name;
#include "GlNames.inc"
#undef GLFN

/* The trampolines: the argument registers and the stack are left exactly as the caller made
 * them, so one body serves every signature. */
#define GLFN(name)                           \
    __asm__(                                 \
        ".text\n"                            \
        ".globl " #name                      \
        "\n"                                 \
        ".type " #name ", @function\n" #name \
        ":\n"                                \
        "\tincq qbgl_n_" #name               \
        "(%rip)\n"                           \
        "\tjmp *qbgl_r_" #name               \
        "(%rip)\n"                           \
        ".size " #name ", .-" #name "\n");
#include "GlNames.inc"
#undef GLFN

struct Entry {
    const char* name;
    uint64_t* calls;
    void** real;
};

static struct Entry entries[] = {
#define GLFN(name) {#name, &qbgl_n_##name, &qbgl_r_##name},
#include "GlNames.inc"
#undef GLFN
};

enum { kEntries = sizeof entries / sizeof entries[0] };

/* Before main: every trampoline learns where the GL library's own function is. An entry the
 * library lacks stays null; the program never calls such a function (it would not link). */
__attribute__((constructor)) static void ResolveRealFunctions(void)
{
    for (int i = 0; i < kEntries; ++i) *entries[i].real = dlsym(RTLD_NEXT, entries[i].name);
}

int QbGlCounting(void) { return 1; }

uint64_t QbGlCallTotal(void)
{
    uint64_t total = 0;
    for (int i = 0; i < kEntries; ++i) total += *entries[i].calls;
    return total;
}

int QbGlEntryCount(void) { return kEntries; }

const char* QbGlEntryName(int entry)
{
    return entry >= 0 && entry < kEntries ? entries[entry].name : "";
}

uint64_t QbGlEntryCalls(int entry)
{
    return entry >= 0 && entry < kEntries ? *entries[entry].calls : 0;
}

#else

/* Elsewhere nothing is counted and the benchmark says so. */
int QbGlCounting(void) { return 0; }
uint64_t QbGlCallTotal(void) { return 0; }
int QbGlEntryCount(void) { return 0; }
const char* QbGlEntryName(int entry)
{
    (void)entry;
    return "";
}
uint64_t QbGlEntryCalls(int entry)
{
    (void)entry;
    return 0;
}

#endif
