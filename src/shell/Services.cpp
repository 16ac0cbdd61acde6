// SPDX-License-Identifier: MIT
#include "shell/Services.h"

#include <cstdlib>

#include "platform/Platform.h"

namespace {

int32_t frameTime = 1;
TickSource tickSource = nullptr;
bool displayModeChanged = false;

}  // namespace

uint32_t GetTicks() { return tickSource ? tickSource() : plat::Ticks(); }

void SetTickSource(TickSource source) { tickSource = source; }

int32_t GetFrameTime() { return frameTime; }

void SetFrameTime(int32_t milliseconds) { frameTime = milliseconds; }

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
