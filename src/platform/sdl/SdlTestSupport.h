// Test support for the SDL backend: puts events into SDL's own queue, as the window system
// would, and plugs a virtual joystick in and out. Only the backend's own tests use it.
#pragma once

#include <cstdint>

#include "platform/Platform.h"

namespace plat::sdltest {

// A key press or release of a virtual key (letters, digits, Enter, Escape, Space, arrows).
bool PushKey(NativeWindow window, int virtualKey, bool down, bool repeat = false);
bool PushMouseMotion(NativeWindow window, int x, int y);
bool PushMouseButton(NativeWindow window, bool left, bool down, int clicks);
bool PushWindowEvent(NativeWindow window, int sdlWindowEvent);   // e.g. close, focus lost
int WindowEventClose();
int WindowEventFocusLost();
int WindowEventFocusGained();

// Where a window is and how it may change, next to the bounds of the display it is on.
struct WindowFacts {
    int x = 0, y = 0, width = 0, height = 0;
    int displayX = 0, displayY = 0, displayWidth = 0, displayHeight = 0;
    bool resizable = false, maximised = false, fullScreen = false;
};
// False for none or a destroyed window, or when the display cannot be asked.
bool GetWindowFacts(NativeWindow window, WindowFacts* out);

// A virtual joystick with two axes and ten buttons; false when SDL cannot make one.
bool AttachJoystick();
// Axes in SDL's range -32768..32767; bit k of the mask is button k+1.
void SetJoystick(int x, int y, uint32_t buttons);
void DetachJoystick();

}  // namespace plat::sdltest
