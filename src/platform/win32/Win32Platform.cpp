// SPDX-License-Identifier: MIT
// The native Windows backend: window class and procedure, the thread's message queue, the
// asynchronous key state, the joystick query and XInput gamepads, the performance counter as
// the tick count, the display-settings change, desktop full screen (F11, Alt+Enter), the window
// icon and a WGL context. The wave-out device is in Win32Audio.cpp.
//
// Implements: the whole contract, with F11 and Alt+Enter for desktop full screen, joystick 1
// through the multimedia joystick query, the first XInput gamepad, and the frame loop of the
// desktop (DesktopLoop).
// Leaves out: a console's Ctrl+C (the game runs without a console) and gamepads that only
// DirectInput sees, not XInput.
//
// The contract's window procedure returns nothing, while a native one returns a result. Each
// native call of our procedure pushes a frame on a small stack; DefaultWindowProc stores the
// default procedure's result in the innermost frame, which the native procedure returns. Sends
// nested inside the default handling (close -> destroy) get frames of their own.
#include <windows.h>
#include <mmsystem.h>
#include <xinput.h>
#undef PeekMessage
#undef DispatchMessage

#include <algorithm>
#include <ctime>
#include <string>
#include <vector>

#include "platform/Detail.h"
#include "platform/Platform.h"
#include "platform/win32/Wgl.h"
#include "platform/win32/Win32Internal.h"

namespace plat {

struct NativeWindowRec {
    HWND hwnd = nullptr;
    WindowProc proc = nullptr;
    void* userData = nullptr;
    bool fullscreen = false;  // desktop full screen (SetFullscreen)
    LONG windowedStyle = 0;  // style and place to go back to
    RECT windowedRect = {};
    HICON icon = nullptr;
};

namespace {

struct CallFrame {
    HWND hwnd;
    UINT message;
    LRESULT result;
};

struct State {
    std::vector<NativeWindow> windows;  // alive: created and not yet destroyed
    std::vector<CallFrame> calls;  // native procedure calls in progress, innermost last
    NativeWindow creating = nullptr;  // the window CreateWindowEx is making right now
    MSG peeked = {};  // a message looked at but not removed
    bool hasPeeked = false;
    bool pressedSince[256] = {};  // key-downs seen in messages since the last query
    bool hidden[256] = {};  // taken by the full-screen shortcut until released
    bool displayModeChanged = false;
};

State gState;

// The backend is a static library whose users come both before and after it on the link
// line; this reference pulls the audio device in whenever the rest of the backend is.
[[maybe_unused]] bool (*const kKeepAudio)(int, AudioDoneProc, void*) = &AudioOpen;

bool Alive(NativeWindow w)
{
    return w && std::find(gState.windows.begin(), gState.windows.end(), w) != gState.windows.end();
}

NativeWindow Find(HWND hwnd)
{
    if (!hwnd) return nullptr;
    for (NativeWindow w : gState.windows)
        if (w->hwnd == hwnd) return w;
    return nullptr;
}

void Fail(const char* what)
{
    const DWORD code = GetLastError();  // before anything else can change it
    std::string text = std::string(what) + " (Windows error " + std::to_string(code) + ")";
    detail::SetError(text.c_str());
}

// Key-downs that are not auto-repeats count as presses even when the key is up again before
// the next query (a tap between two frames).
void NoteKey(UINT message, WPARAM wParam, LPARAM lParam)
{
    if ((message == WM_KEYDOWN || message == WM_SYSKEYDOWN) && wParam < 256 &&
        !(lParam & (1L << 30)))
        gState.pressedSince[wParam] = true;
}

LRESULT CALLBACK NativeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    NativeWindow w = Find(hwnd);
    if (!w && gState.creating) {
        // The first message of the window being created: bind it before anything else.
        w = gState.creating;
        gState.creating = nullptr;
        w->hwnd = hwnd;
        gState.windows.push_back(w);
    }
    if (!w) return DefWindowProcA(hwnd, message, wParam, lParam);

    LRESULT result;
    if (w->proc) {
        gState.calls.push_back({hwnd, message, 0});
        w->proc(w, message, static_cast<uintptr_t>(wParam), static_cast<intptr_t>(lParam));
        result = gState.calls.back().result;
        gState.calls.pop_back();
    } else {
        result = DefWindowProcA(hwnd, message, wParam, lParam);
    }

    if (message == WM_NCDESTROY && Alive(w)) {
        // The window is gone: forget it (its context too) and free the record.
        if (detail::WglWindow() == hwnd) detail::WglRelease();
        if (w->icon) DestroyIcon(w->icon);
        gState.windows.erase(std::find(gState.windows.begin(), gState.windows.end(), w));
        delete w;
    }
    return result;
}

// F11 and Alt+Enter toggle desktop full screen here and never reach the game: neither the
// press nor its release is handed on, and the key state hides the key until it is let go.
bool TakeFullscreenShortcut(const MSG& m)
{
    const bool down = m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN;
    const bool up = m.message == WM_KEYUP || m.message == WM_SYSKEYUP;
    if ((!down && !up) || m.wParam >= 256) return false;
    const bool altHeld = (m.lParam & (1L << 29)) != 0;
    const bool shortcut = m.wParam == VK_F11 || (m.wParam == VK_RETURN && altHeld);
    if (up) {
        if (!gState.hidden[m.wParam]) return false;
        gState.hidden[m.wParam] = false;
        return true;
    }
    if (!shortcut) return false;
    gState.hidden[m.wParam] = true;
    NativeWindow w = Find(m.hwnd);
    if (w && !(m.lParam & (1L << 30))) SetFullscreen(w, !w->fullscreen);  // not on auto-repeat
    return true;
}

const char* ClassFor(const WindowDesc& desc, const char* title)
{
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS | CS_OWNDC;
    wc.lpfnWndProc = NativeProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground =
        desc.noBackground ? nullptr : static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = title;
    RegisterClassExA(&wc);  // a second window with the same title reuses the class
    return title;
}

}  // namespace

// ---- time -------------------------------------------------------------------------------

uint32_t Ticks()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const uint64_t count = static_cast<uint64_t>(now.QuadPart);
    const uint64_t perSecond = static_cast<uint64_t>(frequency.QuadPart);
    return static_cast<uint32_t>(count / perSecond * 1000 + count % perSecond * 1000 / perSecond);
}

int64_t CalendarTime() { return static_cast<int64_t>(std::time(nullptr)); }

// ---- display mode -----------------------------------------------------------------------

void ChangeDisplayMode(int width, int height, int bitsPerPixel)
{
    DEVMODEA mode = {};
    mode.dmSize = sizeof(mode);
    mode.dmPelsWidth = static_cast<DWORD>(width);
    mode.dmPelsHeight = static_cast<DWORD>(height);
    mode.dmBitsPerPel = static_cast<DWORD>(bitsPerPixel);
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL;
    ChangeDisplaySettingsA(&mode, 0);
    gState.displayModeChanged = true;
}

void RestoreDisplayMode()
{
    if (!gState.displayModeChanged) return;
    gState.displayModeChanged = false;
    ChangeDisplaySettingsA(nullptr, 0);
}

// ---- windows and messages ---------------------------------------------------------------

NativeWindow CreateNativeWindow(const WindowDesc& desc, WindowProc proc)
{
    if (desc.clientWidth <= 0 || desc.clientHeight <= 0) {
        detail::SetError("bad window size");
        return nullptr;
    }
    const char* title = desc.title ? desc.title : "";
    const char* cls = ClassFor(desc, title);
    DWORD style;
    int x, y, width, height;
    if (desc.fullScreen) {
        style = WS_POPUP | WS_VISIBLE | WS_BORDER | WS_SYSMENU;
        x = y = 0;
        width = desc.clientWidth;
        height = desc.clientHeight;
    } else {
        // Fixed size (no resizing, no maximise), centred, with the asked-for client area.
        style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_VISIBLE;
        RECT r = {0, 0, desc.clientWidth, desc.clientHeight};
        AdjustWindowRectEx(&r, style, FALSE, 0);
        width = r.right - r.left;
        height = r.bottom - r.top;
        x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
        y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    }
    auto* w = new NativeWindowRec;
    w->proc = proc;
    HWND parent = Alive(desc.parent) ? desc.parent->hwnd : nullptr;
    gState.creating = w;
    HWND hwnd = CreateWindowExA(0, cls, title, style, x, y, width, height, parent, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    if (gState.creating == w) {  // not a single message arrived
        gState.creating = nullptr;
        if (!hwnd) {
            Fail("cannot create the window");
            delete w;
            return nullptr;
        }
    }
    if (!hwnd) {
        Fail("cannot create the window");
        if (Alive(w)) {  // otherwise the window's destruction on the way freed it already
            gState.windows.erase(std::find(gState.windows.begin(), gState.windows.end(), w));
            delete w;
        }
        return nullptr;
    }
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);
    return Find(hwnd);
}

void SetWindowUserData(NativeWindow window, void* data)
{
    if (Alive(window)) window->userData = data;
}

void* GetWindowUserData(NativeWindow window) { return Alive(window) ? window->userData : nullptr; }

bool GetClientSize(NativeWindow window, int* width, int* height)
{
    RECT r;
    if (!Alive(window) || !GetClientRect(window->hwnd, &r)) return false;
    if (width) *width = r.right - r.left;
    if (height) *height = r.bottom - r.top;
    return true;
}

void PostClose(NativeWindow window)
{
    if (Alive(window)) PostMessageA(window->hwnd, WM_CLOSE, 0, 0);
}

void PostQuit(int exitCode) { PostQuitMessage(exitCode); }

bool SetFullscreen(NativeWindow window, bool on)
{
    if (!Alive(window)) {
        detail::SetError("no window");
        return false;
    }
    if (window->fullscreen == on) return true;
    HWND h = window->hwnd;
    if (on) {
        MONITORINFO mi = {};
        mi.cbSize = sizeof(mi);
        if (!GetMonitorInfoA(MonitorFromWindow(h, MONITOR_DEFAULTTONEAREST), &mi)) {
            Fail("cannot find the window's screen");
            return false;
        }
        window->windowedStyle = GetWindowLongA(h, GWL_STYLE);
        GetWindowRect(h, &window->windowedRect);
        SetWindowLongA(h, GWL_STYLE,
                       (window->windowedStyle & ~(WS_CAPTION | WS_THICKFRAME)) | WS_POPUP);
        const RECT& m = mi.rcMonitor;
        SetWindowPos(h, HWND_TOP, m.left, m.top, m.right - m.left, m.bottom - m.top,
                     SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    } else {
        SetWindowLongA(h, GWL_STYLE, window->windowedStyle);
        const RECT& r = window->windowedRect;
        SetWindowPos(h, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    }
    window->fullscreen = on;
    return true;
}

bool IsFullscreen(NativeWindow window) { return Alive(window) && window->fullscreen; }

void SetWindowIcon(NativeWindow window, const uint8_t* rgba, int width, int height)
{
    if (!Alive(window) || !rgba || width <= 0 || height <= 0) return;
    BITMAPV5HEADER bi = {};
    bi.bV5Size = sizeof(bi);
    bi.bV5Width = width;
    bi.bV5Height = -height;  // top row first
    bi.bV5Planes = 1;
    bi.bV5BitCount = 32;
    bi.bV5Compression = BI_BITFIELDS;
    bi.bV5RedMask = 0x00FF0000;
    bi.bV5GreenMask = 0x0000FF00;
    bi.bV5BlueMask = 0x000000FF;
    bi.bV5AlphaMask = 0xFF000000;
    void* bits = nullptr;
    HDC dc = GetDC(nullptr);
    HBITMAP colour =
        CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, dc);
    if (!colour || !bits) return;
    auto* px = static_cast<uint8_t*>(bits);
    for (int i = 0; i < width * height; ++i) {  // RGBA to BGRA
        px[4 * i + 0] = rgba[4 * i + 2];
        px[4 * i + 1] = rgba[4 * i + 1];
        px[4 * i + 2] = rgba[4 * i + 0];
        px[4 * i + 3] = rgba[4 * i + 3];
    }
    HBITMAP mask = CreateBitmap(width, height, 1, 1, nullptr);  // unused: the alpha decides
    ICONINFO info = {};
    info.fIcon = TRUE;
    info.hbmColor = colour;
    info.hbmMask = mask;
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(colour);
    DeleteObject(mask);
    if (!icon) return;
    SendMessageA(window->hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageA(window->hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    if (window->icon) DestroyIcon(window->icon);
    window->icon = icon;
}

bool PeekMessage(Message* out, bool remove)
{
    MSG msg;
    if (gState.hasPeeked) {
        msg = gState.peeked;
    } else {
        for (;;) {
            if (!::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
            if (TakeFullscreenShortcut(msg)) continue;
            if (!msg.hwnd || Find(msg.hwnd)) break;
            // A window that is not ours (one of the system's, or one already destroyed): its
            // message is handled here and never shown to the caller.
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        NoteKey(msg.message, msg.wParam, msg.lParam);
    }
    // Looking without removing keeps the message aside; the next look returns it again.
    gState.hasPeeked = !remove;
    gState.peeked = msg;
    if (out) {
        out->window = Find(msg.hwnd);
        out->message = msg.message;
        out->wParam = static_cast<uintptr_t>(msg.wParam);
        out->lParam = static_cast<intptr_t>(msg.lParam);
    }
    return true;
}

void WaitMessage()
{
    if (!gState.hasPeeked) ::WaitMessage();
}

namespace {
MSG ToNative(const Message& msg)
{
    MSG m = {};
    m.hwnd = Alive(msg.window) ? msg.window->hwnd : nullptr;
    m.message = msg.message;
    m.wParam = static_cast<WPARAM>(msg.wParam);
    m.lParam = static_cast<LPARAM>(msg.lParam);
    return m;
}
}  // namespace

void TranslateMessage(const Message& msg)
{
    if (msg.message != MSG_KEYDOWN) return;
    MSG m = ToNative(msg);
    ::TranslateMessage(&m);
}

void DispatchMessage(const Message& msg)
{
    if (!Alive(msg.window)) return;  // thread messages and destroyed windows have no procedure
    MSG m = ToNative(msg);
    ::DispatchMessageA(&m);
}

void DefaultWindowProc(NativeWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    if (!Alive(window)) return;
    HWND hwnd = window->hwnd;
    LRESULT result =
        DefWindowProcA(hwnd, message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
    // The answer belongs to the innermost native call for this very message.
    if (!gState.calls.empty() && gState.calls.back().hwnd == hwnd &&
        gState.calls.back().message == message)
        gState.calls.back().result = result;
}

// ---- keyboard and joystick --------------------------------------------------------------

int16_t GetAsyncKeyState(int virtualKey)
{
    if (virtualKey < 0 || virtualKey > 255) return 0;
    if (gState.hidden[virtualKey]) return 0;
    uint16_t r = static_cast<uint16_t>(::GetAsyncKeyState(virtualKey));
    if (gState.pressedSince[virtualKey]) r |= 1u;
    gState.pressedSince[virtualKey] = false;
    return static_cast<int16_t>(r);
}

namespace {

// XInput comes with the system in one of several versions; without it there are no gamepads.
using XInputGetStateProc = DWORD(WINAPI*)(DWORD, XINPUT_STATE*);

XInputGetStateProc XInputState()
{
    static XInputGetStateProc proc = [] {
        for (const char* dll : {"xinput1_4.dll", "xinput1_3.dll", "xinput9_1_0.dll"}) {
            if (HMODULE m = LoadLibraryA(dll))
                return reinterpret_cast<XInputGetStateProc>(
                    reinterpret_cast<void*>(GetProcAddress(m, "XInputGetState")));
        }
        return static_cast<XInputGetStateProc>(nullptr);
    }();
    return proc;
}

bool ReadGamepad(XINPUT_STATE* state)
{
    XInputGetStateProc get = XInputState();
    if (!get) return false;
    for (DWORD pad = 0; pad < XUSER_MAX_COUNT; ++pad) {
        *state = {};
        if (get(pad, state) == ERROR_SUCCESS) return true;
    }
    return false;
}

}  // namespace

bool GetGamepad(GamepadState* out)
{
    XINPUT_STATE state;
    if (!ReadGamepad(&state)) return false;
    if (out) {
        const XINPUT_GAMEPAD& g = state.Gamepad;
        GamepadState p;
        p.stickX = g.sThumbLX;
        // XInput counts up as positive; ours is negative up.
        p.stickY = static_cast<int16_t>(g.sThumbLY == -32768 ? 32767 : -g.sThumbLY);
        p.dpadLeft = (g.wButtons & XINPUT_GAMEPAD_DPAD_LEFT) != 0;
        p.dpadRight = (g.wButtons & XINPUT_GAMEPAD_DPAD_RIGHT) != 0;
        p.dpadUp = (g.wButtons & XINPUT_GAMEPAD_DPAD_UP) != 0;
        p.dpadDown = (g.wButtons & XINPUT_GAMEPAD_DPAD_DOWN) != 0;
        p.south = (g.wButtons & XINPUT_GAMEPAD_A) != 0;
        p.north = (g.wButtons & XINPUT_GAMEPAD_Y) != 0;
        p.back = (g.wButtons & XINPUT_GAMEPAD_BACK) != 0;
        p.start = (g.wButtons & XINPUT_GAMEPAD_START) != 0;
        *out = p;
    }
    return true;
}

bool GetJoystick(uint32_t* x, uint32_t* y, uint32_t* buttons)
{
    // A gamepad also shows up as joystick 1; it is reported as a gamepad only.
    XINPUT_STATE pad;
    if (ReadGamepad(&pad)) return false;
    JOYINFOEX info = {};
    info.dwSize = sizeof(info);
    info.dwFlags = JOY_RETURNX | JOY_RETURNY | JOY_RETURNBUTTONS;
    // Any result but success means no joystick (unplugged, no driver, none ever there).
    if (joyGetPosEx(JOYSTICKID1, &info) != JOYERR_NOERROR) return false;
    if (x) *x = info.dwXpos;
    if (y) *y = info.dwYpos;
    if (buttons) *buttons = info.dwButtons;
    return true;
}

HWND detail::HandleOf(NativeWindow window) { return Alive(window) ? window->hwnd : nullptr; }

// ---- OpenGL -----------------------------------------------------------------------------

bool GLCreateContext(NativeWindow window)
{
    if (!Alive(window)) {
        detail::SetError("no window");
        return false;
    }
    return detail::WglCreate(window->hwnd);
}

void GLSwapBuffers() { detail::WglSwap(); }

void GLReleaseContext() { detail::WglRelease(); }

bool GLSetVsync(bool on) { return detail::WglSetVsync(on); }

// ---- the program ------------------------------------------------------------------------

const char* ExecutableDir()
{
    static std::string dir = [] {
        char path[MAX_PATH * 4];
        DWORD n = GetModuleFileNameA(nullptr, path, sizeof(path));
        if (n == 0 || n >= sizeof(path)) return std::string();
        std::string p(path, n);
        size_t cut = p.find_last_of("\\/");
        return cut == std::string::npos ? std::string() : p.substr(0, cut + 1);
    }();
    return dir.c_str();
}

}  // namespace plat
