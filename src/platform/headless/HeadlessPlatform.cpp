// SPDX-License-Identifier: MIT
// The headless backend of the command-line tools: a real clock and nothing else. The tools read
// and write files and never open a window, a GL context, a joystick or a sound device, so every
// such call fails or finds nothing, and the tools link neither OpenGL nor SDL.
#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>

#include "platform/Detail.h"
#include "platform/Platform.h"

namespace plat {

namespace {

const char kNoDisplay[] = "this program has no display";
bool gQuit = false;  // a quit message is waiting
int gQuitCode = 0;

}  // namespace

const char* ExecutableDir() { return ""; }

// ---- time -------------------------------------------------------------------------------

uint32_t Ticks()
{
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return static_cast<uint32_t>(ms.count());
}

int64_t CalendarTime() { return static_cast<int64_t>(std::time(nullptr)); }

void Sleep(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// ---- the user's messages: a tool's own output streams -----------------------------------

void ShowNotice(Notice, const char*, const char*) {}  // a tool prints its lines itself

bool ConsolePrint(const char* text, bool toStandardError)
{
    std::fputs(text ? text : "", toStandardError ? stderr : stdout);
    return true;
}

// ---- display mode, windows and messages -------------------------------------------------

void ChangeDisplayMode(int, int, int) {}
void RestoreDisplayMode() {}

NativeWindow CreateNativeWindow(const WindowDesc&, WindowProc)
{
    detail::SetError(kNoDisplay);
    return nullptr;
}

bool GetUsableScreenSize(int*, int*) { return false; }
void SetWindowUserData(NativeWindow, void*) {}
void* GetWindowUserData(NativeWindow) { return nullptr; }
bool GetClientSize(NativeWindow, int*, int*) { return false; }
void PostClose(NativeWindow) {}

void PostQuit(int exitCode)
{
    gQuit = true;
    gQuitCode = exitCode;
}

bool SetFullscreen(NativeWindow, bool) { return false; }
bool IsFullscreen(NativeWindow) { return false; }
void SetWindowIcon(NativeWindow, const uint8_t*, int, int) {}

// The only message there can be is a posted quit.
bool PeekMessage(Message* out, bool remove)
{
    if (!gQuit) return false;
    if (out) {
        *out = Message();
        out->message = MSG_QUIT;
        out->wParam = static_cast<uintptr_t>(static_cast<intptr_t>(gQuitCode));
    }
    if (remove) gQuit = false;
    return true;
}

// Nothing will ever arrive: waiting would never end, so it ends the program's loop instead.
void WaitMessage()
{
    if (!gQuit) PostQuit(0);
}

// A timed wait lets its time pass: only a quit could come, and it is there already or never.
void WaitMessageFor(uint32_t ms)
{
    if (!gQuit) Sleep(ms);
}

void TranslateMessage(const Message&) {}
void DispatchMessage(const Message&) {}
void DefaultWindowProc(NativeWindow, uint32_t, uintptr_t, intptr_t) {}

// ---- keyboard, joystick, audio ----------------------------------------------------------

int16_t GetAsyncKeyState(int) { return 0; }
bool GetJoystick(uint32_t*, uint32_t*, uint32_t*) { return false; }
bool GetGamepad(GamepadState*) { return false; }

bool AudioOpen(int, AudioDoneProc, void*)
{
    detail::SetError("this program has no sound device");
    return false;
}

bool AudioQueue(const void*, size_t) { return false; }
void AudioReset() {}
void AudioClose() {}

// ---- OpenGL -----------------------------------------------------------------------------

bool GLCreateContext(NativeWindow)
{
    detail::SetError(kNoDisplay);
    return false;
}

void GLSwapBuffers() {}
void GLReleaseContext() {}
bool GLSetVsync(bool) { return false; }

}  // namespace plat
