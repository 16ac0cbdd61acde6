// SPDX-License-Identifier: MIT
// The fake backend's GL context through SDL: a hidden window on the offscreen driver (unless
// SDL_VIDEODRIVER names another), drawn by the software rasteriser.
#include "platform/SDLCommon.h"
#include "platform/fakegl/FakeGL.h"

namespace plat::detail {
namespace {
SDL_Window* gWindow = nullptr;  // hidden window that carries the context
}  // namespace

bool FakeGLCreate(const char* title, int width, int height)
{
    FakeGLRelease();
    if (!StartVideo("offscreen")) return false;
    SetGLAttributes();
    gWindow = SDL_CreateWindow(title, 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!gWindow) {
        SetSDLError("hidden SDL window");
        return false;
    }
    if (!CreateGLContext(gWindow)) {
        SDL_DestroyWindow(gWindow);
        gWindow = nullptr;
        return false;
    }
    return true;
}

void FakeGLSwap() { SwapGL(); }

void FakeGLRelease()
{
    ReleaseGL();
    if (gWindow) {
        SDL_DestroyWindow(gWindow);
        gWindow = nullptr;
    }
}

bool FakeGLCurrent() { return GLWindow() != nullptr; }

}  // namespace plat::detail
