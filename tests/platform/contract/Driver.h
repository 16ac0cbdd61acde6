// SPDX-License-Identifier: MIT
// The driver of the platform contract suite: it plays the user and the system beneath one
// backend, so that the same tests run on every backend. Each backend has one driver in
// tests/platform/drivers/; tests/platform/CMakeLists.txt builds the suite once per backend
// with it (qb_contract_suite).
//
// A driver acts the way the backend's host does: a key press arrives as the window system
// delivers it (a message in the queue and the key state), time passes on the clock the
// backend reads, a joystick is plugged in where the tests can make one. Where the host cannot
// do a thing at all (no virtual joystick, no way to take the sound device away) the driver
// says so and the tests that need it are skipped; it never pretends.
//
// A backend whose host owns the frame loop (a browser: RunLoop returns at once and the frames
// come from the host) answers HostOwnsTheLoop() with true, and its WaitUntil hands control
// back to the host between looks (under emscripten: emscripten_sleep with ASYNCIFY), so that
// events and frames can arrive while a test waits.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/Platform.h"

namespace contract {

// The limit of every wait: it only ends a broken run and stands for no timing of the backend.
constexpr int kWaitLimitMs = 20000;

const char* BackendName();
void SetUp();  // before each test
void TearDown();  // after each test, once the test's windows are gone

bool HostOwnsTheLoop();
// Lets the host run until done() is true; false when it is still false after limitMs.
bool WaitUntil(const std::function<bool()>& done, int limitMs = kWaitLimitMs);
// Lets at least ms milliseconds pass on the backend's clock (plat::Ticks).
void LetTimePass(uint32_t ms);

// ---- the user at a window -----------------------------------------------------------------

// Virtual keys as in Platform.h; alt holds Alt down around the key (Alt+Enter).
bool PressKey(plat::NativeWindow window, int virtualKey, bool alt = false);
bool ReleaseKey(plat::NativeWindow window, int virtualKey);
bool MoveMouse(plat::NativeWindow window, int x, int y);
// The second press of a double click is a down with doubleClick set.
bool MouseButton(plat::NativeWindow window, bool left, bool down, bool doubleClick = false);
bool ClickCloseButton(plat::NativeWindow window);
// The user switches to another application and back (the window loses and gains the focus).
bool SwitchAway(plat::NativeWindow window);
bool SwitchBack(plat::NativeWindow window);

// ---- what the host shows ------------------------------------------------------------------

struct WindowFacts {
    int x = 0, y = 0, width = 0, height = 0;  // the window's frame on the screen
    int screenX = 0, screenY = 0, screenWidth = 0, screenHeight = 0;  // its screen
    bool resizable = false, maximisable = false, visible = false;
};
// False for none or a destroyed window, or when the host has no screen to place windows on.
bool GetWindowFacts(plat::NativeWindow window, WindowFacts* out);
// The size a desktop full-screen window gets; false when the host cannot tell.
bool GetScreenSize(int* width, int* height);
// 1 when the window shows an icon of its own (SetWindowIcon), 0 when not, -1 when the host
// cannot tell.
int ShowsOwnIcon(plat::NativeWindow window);
// The name of the running test program, looked for in plat::ExecutableDir(); "" when the
// backend need not know its folder.
std::string ProgramFileName();

// ---- devices (false: the host cannot make one here, the test is skipped) -----------------

bool PlugJoystick();
void SetJoystick(uint32_t x, uint32_t y, uint32_t buttons);  // the contract's units
void UnplugJoystick();
bool PlugGamepad();
void SetGamepad(const plat::GamepadState& state);
void UnplugGamepad();

// Takes the sound device away so that AudioOpen must fail, and gives it back.
bool RemoveAudioDevice();
void RestoreAudioDevice();
// A real device plays what is queued by itself; the fake one is played by a thread of the
// driver between these two calls.
void StartAudioPlayer();
void StopAudioPlayer();

}  // namespace contract
