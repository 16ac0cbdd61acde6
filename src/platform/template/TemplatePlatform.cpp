// SPDX-License-Identifier: MIT
// The starting point of a new backend (HACKING.md, "Adding a backend"): every function of the
// contract, each doing the least that keeps a program from crashing. Copy this folder, give
// the library a name in Backends.cmake, and fill the functions in until the contract suite
// (tests/platform) passes; the suite's run on this stub shows where each piece is still
// missing.
//
// Implements: the clock (a steady millisecond count), the calendar, the error text, and
// nothing else.
// Leaves out: windows, messages, keys, joystick, gamepad, audio, OpenGL and the frame loop:
// CreateNativeWindow fails, so does everything that needs a window, and RunLoop runs no frame.
#include <chrono>
#include <ctime>

#include "platform/Detail.h"
#include "platform/Platform.h"

namespace plat {

// ---- the program and time ---------------------------------------------------------------

const char* ExecutableDir() { return ""; }  // the folder of the running program, if known

uint32_t Ticks()
{
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return static_cast<uint32_t>(ms.count());
}

int64_t CalendarTime() { return static_cast<int64_t>(std::time(nullptr)); }

void ChangeDisplayMode(int, int, int) {}
void RestoreDisplayMode() {}

// ---- windows and messages ---------------------------------------------------------------

NativeWindow CreateNativeWindow(const WindowDesc&, WindowProc)
{
    detail::SetError("this backend has no windows yet");
    return nullptr;
}

void SetWindowUserData(NativeWindow, void*) {}
void* GetWindowUserData(NativeWindow) { return nullptr; }
bool GetClientSize(NativeWindow, int*, int*) { return false; }
void PostClose(NativeWindow) {}
void PostQuit(int) {}
bool SetFullscreen(NativeWindow, bool) { return false; }
bool IsFullscreen(NativeWindow) { return false; }
void SetWindowIcon(NativeWindow, const uint8_t*, int, int) {}

bool PeekMessage(Message*, bool) { return false; }
void WaitMessage() {}  // must block until a message is waiting
void TranslateMessage(const Message&) {}
void DispatchMessage(const Message&) {}
void DefaultWindowProc(NativeWindow, uint32_t, uintptr_t, intptr_t) {}

// ---- the frame loop ---------------------------------------------------------------------

// A desktop backend links qb_platform_desktop instead; a host that owns the loop calls frame
// once per display frame from here on.
void RunLoop(FrameProc) {}

// ---- keyboard and joystick --------------------------------------------------------------

int16_t GetAsyncKeyState(int) { return 0; }
bool GetJoystick(uint32_t*, uint32_t*, uint32_t*) { return false; }
bool GetGamepad(GamepadState*) { return false; }

// ---- audio ------------------------------------------------------------------------------

bool AudioOpen(int, AudioDoneProc, void*)
{
    detail::SetError("this backend has no audio device yet");
    return false;
}
bool AudioQueue(const void*, size_t) { return false; }
void AudioReset() {}
void AudioClose() {}

// ---- OpenGL -----------------------------------------------------------------------------

bool GLCreateContext(NativeWindow)
{
    detail::SetError("this backend has no OpenGL yet");
    return false;
}
void GLSwapBuffers() {}
void GLReleaseContext() {}
bool GLSetVsync(bool) { return false; }

}  // namespace plat
