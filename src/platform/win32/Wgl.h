// SPDX-License-Identifier: MIT
// The one WGL context (24-bit colour, 16-bit depth, double-buffered) on a native window, shared
// by the Windows backend and the fake backend's hidden-window GL provider.
#pragma once

#include <windows.h>

namespace plat::detail {

bool WglCreate(HWND window);  // replaces any earlier context; made current; false + LastError
void WglSwap();
void WglRelease();  // no context current afterwards; the window is left alone
HWND WglWindow();  // the window of the current context, or none
// Swap interval of the current context: adaptive (-1) where the driver offers it, else 1; 0
// when off. False when there is no context or the driver has no swap control.
bool WglSetVsync(bool on);

}  // namespace plat::detail
