// SPDX-License-Identifier: MIT
// Code shared by the SDL backend and the fake backend's SDL GL provider (not part of the
// contract): the SDL video subsystem and the one OpenGL context, which both create through SDL.
#pragma once

#include <SDL.h>

#include "platform/Detail.h"

namespace plat::detail {

void SetSDLError(const char* what);  // LastError() = "what: <SDL's reason>"

// Starts SDL's video subsystem and loads the GL library, once for the whole run (unloading
// the GL driver would make its own allocations look like leaks to the sanitizers). When the
// environment names no video driver, defaultDrivers is used (a comma-separated list; nullptr:
// SDL's own choice). False with LastError set when it cannot start.
bool StartVideo(const char* defaultDrivers);

// Asks for 24-bit colour, 16-bit depth and double buffering; call before creating a window
// that is to carry a context.
void SetGLAttributes();
// Creates the one context on the window and makes it current. False with LastError set.
bool CreateGLContext(SDL_Window* window);
void SwapGL();
// Vsync on (adaptive where offered, else every refresh) or off for the current context.
bool SetSwapInterval(bool vsync);
void ReleaseGL();  // no context current afterwards; the window is left alone
SDL_Window* GLWindow();  // the window of the current context, or nullptr

}  // namespace plat::detail
