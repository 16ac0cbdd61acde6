// SPDX-License-Identifier: MIT
#include "TempFile.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <utility>

#include "platform/Files.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

// The names the signal handler removes. A handler may only touch lock-free atomics, so each
// slot is a pointer to the TempFile's own text, set and cleared atomically.
constexpr int kSlots = 32;
std::atomic<const char*> gSlots[kSlots];

std::mutex gInstallMutex;  // guards the count and the saved handlers (never the handler)
int gLive = 0;

void RemoveInHandler(const char* path)
{
#ifdef _WIN32
    plat::RemoveFile(path);  // Ctrl+C runs the handler on a thread of its own there
#else
    unlink(path);  // async-signal-safe
#endif
}

extern "C" void OnStopSignal(int sig)
{
    for (std::atomic<const char*>& slot : gSlots) {
        if (const char* path = slot.load()) RemoveInHandler(path);
    }
    // Then stop as the signal would have stopped us, so the caller sees how the tool ended.
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

// The handlers are ours while a TempFile lives; whatever was there before (a default, or the
// handler of a program that runs the tool's code in its own process) comes back afterwards.
#ifdef _WIN32
void (*gPrevious[2])(int);
void InstallHandlers()
{
    gPrevious[0] = std::signal(SIGINT, OnStopSignal);
    gPrevious[1] = std::signal(SIGTERM, OnStopSignal);
}
void RestoreHandlers()
{
    std::signal(SIGINT, gPrevious[0] == SIG_ERR ? SIG_DFL : gPrevious[0]);
    std::signal(SIGTERM, gPrevious[1] == SIG_ERR ? SIG_DFL : gPrevious[1]);
}
#else
struct sigaction gPrevious[2];
void InstallHandlers()
{
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &gPrevious[0]);
    sigaction(SIGTERM, &action, &gPrevious[1]);
}
void RestoreHandlers()
{
    sigaction(SIGINT, &gPrevious[0], nullptr);
    sigaction(SIGTERM, &gPrevious[1], nullptr);
}
#endif

}  // namespace

TempFile::TempFile(std::string name) : path(std::move(name))
{
    std::lock_guard<std::mutex> lock(gInstallMutex);
    if (gLive++ == 0) InstallHandlers();
    for (int i = 0; i < kSlots; ++i) {
        const char* empty = nullptr;
        if (gSlots[i].compare_exchange_strong(empty, path.c_str())) {
            slot = i;
            break;
        }
    }
}

void TempFile::Forget()
{
    if (slot >= 0) gSlots[slot].store(nullptr);
    slot = -1;
    forgotten = true;
}

TempFile::~TempFile()
{
    // Removed before it leaves the list, so that a signal in between finds it gone or removes
    // it itself.
    if (!forgotten) plat::RemoveFile(path.c_str());
    if (slot >= 0) gSlots[slot].store(nullptr);
    std::lock_guard<std::mutex> lock(gInstallMutex);
    if (--gLive == 0) RestoreHandlers();
}
