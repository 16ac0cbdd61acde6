// SPDX-License-Identifier: MIT
// Controls of the fake platform backend (qb_platform_fake), for tests. Link the fake backend and
// drive the game deterministically: set the clock, script messages, keys and the joystick,
// read what the audio device was given and fire its done notifications.
// qb_platform_fake has no OpenGL; qb_platform_fake_gl creates real GL contexts on a hidden
// window of its own (offscreen on Linux, WGL on Windows) while clock and input stay scripted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace plat::fake {

void Reset();  // clock 0, empty queue, keys up, no joystick, audio closed, windows forgotten

void SetTicks(uint32_t ms);
void AdvanceTicks(uint32_t ms);
void SetCalendarTime(int64_t seconds);

// Puts a message at the end of the queue (window may be a window made by CreateNativeWindow).
void PushMessage(const Message& msg);
size_t PendingMessages();
// Messages the next CreateNativeWindow sends straight to the new window's procedure while it
// is being created (their window field is filled in), as a real system does.
void SendOnCreate(const Message& msg);

// WaitMessage with an empty queue runs this hook (a test pushes messages or moves the clock
// there). If the queue is still empty afterwards, WaitMessage posts a quit message with exit
// code kNothingToWaitFor instead of blocking forever.
void SetWaitHook(std::function<void()> hook);
constexpr int kNothingToWaitFor = 0x7e57;
int WaitCount();  // WaitMessage calls since Reset
// Runs at every GLSwapBuffers before the swap, with the finished picture still in the buffer
// (a test reads it back there).
void SetSwapHook(std::function<void()> hook);

void SetKeyDown(int virtualKey, bool down);  // going down also sets the pressed-since bit
void TapKey(int virtualKey);  // pressed and released between two queries

void SetJoystick(bool attached, uint32_t x = 32767, uint32_t y = 32767, uint32_t buttons = 0);
void SetGamepad(bool attached, const GamepadState& state = GamepadState());

void SetExecutableDir(const std::string& dir);  // what ExecutableDir() gives ("" after Reset)
void SetDesktopSize(int width, int height);  // a full-screen window's size (1024 x 768)
// The icon last given to the window (empty when none) and its size.
std::vector<uint8_t> WindowIcon(NativeWindow window, int* width = nullptr, int* height = nullptr);
// The last GLSetVsync on a context: 1 on, 0 off, -1 never asked. Only recorded: the hidden
// context never waits for a display, so tests and the benchmark run at full speed.
int Vsync();

// Audio device.
void SetAudioAvailable(bool available);  // false: AudioOpen fails
bool AudioIsOpen();
size_t AudioQueuedCount();
std::vector<uint8_t> AudioQueuedBuffer(size_t index);  // copy of a queued buffer, oldest first
// Plays the oldest queued buffer to its end: records it, removes it and calls the done
// procedure on the calling thread (tests run it from a thread of their own to mimic the device).
bool AudioCompleteOne();
// Every completed buffer, in order. Read it once no thread completes buffers any more.
const std::vector<std::vector<uint8_t>>& AudioPlayed();

void SetVideoAvailable(bool available);  // false: CreateNativeWindow / GLCreateContext fail
int DisplayModeChanges();  // ChangeDisplayMode calls minus RestoreDisplayMode calls
NativeWindow LastCreatedWindow();
bool WindowExists(NativeWindow window);  // created and not yet destroyed
bool HasGLContext();  // a context made by GLCreateContext is current

}  // namespace plat::fake
