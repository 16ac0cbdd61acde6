// SPDX-License-Identifier: MIT
#include "shell/Services.h"

#include <cstdio>
#include <cstdlib>

#include "platform/Files.h"
#include "platform/Platform.h"

namespace {

int32_t frameTime = 1;
TickSource tickSource = nullptr;
bool displayModeChanged = false;

}  // namespace

uint32_t GetTicks() { return tickSource ? tickSource() : plat::Ticks(); }

void SetTickSource(TickSource source) { tickSource = source; }

int32_t GetFrameTime() { return frameTime; }

namespace {

// QB_FRAME_LOG=FILE: every frame time is appended to FILE, one number a line, as it is set
// (the end-to-end tests read how far the game moved things in each frame).
std::FILE* FrameLog()
{
    static std::FILE* log = [] {
        const char* name = std::getenv("QB_FRAME_LOG");
        return name && *name ? plat::OpenFile(name, "w") : nullptr;
    }();
    return log;
}

}  // namespace

void SetFrameTime(int32_t milliseconds)
{
    frameTime = milliseconds;
    if (std::FILE* log = FrameLog()) {
        std::fprintf(log, "%d\n", static_cast<int>(milliseconds));
        std::fflush(log);
    }
}

void SeedRandom() { std::srand(static_cast<unsigned>(plat::CalendarTime())); }

void SetDisplayMode(int width, int height, int bitsPerPixel)
{
    plat::ChangeDisplayMode(width, height, bitsPerPixel);
    displayModeChanged = true;
}

void RestoreDisplayMode()
{
    if (displayModeChanged) plat::RestoreDisplayMode();
    displayModeChanged = false;
}

bool DisplayModeChanged() { return displayModeChanged; }
