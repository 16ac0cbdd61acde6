// SPDX-License-Identifier: MIT
// Test support for the SDL backend: puts events into SDL's own queue, as the window system
// would, and plugs a virtual joystick in and out. Only the backend's own tests use it.
#pragma once

#include <cstdint>

#include "platform/Platform.h"

namespace plat::sdltest {

// A key press or release of a virtual key (letters, digits, Enter, Escape, Space, arrows).
// F11 is virtual key 0x7A.
bool PushKey(NativeWindow window, int virtualKey, bool down, bool repeat = false, bool alt = false);
bool PushMouseMotion(NativeWindow window, int x, int y);
bool PushMouseButton(NativeWindow window, bool left, bool down, int clicks);
bool PushWindowEvent(NativeWindow window, int sdlWindowEvent);  // e.g. close, focus lost
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
bool PointerShown();  // SDL's switch for the mouse pointer

// A plain virtual joystick with two axes and ten buttons (no gamepad layout SDL knows); false
// when SDL cannot make one.
bool AttachJoystick();
// Axes in SDL's range -32768..32767; bit k of the mask is button k+1.
void SetJoystick(int x, int y, uint32_t buttons);
void DetachJoystick();

// A virtual gamepad with the common layout, which SDL recognises as one. Buttons in SDL's
// gamepad numbering; bit k of the mask in SetGamepad is button k.
enum PadButton {
    PAD_SOUTH = 0,
    PAD_EAST = 1,
    PAD_WEST = 2,
    PAD_NORTH = 3,
    PAD_BACK = 4,
    PAD_START = 6,
    PAD_UP = 11,
    PAD_DOWN = 12,
    PAD_LEFT = 13,
    PAD_RIGHT = 14
};
bool AttachGamepad();
void SetGamepad(int stickX, int stickY, uint32_t buttons);  // stick in -32768..32767
void DetachGamepad();

}  // namespace plat::sdltest
