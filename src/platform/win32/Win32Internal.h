// SPDX-License-Identifier: MIT
// Between the files of the Windows backend.
#pragma once

#include <windows.h>
#undef PeekMessage
#undef DispatchMessage

#include "platform/Platform.h"

namespace plat::detail {

HWND HandleOf(NativeWindow window);  // none for none or a destroyed window
int DeviceProbes();  // looks for an absent gamepad or joystick so far

}  // namespace plat::detail
