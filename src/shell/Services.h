// SPDX-License-Identifier: MIT
// Platform services behind plain names: the millisecond clock, the frame time, the random
// seed and the display mode. Game code reads time only through GetTicks and GetFrameTime.
#pragma once

#include <cstdint>

// The platform's millisecond tick count (wraps after about 49.7 days), or what the tick
// source gives while one is set.
uint32_t GetTicks();
// A demo stands between the game and the clock: while set, GetTicks reads source (none: the
// platform again). Something that must measure real time reads plat::Ticks itself.
using TickSource = uint32_t (*)();
void SetTickSource(TickSource source);

// Duration of the previous frame in milliseconds; 1 before the first frame was measured.
int32_t GetFrameTime();
// The longest frame that motion sees: after a stall of the machine the main loop stores this
// instead, and the damped values advance by no more, so nothing jumps farther than it does in
// a frame of this length.
constexpr int32_t kMaxMotionFrameMs = 100;
// Only the main loop calls this. With QB_FRAME_LOG=FILE in the environment each value is also
// appended to FILE (a test hook).
void SetFrameTime(int32_t milliseconds);

// Seeds srand with the calendar time in seconds.
void SeedRandom();

// Asks the platform for that screen mode (result ignored) and remembers that it changed.
void SetDisplayMode(int width, int height, int bitsPerPixel);
// Returns to the default mode, only when SetDisplayMode changed it.
void RestoreDisplayMode();
bool DisplayModeChanged();
