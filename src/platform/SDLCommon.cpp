// SPDX-License-Identifier: MIT
#include "platform/SDLCommon.h"

#include <cstdlib>
#include <string>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "platform/Platform.h"

namespace plat {

namespace {
SDL_GLContext gContext = nullptr;
SDL_Window* gContextWindow = nullptr;
}  // namespace

namespace {

// Mesa's software rasteriser takes a buffer of several megabytes from the heap for a draw and
// gives it back after. glibc hands a freed top of the heap back to the system once it passes
// a threshold, so with a few hundred ships in view every draw met fresh pages and paid a page
// fault for each: frames of 50 ms where 17 would do. Freed memory up to this much now stays
// with the program (it is reused by the next draw, so the peak does not grow). Fixing the
// threshold stops glibc from raising the size from which it maps each block apart, so that
// size is set to glibc's own largest as well: blocks below it come from the heap, as before.
void KeepFreedMemory()
{
#if defined(__GLIBC__)
    mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
#endif
}

}  // namespace

namespace detail {

void SetSDLError(const char* what)
{
    std::string text = what ? what : "";
    const char* why = SDL_GetError();
    if (why && *why) {
        text += ": ";
        text += why;
    }
    SetError(text.c_str());
}

bool StartVideo(const char* defaultDrivers)
{
    static bool started = false;
    if (started) return true;
    const char* env = std::getenv("SDL_VIDEODRIVER");
    if ((!env || !*env) && defaultDrivers) SDL_SetHint(SDL_HINT_VIDEODRIVER, defaultDrivers);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        SetSDLError("cannot start SDL video");
        return false;
    }
    if (SDL_GL_LoadLibrary(nullptr) != 0) {
        SetSDLError("cannot load OpenGL");
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    KeepFreedMemory();
    started = true;
    return true;
}

void SetGLAttributes()
{
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
}

bool CreateGLContext(SDL_Window* window)
{
    if (!window) {
        SetError("no window");
        return false;
    }
    ReleaseGL();
    gContext = SDL_GL_CreateContext(window);
    if (!gContext) {
        SetSDLError("SDL");
        return false;
    }
    if (SDL_GL_MakeCurrent(window, gContext) != 0) {
        SetSDLError("cannot make it current");
        SDL_GL_DeleteContext(gContext);
        gContext = nullptr;
        return false;
    }
    gContextWindow = window;
    return true;
}

void SwapGL()
{
    if (gContext && gContextWindow) SDL_GL_SwapWindow(gContextWindow);
}

bool SetSwapInterval(bool vsync)
{
    if (!gContext) {
        SetError("no GL context");
        return false;
    }
    if (!vsync) return SDL_GL_SetSwapInterval(0) == 0;
    if (SDL_GL_SetSwapInterval(-1) == 0) return true;
    if (SDL_GL_SetSwapInterval(1) == 0) return true;
    SetSDLError("vsync");
    return false;
}

void ReleaseGL()
{
    if (!gContext) return;
    SDL_GL_MakeCurrent(nullptr, nullptr);
    SDL_GL_DeleteContext(gContext);
    gContext = nullptr;
    gContextWindow = nullptr;
}

SDL_Window* GLWindow() { return gContext ? gContextWindow : nullptr; }

}  // namespace detail
}  // namespace plat
