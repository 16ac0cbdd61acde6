// SPDX-License-Identifier: MIT
// The platform contract: everything the game needs from the operating system, as plain
// functions and records. Backends: platform/sdl (the game on Linux), platform/win32 (the game
// on Windows, native) and platform/fake (tests: settable clock, scripted messages and devices,
// see FakePlatform.h).
//
// Messages, virtual keys and parameters use the Windows numbering so that the window framework
// above this layer is the same for every backend. No backend type appears in this header.
// (<windows.h> defines PeekMessage and DispatchMessage as macros: a Win32 backend includes it
// before this header and #undefs those two.)
#pragma once

#include <cstddef>
#include <cstdint>

namespace plat {

// Why the most recent failing call (window, GL context, audio device) failed; "" when unknown.
const char* LastError();

// The folder that holds the running program (UTF-8), ending in a path separator; "" when
// unknown.
const char* ExecutableDir();

// ---- messages for the player ------------------------------------------------------------

enum class Notice { Error, Warning, Information };
// Shows text to a player who may have no console. On Windows a message box with the title,
// which waits until it is dismissed; a program there has no other way to be seen from
// Explorer or a shortcut. Elsewhere nothing: the caller writes the same text on standard
// error, where a terminal or the system's log shows it.
void ShowNotice(Notice kind, const char* title, const char* text);
// Writes UTF-8 text on standard output (or standard error). A windowed Windows program has
// neither unless they were redirected; it then writes to the console it was started from, if
// any. False when the text reached no one.
bool ConsolePrint(const char* text, bool toStandardError);

// ---- time -------------------------------------------------------------------------------

uint32_t Ticks();  // millisecond tick count, monotonic, wraps at 2^32
int64_t CalendarTime();  // wall-clock seconds since 1970 (the random seed)
// Gives the processor away for about ms milliseconds (the frame rate limit). The fake backend
// moves its clock instead; a backend whose host paces the frames (a browser) returns at once.
void Sleep(uint32_t ms);

// ---- display mode -----------------------------------------------------------------------

void ChangeDisplayMode(int width, int height, int bitsPerPixel);  // result ignored by callers
void RestoreDisplayMode();

// ---- windows and messages ---------------------------------------------------------------

struct NativeWindowRec;
using NativeWindow = NativeWindowRec*;

// Message numbers (Windows values).
enum : uint32_t {
    MSG_DESTROY = 0x0002,
    MSG_PAINT = 0x000F,
    MSG_CLOSE = 0x0010,
    MSG_QUIT = 0x0012,
    MSG_ACTIVATEAPP = 0x001C,  // wParam: 1 activated, 0 deactivated
    MSG_KEYDOWN = 0x0100,  // wParam: virtual-key code
    MSG_KEYUP = 0x0101,
    MSG_CHAR = 0x0102,  // produced by TranslateMessage from MSG_KEYDOWN
    MSG_MOUSEMOVE = 0x0200,  // lParam: x | (y << 16), client coordinates
    MSG_LBUTTONDOWN = 0x0201,
    MSG_LBUTTONUP = 0x0202,
    MSG_LBUTTONDBLCLK = 0x0203,
    MSG_RBUTTONDOWN = 0x0204,
    MSG_RBUTTONUP = 0x0205,
    MSG_RBUTTONDBLCLK = 0x0206,
};

// Virtual-key codes (Windows values); letters and digits are their upper-case ASCII codes.
enum : int {
    VK_RETURN_KEY = 13,
    VK_ESCAPE_KEY = 27,
    VK_SPACE_KEY = 32,
    VK_LEFT_KEY = 37,
    VK_UP_KEY = 38,
    VK_RIGHT_KEY = 39,
    VK_DOWN_KEY = 40,
};

struct Message {
    NativeWindow window = nullptr;  // none for thread messages (quit)
    uint32_t message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};

// Called for every message of a window, including those sent while it is being created.
using WindowProc = void (*)(NativeWindow window, uint32_t message, uintptr_t wParam,
                            intptr_t lParam);

struct WindowDesc {
    const char* title = "";
    int clientWidth = 640;
    int clientHeight = 480;
    bool fullScreen = false;  // covers the screen at (0,0); windowed ones are centred, fixed size
    bool noBackground = true;  // false: the platform erases the background in white
    NativeWindow parent = nullptr;
    // The window appears with its first picture: it stays hidden until the first
    // GLSwapBuffers of its context (a backend may also show it at once).
    bool showWithFirstPicture = false;
};

// Creates and shows a top-level window with an OpenGL-capable surface. Returns none on failure.
// A window is active (MSG_ACTIVATEAPP 1) only once the system has made it the foreground
// window. The system's modal loops (moving or sizing the window, its system menu, the box of
// ShowNotice) count as time away: the window hears MSG_ACTIVATEAPP 0 when one begins, and 1 only
// after a look at the queue that found it empty (so a frame loop sees the pause); a tap of Alt or
// F10 does not enter menu mode.
NativeWindow CreateNativeWindow(const WindowDesc& desc, WindowProc proc);
// The largest client area a windowed window can have and still be seen whole: the screen less
// its panels and docks and the window's own frame. False when the platform cannot tell.
bool GetUsableScreenSize(int* width, int* height);
void SetWindowUserData(NativeWindow window, void* data);
void* GetWindowUserData(NativeWindow window);
// In pixels of the drawing surface, which the GL viewport counts in.
bool GetClientSize(NativeWindow window, int* width, int* height);
// Queues a close message for the window. Its default handling destroys the native window,
// which sends MSG_DESTROY to the window procedure and then frees the window.
void PostClose(NativeWindow window);
void PostQuit(int exitCode);

// Desktop full screen: the window covers its screen without a mode change, or goes back to its
// windowed size. The backends also toggle it themselves on F11 and on Alt+Enter; those two
// presses reach the game neither as key messages nor in the key state. GetClientSize then
// gives the new size (in pixels of the drawing surface). The mouse pointer is hidden over a
// full-screen window (the game uses no mouse) and shown again over the window.
bool SetFullscreen(NativeWindow window, bool on);
bool IsFullscreen(NativeWindow window);
// The window's icon: width x height pixels of 4 bytes (red, green, blue, alpha), top row first.
void SetWindowIcon(NativeWindow window, const uint8_t* rgba, int width, int height);

// Looks at the queue; when a message is waiting copies it out (and removes it when remove).
bool PeekMessage(Message* out, bool remove);
void WaitMessage();  // blocks until a message is waiting
// Blocks until a message is waiting or ms milliseconds have passed, whichever comes first.
void WaitMessageFor(uint32_t ms);
void TranslateMessage(const Message& msg);  // may queue a MSG_CHAR for a key-down
void DispatchMessage(const Message& msg);  // calls the window's procedure (none: default handling)
// Default handling of a message; the window procedure passes every message on to it.
void DefaultWindowProc(NativeWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// ---- the frame loop ---------------------------------------------------------------------

// One pass of the program: handles what is pending and draws at most one picture; it waits
// for a message itself when it has nothing to do. False ends the loop.
using FrameProc = bool (*)();
// Runs frame until it returns false. The desktop backends call it back to back and return
// after the last pass; a backend whose host owns the loop (a browser) calls it once per
// display frame and may return before the last.
void RunLoop(FrameProc frame);

// ---- the end of the session ------------------------------------------------------------

// Called when the system ends the program with no way back (on Windows the user logs off or the
// machine shuts down): the process is killed soon after it returns, so it finishes only what
// must not be lost (a demo being recorded). Signals and close requests come as messages instead.
using SessionEndProc = void (*)();
void SetSessionEndProc(SessionEndProc proc);  // none: nothing is called

// ---- keyboard and joystick --------------------------------------------------------------

// Non-zero while the key is down, or when it was pressed since the previous query of that key;
// the query clears the pressed-since bit. Always current: reading it collects pending input
// without losing or reordering window messages. In the desktop backends keys, joystick and
// gamepad count only while one of the program's windows has the focus, and presses made
// elsewhere are forgotten when it gets the focus back.
int16_t GetAsyncKeyState(int virtualKey);

// Joystick 1: positions 0..65535 (0 is left/up) and a button mask, bit k = button k+1.
// False when no joystick is attached. Looking for a device that is not there is slow on some
// systems: a backend may look again only about once a second or when devices change.
bool GetJoystick(uint32_t* x, uint32_t* y, uint32_t* buttons);

// The first attached device the platform knows as a gamepad with the common layout (two sticks,
// d-pad, four face buttons, back and start). Stick positions -32768..32767, negative left/up.
struct GamepadState {
    int16_t stickX = 0, stickY = 0;  // the left stick
    bool dpadLeft = false, dpadRight = false, dpadUp = false, dpadDown = false;
    bool south = false;  // the lower face button
    bool north = false;  // the upper face button
    bool back = false;  // back / select / view
    bool start = false;
};
// False when no gamepad is attached. A device reported here is not reported by GetJoystick.
bool GetGamepad(GamepadState* out);

// ---- wave-out style audio ---------------------------------------------------------------

// Called on the audio thread each time a queued buffer has been played completely. It may
// queue the next buffer. AudioReset and AudioClose wait for a running notification to end, so
// never call them while holding a lock that the done procedure takes.
using AudioDoneProc = void (*)(void* user);

// Opens the output: signed 16-bit stereo, interleaved left/right, at the given rate.
bool AudioOpen(int rate, AudioDoneProc done, void* user);
// Queues a buffer; it must stay valid until its done notification (or AudioReset/AudioClose).
// Buffers play in the order queued.
bool AudioQueue(const void* data, size_t bytes);
void AudioReset();  // stops and forgets every queued buffer; no done notifications follow
void AudioClose();  // resets, then closes; no notification runs after it returns

// ---- OpenGL -----------------------------------------------------------------------------

// Double-buffered context for the window: 24-bit colour, 16-bit depth. Made current.
bool GLCreateContext(NativeWindow window);
void GLSwapBuffers();
void GLReleaseContext();  // makes no context current and deletes it
// Swaps wait for the display's refresh (adaptive where the driver offers it) or not. False when
// the driver refuses; the default before the first call is the driver's own.
bool GLSetVsync(bool on);

}  // namespace plat
