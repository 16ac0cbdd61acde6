// SPDX-License-Identifier: MIT
// Between the files of the SDL backend.
#pragma once

#include <SDL.h>

#include "platform/Platform.h"

namespace plat::detail {

SDL_Window* SdlWindowOf(NativeWindow window);  // nullptr for none or a destroyed window

}  // namespace plat::detail
