// SPDX-License-Identifier: MIT
// The native Windows backend: window class and procedure, the thread's message queue, the
// asynchronous key state, the joystick query and XInput gamepads, the performance counter as
// the tick count, the display-settings change, desktop full screen (F11, Alt+Enter), the window
// icon, a WGL context, message boxes and the console. The wave-out device is in Win32Audio.cpp.
// Every text crosses the system's interface as UTF-16 (the W functions); inside, it is UTF-8.
//
// Input counts only while one of our windows is the foreground window; each activation forgets
// the presses made before it. The system's modal loops (moving, sizing, the system menu, a
// message box) deactivate our windows for their duration; the activation afterwards is handed
// out only once a look at the queue has found it empty, so the frame loop sees a pause and
// restarts its clock instead of counting the whole loop as one frame.
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
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "platform/Detail.h"
#include "platform/Files.h"
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
    bool waitingForPicture = false;  // hidden until the first swap of its context
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
    int modalDepth = 0;  // system modal loops running (they may nest: a menu inside a move)
    std::vector<HWND> pausedByModal;  // windows deactivated for the loop
    std::vector<HWND> reactivate;  // after the loop: hand out their activation
    bool queueSeenEmpty = false;  // a look found the queue empty since the loop ended
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

// True while one of our windows is the one the user works in.
bool HaveFocus() { return Find(GetForegroundWindow()) != nullptr; }

// Presses made while we did not have the focus: the system's pressed-since bits (one query
// each clears them) and the ones collected from our messages.
void ForgetPresses()
{
    for (int vk = 0; vk < 256; ++vk) ::GetAsyncKeyState(vk);
    std::fill(std::begin(gState.pressedSince), std::end(gState.pressedSince), false);
}

void CallProc(NativeWindow w, UINT message, WPARAM wParam, LPARAM lParam);

// The devices' probes: see ReadGamepad and GetJoystick.
void DevicesChanged();

// A modal loop of the system begins (or a nested one): every visible window of ours hears it
// is inactive until the loop ends.
void EnterModal()
{
    if (gState.modalDepth++ > 0) return;
    std::vector<NativeWindow> windows = gState.windows;  // the procedures may change the list
    for (NativeWindow w : windows) {
        if (!Alive(w) || !IsWindowVisible(w->hwnd)) continue;
        gState.pausedByModal.push_back(w->hwnd);
        CallProc(w, WM_ACTIVATEAPP, FALSE, 0);
    }
}

void LeaveModal()
{
    if (gState.modalDepth == 0 || --gState.modalDepth > 0) return;
    gState.reactivate.insert(gState.reactivate.end(), gState.pausedByModal.begin(),
                             gState.pausedByModal.end());
    gState.pausedByModal.clear();
    gState.queueSeenEmpty = false;
}

// The activation after a modal loop, once the queue was seen empty: a message for a window
// that still has the focus (one that lost it hears of its activation from the system later).
bool TakeReactivation(MSG* msg)
{
    while (!gState.reactivate.empty()) {
        HWND hwnd = gState.reactivate.front();
        gState.reactivate.erase(gState.reactivate.begin());
        if (!Find(hwnd) || GetForegroundWindow() != hwnd) continue;
        *msg = {};
        msg->hwnd = hwnd;
        msg->message = WM_ACTIVATEAPP;
        msg->wParam = TRUE;
        return true;
    }
    return false;
}

DWORD gMainThread = 0;

// Ctrl+C and Ctrl+Break in a console end the program as SIGINT does elsewhere: a quit message
// with 130. Closing the console, logging off and shutting down give 143, as SIGTERM, and kill
// the process once this returns, so it waits for the main thread to finish the program (the
// system's own time limit still holds).
BOOL WINAPI OnConsoleEvent(DWORD event)
{
    const bool interrupt = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
    PostThreadMessageA(gMainThread, WM_QUIT, interrupt ? 130 : 143, 0);
    if (!interrupt) ::Sleep(INFINITE);
    return TRUE;
}

void WatchConsoleEvents()
{
    static bool watching = false;
    if (watching) return;
    watching = true;
    gMainThread = GetCurrentThreadId();
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

LRESULT CALLBACK NativeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    // The session ends (log off, shut down): once this message has been answered the process
    // may be killed at any moment.
    if (message == WM_ENDSESSION && wParam) detail::EndSession();

    NativeWindow w = Find(hwnd);
    if (!w && gState.creating) {
        // The first message of the window being created: bind it before anything else.
        w = gState.creating;
        gState.creating = nullptr;
        w->hwnd = hwnd;
        gState.windows.push_back(w);
    }
    if (!w) return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_SETCURSOR && w->fullscreen && LOWORD(lParam) == HTCLIENT) {
        SetCursor(nullptr);  // no pointer over the full-screen picture; the game uses no mouse
        return TRUE;
    }

    switch (message) {
        case WM_ENTERSIZEMOVE:
        case WM_ENTERMENULOOP:
            EnterModal();
            break;
        case WM_ACTIVATEAPP:
            if (gState.modalDepth > 0) wParam = FALSE;  // inactive until the loop is over
            else if (wParam) ForgetPresses();
            break;
        case WM_DEVICECHANGE:
            DevicesChanged();
            break;
        default:
            break;
    }

    LRESULT result;
    if (w->proc) {
        gState.calls.push_back({hwnd, message, 0});
        w->proc(w, message, static_cast<uintptr_t>(wParam), static_cast<intptr_t>(lParam));
        result = gState.calls.back().result;
        gState.calls.pop_back();
    } else {
        result = DefWindowProcW(hwnd, message, wParam, lParam);
    }

    if (message == WM_EXITSIZEMOVE || message == WM_EXITMENULOOP) LeaveModal();

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

// A windowed window: fixed size (no resizing, no maximise) with a title bar.
constexpr DWORD kWindowedStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_VISIBLE;

// The screen less the task bar and docked bars (the whole screen when the system will not say).
RECT WorkArea()
{
    RECT work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

// Registers the window class named after the title (a second window with the same title
// reuses it). Its icon is the program's own (resource 1) when the program has one.
void RegisterClassFor(const WindowDesc& desc, const std::wstring& title)
{
    HINSTANCE self = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS | CS_OWNDC;
    wc.lpfnWndProc = NativeProc;
    wc.hInstance = self;
    wc.hIcon = LoadIconW(self, MAKEINTRESOURCEW(1));
    if (!wc.hIcon) wc.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground =
        desc.noBackground ? nullptr : static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = title.c_str();
    RegisterClassExW(&wc);
}

void CallProc(NativeWindow w, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (Alive(w)) SendMessageW(w->hwnd, message, wParam, lParam);
}

// Shows a window that waited for its first picture. Shown without the focus (the user was
// busy elsewhere), it hears at once that it is inactive.
void ShowWithPicture(NativeWindow w)
{
    w->waitingForPicture = false;
    ShowWindow(w->hwnd, SW_SHOWNORMAL);
    if (Alive(w) && GetForegroundWindow() != w->hwnd) CallProc(w, WM_ACTIVATEAPP, FALSE, 0);
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

void Sleep(uint32_t ms)
{
    // The system's sleep counts in steps of its timer, 15.6 ms unless asked for finer ones.
    static const bool fine = timeBeginPeriod(1) == TIMERR_NOERROR;
    (void)fine;
    ::Sleep(ms);
}

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
    WatchConsoleEvents();
    const std::wstring title = WideFromUtf8(desc.title);
    RegisterClassFor(desc, title);
    const DWORD visible = desc.showWithFirstPicture ? 0 : WS_VISIBLE;
    DWORD style;
    int x, y, width, height;
    if (desc.fullScreen) {
        style = WS_POPUP | visible | WS_BORDER | WS_SYSMENU;
        x = y = 0;
        width = desc.clientWidth;
        height = desc.clientHeight;
    } else {
        // Fixed size, centred, with the asked-for client area; moved off the task bar when
        // centring would put part of it underneath.
        style = (kWindowedStyle & ~WS_VISIBLE) | visible;
        RECT r = {0, 0, desc.clientWidth, desc.clientHeight};
        AdjustWindowRectEx(&r, style, FALSE, 0);
        width = r.right - r.left;
        height = r.bottom - r.top;
        x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
        y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
        const RECT work = WorkArea();
        x = std::max<int>(work.left, std::min<int>(x, work.right - width));
        y = std::max<int>(work.top, std::min<int>(y, work.bottom - height));
    }
    auto* w = new NativeWindowRec;
    w->proc = proc;
    w->waitingForPicture = desc.showWithFirstPicture;
    HWND parent = Alive(desc.parent) ? desc.parent->hwnd : nullptr;
    gState.creating = w;
    HWND hwnd = CreateWindowExW(0, title.c_str(), title.c_str(), style, x, y, width, height, parent,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
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
    if (!desc.showWithFirstPicture) {
        ShowWindow(hwnd, SW_SHOWNORMAL);
        UpdateWindow(hwnd);
    }
    return Find(hwnd);
}

bool GetUsableScreenSize(int* width, int* height)
{
    const RECT work = WorkArea();
    RECT frame = {0, 0, 0, 0};
    if (!AdjustWindowRectEx(&frame, kWindowedStyle, FALSE, 0)) return false;
    if (width) *width = std::max<int>(0, (work.right - work.left) - (frame.right - frame.left));
    if (height) *height = std::max<int>(0, (work.bottom - work.top) - (frame.bottom - frame.top));
    return true;
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
    if (Alive(window)) PostMessageW(window->hwnd, WM_CLOSE, 0, 0);
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
    // A window still waiting for its first picture stays hidden.
    const UINT show = window->waitingForPicture ? 0 : SWP_SHOWWINDOW;
    if (on) {
        MONITORINFO mi = {};
        mi.cbSize = sizeof(mi);
        if (!GetMonitorInfoW(MonitorFromWindow(h, MONITOR_DEFAULTTONEAREST), &mi)) {
            Fail("cannot find the window's screen");
            return false;
        }
        window->windowedStyle = GetWindowLongW(h, GWL_STYLE);
        GetWindowRect(h, &window->windowedRect);
        SetWindowLongW(h, GWL_STYLE,
                       (window->windowedStyle & ~(WS_CAPTION | WS_THICKFRAME)) | WS_POPUP);
        const RECT& m = mi.rcMonitor;
        SetWindowPos(h, HWND_TOP, m.left, m.top, m.right - m.left, m.bottom - m.top,
                     SWP_FRAMECHANGED | show);
    } else {
        SetWindowLongW(h, GWL_STYLE, window->windowedStyle);
        const RECT& r = window->windowedRect;
        SetWindowPos(h, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_FRAMECHANGED | show);
    }
    window->fullscreen = on;
    // The pointer changes at its next move (WM_SETCURSOR); one resting on the window changes now.
    POINT at;
    if (GetCursorPos(&at) && WindowFromPoint(at) == h)
        SetCursor(on ? nullptr : LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
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
    SendMessageW(window->hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageW(window->hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
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
            if (!::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                // After a modal loop: the first empty look lets the caller see the pause, the
                // next one hands out the activation.
                if (gState.reactivate.empty()) return false;
                if (!gState.queueSeenEmpty) {
                    gState.queueSeenEmpty = true;
                    return false;
                }
                if (!TakeReactivation(&msg)) return false;
                break;
            }
            if (TakeFullscreenShortcut(msg)) continue;
            if (!msg.hwnd || Find(msg.hwnd)) break;
            // A window that is not ours (one of the system's, or one already destroyed): its
            // message is handled here and never shown to the caller.
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
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
    if (gState.hasPeeked) return;
    if (!gState.reactivate.empty() && gState.queueSeenEmpty) return;  // the activation is due
    ::WaitMessage();
}

void WaitMessageFor(uint32_t ms)
{
    if (PeekMessage(nullptr, false)) return;  // one is waiting already (a quit, say)
    MsgWaitForMultipleObjectsEx(0, nullptr, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
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
    ::DispatchMessageW(&m);
}

void DefaultWindowProc(NativeWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    if (!Alive(window)) return;
    HWND hwnd = window->hwnd;
    // A tap of Alt or F10 would enter menu mode (a menu loop without a menu), freezing the game
    // until the next key: not here. Alt+Space still opens the system menu.
    if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_KEYMENU && lParam == 0) return;
    LRESULT result =
        DefWindowProcW(hwnd, message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
    // The answer belongs to the innermost native call for this very message.
    if (!gState.calls.empty() && gState.calls.back().hwnd == hwnd &&
        gState.calls.back().message == message)
        gState.calls.back().result = result;
}

// ---- keyboard and joystick --------------------------------------------------------------

int16_t GetAsyncKeyState(int virtualKey)
{
    if (virtualKey < 0 || virtualKey > 255) return 0;
    if (gState.hidden[virtualKey] || !HaveFocus()) return 0;
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
        for (const wchar_t* dll : {L"xinput1_4.dll", L"xinput1_3.dll", L"xinput9_1_0.dll"}) {
            if (HMODULE m = LoadLibraryW(dll))
                return reinterpret_cast<XInputGetStateProc>(
                    reinterpret_cast<void*>(GetProcAddress(m, "XInputGetState")));
        }
        return static_cast<XInputGetStateProc>(nullptr);
    }();
    return proc;
}

// Asking an empty controller slot or an absent joystick is slow on real systems, so a device
// that is not there is looked for again at most once a second, or at once when the system
// says devices changed. A device that is there is read every time.
constexpr uint32_t kProbeInterval = 1000;  // ms

struct Probe {
    bool due = true;
    uint32_t last = 0;
    int count = 0;  // looks for an absent device, for the tests

    bool Due()
    {
        const uint32_t now = Ticks();
        if (!due && now - last < kProbeInterval) return false;
        due = false;
        last = now;
        ++count;
        return true;
    }
};

struct Devices {
    int padSlot = -1;  // the XInput slot of the gamepad found, or -1
    Probe pads;
    bool joystick = false;  // joystick 1 answered the last query
    Probe joysticks;
} gDevices;

bool ReadGamepad(XINPUT_STATE* state)
{
    XInputGetStateProc get = XInputState();
    if (!get || !HaveFocus()) return false;
    if (gDevices.padSlot >= 0) {
        *state = {};
        if (get(static_cast<DWORD>(gDevices.padSlot), state) == ERROR_SUCCESS) return true;
        gDevices.padSlot = -1;  // unplugged
    }
    if (!gDevices.pads.Due()) return false;
    for (DWORD pad = 0; pad < XUSER_MAX_COUNT; ++pad) {
        *state = {};
        if (get(pad, state) == ERROR_SUCCESS) {
            gDevices.padSlot = static_cast<int>(pad);
            return true;
        }
    }
    return false;
}

void DevicesChanged()
{
    gDevices.pads.due = true;
    gDevices.joysticks.due = true;
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
    if (!HaveFocus() || ReadGamepad(&pad)) return false;
    if (!gDevices.joystick && !gDevices.joysticks.Due()) return false;
    JOYINFOEX info = {};
    info.dwSize = sizeof(info);
    info.dwFlags = JOY_RETURNX | JOY_RETURNY | JOY_RETURNBUTTONS;
    // Any result but success means no joystick (unplugged, no driver, none ever there).
    gDevices.joystick = joyGetPosEx(JOYSTICKID1, &info) == JOYERR_NOERROR;
    if (!gDevices.joystick) return false;
    if (x) *x = info.dwXpos;
    if (y) *y = info.dwYpos;
    if (buttons) *buttons = info.dwButtons;
    return true;
}

HWND detail::HandleOf(NativeWindow window) { return Alive(window) ? window->hwnd : nullptr; }

int detail::DeviceProbes() { return gDevices.pads.count + gDevices.joysticks.count; }

// ---- OpenGL -----------------------------------------------------------------------------

bool GLCreateContext(NativeWindow window)
{
    if (!Alive(window)) {
        detail::SetError("no window");
        return false;
    }
    return detail::WglCreate(window->hwnd);
}

void GLSwapBuffers()
{
    NativeWindow w = Find(detail::WglWindow());
    if (w && w->waitingForPicture) ShowWithPicture(w);
    detail::WglSwap();
}

void GLReleaseContext() { detail::WglRelease(); }

bool GLSetVsync(bool on) { return detail::WglSetVsync(on); }

// ---- the program ------------------------------------------------------------------------

const char* ExecutableDir()
{
    static std::string dir = [] {
        // Long paths (up to 32767 characters) need a buffer that grows.
        std::wstring path(MAX_PATH, L'\0');
        for (;;) {
            DWORD n = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
            if (n == 0) return std::string();
            if (n < path.size()) {
                path.resize(n);
                break;
            }
            if (path.size() >= 32768) return std::string();
            path.resize(path.size() * 2);
        }
        size_t cut = path.find_last_of(L"\\/");
        return cut == std::wstring::npos ? std::string() : Utf8FromWide(path.c_str(), int(cut + 1));
    }();
    return dir.c_str();
}

// ---- messages for the player ------------------------------------------------------------

namespace {

// QB_NOTICE_LOG=FILE (a test hook): each notice is appended to FILE in UTF-8, as
// "error: TEXT", "warning: TEXT" or "information: TEXT" and a line end, instead of a box.
bool LogNotice(Notice kind, const char* text)
{
    const wchar_t* log = _wgetenv(L"QB_NOTICE_LOG");
    if (!log || !*log) return false;
    if (FILE* f = _wfopen(log, L"ab")) {
        const char* name = kind == Notice::Error     ? "error"
                           : kind == Notice::Warning ? "warning"
                                                     : "information";
        std::fprintf(f, "%s: %s\n", name, text);
        std::fclose(f);
    }
    return true;
}

}  // namespace

void ShowNotice(Notice kind, const char* title, const char* text)
{
    if (!text) text = "";
    if (LogNotice(kind, text)) return;
    const UINT icon = kind == Notice::Error     ? MB_ICONERROR
                      : kind == Notice::Warning ? MB_ICONWARNING
                                                : MB_ICONINFORMATION;
    // The box runs a modal loop of its own: the game pauses meanwhile.
    EnterModal();
    MessageBoxW(nullptr, WideFromUtf8(text).c_str(), WideFromUtf8(title).c_str(),
                MB_OK | icon | MB_TASKMODAL | MB_SETFOREGROUND);
    LeaveModal();
}

bool ConsolePrint(const char* text, bool toStandardError)
{
    if (!text) text = "";
    HANDLE h = GetStdHandle(toStandardError ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    const bool given = h && h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_UNKNOWN;
    DWORD mode = 0;
    if (given && !GetConsoleMode(h, &mode)) {
        // A file or a pipe: the bytes as they are.
        std::FILE* stream = toStandardError ? stderr : stdout;
        std::fputs(text, stream);
        std::fflush(stream);
        return true;
    }
    const std::wstring wide = WideFromUtf8(text);
    DWORD written = 0;
    if (given) return WriteConsoleW(h, wide.c_str(), DWORD(wide.size()), &written, nullptr) != 0;
    // A windowed program started from a console is not connected to it: it joins it for the
    // text and leaves again (joined, a Ctrl+C or closing that console would end the game).
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return false;
    HANDLE out =
        CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    bool ok = false;
    if (out != INVALID_HANDLE_VALUE) {
        // The console printed its prompt when we started: the text begins on a line of its own.
        static bool first = true;
        const std::wstring shown = (first ? L"\r\n" : L"") + wide;
        first = false;
        ok = WriteConsoleW(out, shown.c_str(), DWORD(shown.size()), &written, nullptr) != 0;
        CloseHandle(out);
    }
    FreeConsole();
    return ok;
}

}  // namespace plat
