// SPDX-License-Identifier: MIT
// Test support for the Windows backend: facts about a native window and direct native sends
// and posts, as the system itself would make them. Only the backend's own tests use it.
#pragma once

#include <cstdint>

#include "platform/Platform.h"

namespace plat::win32test {

struct WindowFacts {
    int x = 0, y = 0, width = 0, height = 0;  // outer frame
    int screenWidth = 0, screenHeight = 0;
    bool resizable = false, maximiseBox = false, visible = false;
};
bool GetWindowFacts(NativeWindow window, WindowFacts* out);  // false for none or destroyed

// Sends a message straight to the window's native procedure and returns its result.
intptr_t SendNative(NativeWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// Asks the window, as the system does when the mouse moves over its client area, which pointer
// to show, starting from none (hiddenBefore) or the arrow; true when one shows afterwards.
bool PointerShownAfterMove(NativeWindow window, bool hiddenBefore);
// Posts a message to the window through the system's queue.
bool PostNative(NativeWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// Asks the system to make the window the foreground window; true when it is afterwards.
bool MakeForeground(NativeWindow window);
bool IsForeground(NativeWindow window);
// A plain window of the system's own class, not one of the backend's (another program's
// window, as far as the backend can tell), made the foreground window; none on failure.
void* MakeForeignForeground();
void DestroyForeign(void* window);
// How often the backend has looked for an absent gamepad or joystick so far.
int DeviceProbes();

}  // namespace plat::win32test
