// SPDX-License-Identifier: MIT
// The fake backend: a scripted clock, message queue, keyboard, joystick and audio device for
// tests. Only the OpenGL context is real when a GL provider is linked (fakegl/FakeGL.h), so
// drawing can be read back.
//
// Implements: the whole contract, driven by the controls of FakePlatform.h: windows (a desktop
// of 1024 x 768 for full screen, F11 and Alt+Enter), the message queue, key state, joystick,
// gamepad, a settable clock and calendar, an audio device that plays when a test says so, the
// display-mode calls (counted), the icon (kept), vsync (recorded), the frame loop (DesktopLoop).
// Leaves out: a screen (windows have no place on one), real time, and a GL context unless a
// GL provider is linked (qb_platform_fake_gl). WaitMessage never blocks: with nothing to wait
// for it posts a quit message (kNothingToWaitFor).
#include "platform/FakePlatform.h"

#include <algorithm>
#include <cstdio>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/Detail.h"
#include "platform/fakegl/FakeGL.h"

namespace plat {

struct NativeWindowRec {
    std::string title;
    WindowDesc desc;
    WindowProc proc = nullptr;
    void* userData = nullptr;
    bool alive = true;
    bool fullscreen = false;
    std::vector<uint8_t> icon;  // rgba
    int iconWidth = 0, iconHeight = 0;
};

namespace {

struct KeyState {
    bool down = false;
    bool pressedSince = false;
};

struct QueuedBuffer {
    const uint8_t* data;
    size_t bytes;
};

struct AudioDevice {
    std::mutex lock;
    std::condition_variable idle;
    bool available = true;
    bool open = false;
    AudioDoneProc done = nullptr;
    void* user = nullptr;
    std::deque<QueuedBuffer> queue;
    std::vector<std::vector<uint8_t>> played;
    int notifying = 0;  // done procedures running right now
    std::thread::id notifyThread;  // the thread running the latest of them
};

struct State {
    uint32_t ticks = 0;
    int64_t calendar = 0;
    std::deque<Message> queue;
    std::vector<Message> onCreate;
    std::function<void()> waitHook;
    std::function<void()> swapHook;
    int waits = 0;
    std::vector<std::unique_ptr<NativeWindowRec>> windows;  // every window since Reset
    NativeWindow last = nullptr;
    KeyState keys[256];
    bool joyAttached = false;
    uint32_t joyX = 32767, joyY = 32767, joyButtons = 0;
    bool padAttached = false;
    GamepadState pad;
    std::string exeDir;
    int desktopWidth = 1024, desktopHeight = 768;
    int usableWidth = -1, usableHeight = -1;  // -1: the desktop's
    uint32_t slept = 0;
    int vsync = -1;  // -1 never set, else 0 or 1
    bool hidden[256] = {};  // taken by a full-screen shortcut until released
    NativeWindow glWindow = nullptr;  // the window of the current GL context
    bool videoAvailable = true;
    int displayModeChanges = 0;
    std::vector<fake::ShownNotice> notices;
    bool consoleAvailable = true;
    std::string console;  // what ConsolePrint wrote, both streams
    uint32_t swapTicks = 0;
};

State& S()
{
    static State s;
    return s;
}

AudioDevice& Audio()
{
    static AudioDevice a;
    return a;
}

bool Alive(NativeWindow w)
{
    if (!w) return false;
    for (const auto& rec : S().windows)
        if (rec.get() == w) return rec->alive;
    return false;
}

// F11 and Alt+Enter switch desktop full screen here and never reach the program: neither the
// press nor its release, and the key state hides the key until it is let go.
bool TakeFullscreenShortcut(const Message& m)
{
    if (m.message != MSG_KEYDOWN && m.message != MSG_KEYUP) return false;
    if (m.wParam > 255) return false;
    State& s = S();
    const int vk = static_cast<int>(m.wParam);
    if (m.message == MSG_KEYUP) {
        if (!s.hidden[vk]) return false;
        s.hidden[vk] = false;
        return true;
    }
    const bool alt = (m.lParam & (intptr_t(1) << 29)) != 0;
    if (vk != 0x7A && !(vk == VK_RETURN_KEY && alt)) return false;
    s.hidden[vk] = true;
    s.keys[vk].pressedSince = false;
    const bool repeat = (m.lParam & (intptr_t(1) << 30)) != 0;
    if (Alive(m.window) && !repeat) m.window->fullscreen = !m.window->fullscreen;
    return true;
}

// Waits until no done procedure is running, unless the caller is that procedure.
void WaitForNotifications(std::unique_lock<std::mutex>& guard)
{
    AudioDevice& a = Audio();
    if (a.notifying > 0 && a.notifyThread == std::this_thread::get_id()) return;
    a.idle.wait(guard, [&] { return a.notifying == 0; });
}

}  // namespace

// ---- time -------------------------------------------------------------------------------

uint32_t Ticks() { return S().ticks; }
int64_t CalendarTime() { return S().calendar; }

void Sleep(uint32_t ms)
{
    S().slept += ms;
    S().ticks += ms;
}

// ---- display mode -----------------------------------------------------------------------

void ChangeDisplayMode(int, int, int) { ++S().displayModeChanges; }
void RestoreDisplayMode() { --S().displayModeChanges; }

// ---- windows and messages ---------------------------------------------------------------

NativeWindow CreateNativeWindow(const WindowDesc& desc, WindowProc proc)
{
    State& s = S();
    if (!s.videoAvailable) {
        detail::SetError("no display (fake)");
        return nullptr;
    }
    if (desc.clientWidth <= 0 || desc.clientHeight <= 0) {
        detail::SetError("bad window size");
        return nullptr;
    }
    auto rec = std::make_unique<NativeWindowRec>();
    rec->title = desc.title ? desc.title : "";
    rec->desc = desc;
    rec->desc.title = rec->title.c_str();
    rec->proc = proc;
    NativeWindow w = rec.get();
    s.windows.push_back(std::move(rec));
    s.last = w;
    std::vector<Message> sent;
    sent.swap(s.onCreate);
    for (Message m : sent) {
        if (!Alive(w)) break;
        if (proc) proc(w, m.message, m.wParam, m.lParam);
        else DefaultWindowProc(w, m.message, m.wParam, m.lParam);
    }
    return w;
}

bool GetUsableScreenSize(int* width, int* height)
{
    const State& s = S();
    const int w = s.usableWidth < 0 ? s.desktopWidth : s.usableWidth;
    const int h = s.usableHeight < 0 ? s.desktopHeight : s.usableHeight;
    if (w <= 0 || h <= 0) return false;
    if (width) *width = w;
    if (height) *height = h;
    return true;
}

void SetWindowUserData(NativeWindow window, void* data)
{
    if (Alive(window)) window->userData = data;
}

void* GetWindowUserData(NativeWindow window) { return Alive(window) ? window->userData : nullptr; }

bool GetClientSize(NativeWindow window, int* width, int* height)
{
    if (!Alive(window)) return false;
    const State& s = S();
    if (width) *width = window->fullscreen ? s.desktopWidth : window->desc.clientWidth;
    if (height) *height = window->fullscreen ? s.desktopHeight : window->desc.clientHeight;
    return true;
}

bool SetFullscreen(NativeWindow window, bool on)
{
    if (!Alive(window)) return false;
    window->fullscreen = on;
    return true;
}

bool IsFullscreen(NativeWindow window) { return Alive(window) && window->fullscreen; }

void SetWindowIcon(NativeWindow window, const uint8_t* rgba, int width, int height)
{
    if (!Alive(window) || !rgba || width <= 0 || height <= 0) return;
    window->icon.assign(rgba, rgba + static_cast<size_t>(width) * height * 4);
    window->iconWidth = width;
    window->iconHeight = height;
}

void PostClose(NativeWindow window)
{
    if (!Alive(window)) return;
    Message m;
    m.window = window;
    m.message = MSG_CLOSE;
    S().queue.push_back(m);
}

void PostQuit(int exitCode)
{
    Message m;
    m.message = MSG_QUIT;
    m.wParam = static_cast<uintptr_t>(static_cast<intptr_t>(exitCode));
    S().queue.push_back(m);
}

bool PeekMessage(Message* out, bool remove)
{
    State& s = S();
    while (!s.queue.empty() && TakeFullscreenShortcut(s.queue.front())) s.queue.pop_front();
    if (s.queue.empty()) return false;
    if (out) *out = s.queue.front();
    if (remove) s.queue.pop_front();
    return true;
}

void WaitMessage()
{
    State& s = S();
    ++s.waits;
    if (!s.queue.empty()) return;
    if (s.waitHook) {
        auto hook = s.waitHook;  // the hook may replace itself
        hook();
    }
    if (s.queue.empty()) PostQuit(fake::kNothingToWaitFor);
}

void WaitMessageFor(uint32_t ms)
{
    // Nothing arrives by itself here: the time simply passes.
    if (S().queue.empty()) S().ticks += ms;
}

void TranslateMessage(const Message& msg)
{
    if (msg.message != MSG_KEYDOWN) return;
    int vk = static_cast<int>(msg.wParam);
    int ch = 0;
    if (vk >= 'A' && vk <= 'Z') ch = vk - 'A' + 'a';
    else if ((vk >= '0' && vk <= '9') || vk == VK_SPACE_KEY || vk == VK_RETURN_KEY ||
             vk == VK_ESCAPE_KEY || vk == 8 || vk == 9)
        ch = vk;
    if (!ch) return;
    Message c = msg;
    c.message = MSG_CHAR;
    c.wParam = static_cast<uintptr_t>(ch);
    S().queue.push_front(c);  // read next, before anything queued after the key
}

void DispatchMessage(const Message& msg)
{
    if (!msg.window) return;  // thread messages have no procedure
    if (!Alive(msg.window)) return;  // a destroyed window gets nothing
    if (msg.window->proc) msg.window->proc(msg.window, msg.message, msg.wParam, msg.lParam);
    else DefaultWindowProc(msg.window, msg.message, msg.wParam, msg.lParam);
}

void DefaultWindowProc(NativeWindow window, uint32_t message, uintptr_t, intptr_t)
{
    if (message != MSG_CLOSE || !Alive(window)) return;
    // Closing destroys the window: the procedure hears MSG_DESTROY, then the window is gone
    // and whatever was still queued for it is dropped.
    if (window->proc) window->proc(window, MSG_DESTROY, 0, 0);
    if (!Alive(window)) return;
    window->alive = false;
    window->userData = nullptr;
    if (S().glWindow == window) {  // the context goes with its window
        detail::FakeGLRelease();
        S().glWindow = nullptr;
    }
    auto& q = S().queue;
    q.erase(
        std::remove_if(q.begin(), q.end(), [&](const Message& m) { return m.window == window; }),
        q.end());
}

// ---- keyboard and joystick --------------------------------------------------------------

int16_t GetAsyncKeyState(int virtualKey)
{
    if (virtualKey < 0 || virtualKey > 255) return 0;
    KeyState& k = S().keys[virtualKey];
    uint16_t r = (k.down ? 0x8000u : 0u) | (k.pressedSince ? 1u : 0u);
    k.pressedSince = false;
    if (S().hidden[virtualKey]) return 0;
    return static_cast<int16_t>(r);
}

bool GetJoystick(uint32_t* x, uint32_t* y, uint32_t* buttons)
{
    State& s = S();
    if (!s.joyAttached) return false;
    if (x) *x = s.joyX;
    if (y) *y = s.joyY;
    if (buttons) *buttons = s.joyButtons;
    return true;
}

bool GetGamepad(GamepadState* out)
{
    const State& s = S();
    if (!s.padAttached) return false;
    if (out) *out = s.pad;
    return true;
}

const char* ExecutableDir() { return S().exeDir.c_str(); }

void ShowNotice(Notice kind, const char* title, const char* text)
{
    S().notices.push_back({kind, title ? title : "", text ? text : ""});
}

bool ConsolePrint(const char* text, bool toStandardError)
{
    State& s = S();
    if (!s.consoleAvailable) return false;
    s.console += text ? text : "";
    std::fputs(text ? text : "", toStandardError ? stderr : stdout);  // as a terminal shows it
    return true;
}

// ---- audio ------------------------------------------------------------------------------

bool AudioOpen(int rate, AudioDoneProc done, void* user)
{
    AudioDevice& a = Audio();
    std::lock_guard<std::mutex> guard(a.lock);
    if (!a.available) {
        detail::SetError("no audio device (fake)");
        return false;
    }
    if (a.open || rate <= 0) {
        detail::SetError(a.open ? "audio device already open" : "bad audio rate");
        return false;
    }
    a.open = true;
    a.done = done;
    a.user = user;
    a.queue.clear();
    return true;
}

bool AudioQueue(const void* data, size_t bytes)
{
    AudioDevice& a = Audio();
    std::lock_guard<std::mutex> guard(a.lock);
    if (!a.open || !data) return false;
    a.queue.push_back({static_cast<const uint8_t*>(data), bytes});
    return true;
}

void AudioReset()
{
    AudioDevice& a = Audio();
    std::unique_lock<std::mutex> guard(a.lock);
    a.queue.clear();
    WaitForNotifications(guard);
}

void AudioClose()
{
    AudioDevice& a = Audio();
    std::unique_lock<std::mutex> guard(a.lock);
    a.queue.clear();
    a.open = false;
    WaitForNotifications(guard);
    a.done = nullptr;
    a.user = nullptr;
}

// ---- OpenGL -----------------------------------------------------------------------------

bool GLCreateContext(NativeWindow window)
{
    State& s = S();
    if (!s.videoAvailable) {
        detail::SetError("no display (fake)");
        return false;
    }
    if (!Alive(window)) {
        detail::SetError("no window");
        return false;
    }
    s.glWindow = nullptr;
    if (!detail::FakeGLCreate(window->title.c_str(), window->desc.clientWidth,
                              window->desc.clientHeight))
        return false;
    s.glWindow = window;
    return true;
}

void GLSwapBuffers()
{
    if (S().swapHook && detail::FakeGLCurrent()) {
        auto hook = S().swapHook;  // the hook may replace itself
        hook();
    }
    detail::FakeGLSwap();
    S().ticks += S().swapTicks;
}

void GLReleaseContext()
{
    detail::FakeGLRelease();
    S().glWindow = nullptr;
}

bool GLSetVsync(bool on)
{
    State& s = S();
    if (!detail::FakeGLCurrent()) return false;
    s.vsync = on ? 1 : 0;
    return true;
}

// ---- test controls ----------------------------------------------------------------------

namespace fake {

void Reset()
{
    State& s = S();
    SetSessionEndProc(nullptr);
    detail::FakeGLRelease();
    AudioClose();
    {
        AudioDevice& a = Audio();
        std::lock_guard<std::mutex> guard(a.lock);
        a.available = true;
        a.played.clear();
    }
    s.ticks = 0;
    s.calendar = 0;
    s.queue.clear();
    s.onCreate.clear();
    s.waitHook = nullptr;
    s.swapHook = nullptr;
    s.waits = 0;
    s.windows.clear();
    s.last = nullptr;
    for (KeyState& k : s.keys) k = KeyState();
    for (bool& h : s.hidden) h = false;
    s.glWindow = nullptr;
    s.joyAttached = false;
    s.joyX = s.joyY = 32767;
    s.joyButtons = 0;
    s.padAttached = false;
    s.pad = GamepadState();
    s.exeDir.clear();
    s.desktopWidth = 1024;
    s.desktopHeight = 768;
    s.usableWidth = s.usableHeight = -1;
    s.slept = 0;
    s.vsync = -1;
    s.videoAvailable = true;
    s.displayModeChanges = 0;
    s.notices.clear();
    s.consoleAvailable = true;
    s.console.clear();
    s.swapTicks = 0;
    detail::SetError("");
}

void SetTicks(uint32_t ms) { S().ticks = ms; }
void SetSwapTicks(uint32_t ms) { S().swapTicks = ms; }
void AdvanceTicks(uint32_t ms) { S().ticks += ms; }
void SetCalendarTime(int64_t seconds) { S().calendar = seconds; }

void PushMessage(const Message& msg) { S().queue.push_back(msg); }
size_t PendingMessages() { return S().queue.size(); }
void SendOnCreate(const Message& msg) { S().onCreate.push_back(msg); }
void SetWaitHook(std::function<void()> hook) { S().waitHook = std::move(hook); }
int WaitCount() { return S().waits; }
void SetSwapHook(std::function<void()> hook) { S().swapHook = std::move(hook); }

void EndSession() { detail::EndSession(); }

void SetKeyDown(int virtualKey, bool down)
{
    if (virtualKey < 0 || virtualKey > 255) return;
    KeyState& k = S().keys[virtualKey];
    if (down && !k.down) k.pressedSince = true;
    k.down = down;
}

void TapKey(int virtualKey)
{
    if (virtualKey < 0 || virtualKey > 255) return;
    S().keys[virtualKey].pressedSince = true;
}

void SetJoystick(bool attached, uint32_t x, uint32_t y, uint32_t buttons)
{
    State& s = S();
    s.joyAttached = attached;
    s.joyX = x;
    s.joyY = y;
    s.joyButtons = buttons;
}

void SetGamepad(bool attached, const GamepadState& state)
{
    State& s = S();
    s.padAttached = attached;
    s.pad = state;
}

void SetExecutableDir(const std::string& dir) { S().exeDir = dir; }

void SetDesktopSize(int width, int height)
{
    S().desktopWidth = width;
    S().desktopHeight = height;
}

void SetUsableScreenSize(int width, int height)
{
    S().usableWidth = width;
    S().usableHeight = height;
}

uint32_t SleptMilliseconds() { return S().slept; }

std::vector<uint8_t> WindowIcon(NativeWindow window, int* width, int* height)
{
    if (!Alive(window)) return {};
    if (width) *width = window->iconWidth;
    if (height) *height = window->iconHeight;
    return window->icon;
}

int Vsync() { return S().vsync; }

const std::vector<ShownNotice>& Notices() { return S().notices; }
void SetConsoleAvailable(bool available) { S().consoleAvailable = available; }
const std::string& ConsoleText() { return S().console; }

void SetAudioAvailable(bool available)
{
    AudioDevice& a = Audio();
    std::lock_guard<std::mutex> guard(a.lock);
    a.available = available;
}

bool AudioIsOpen()
{
    AudioDevice& a = Audio();
    std::lock_guard<std::mutex> guard(a.lock);
    return a.open;
}

size_t AudioQueuedCount()
{
    AudioDevice& a = Audio();
    std::lock_guard<std::mutex> guard(a.lock);
    return a.queue.size();
}

std::vector<uint8_t> AudioQueuedBuffer(size_t index)
{
    AudioDevice& a = Audio();
    std::lock_guard<std::mutex> guard(a.lock);
    if (index >= a.queue.size()) return {};
    const QueuedBuffer& b = a.queue[index];
    return std::vector<uint8_t>(b.data, b.data + b.bytes);
}

bool AudioCompleteOne()
{
    AudioDevice& a = Audio();
    AudioDoneProc done;
    void* user;
    {
        std::lock_guard<std::mutex> guard(a.lock);
        if (!a.open || a.queue.empty()) return false;
        QueuedBuffer b = a.queue.front();
        a.queue.pop_front();
        // The device reads the memory when it plays it, so the copy is taken now.
        a.played.emplace_back(b.data, b.data + b.bytes);
        done = a.done;
        user = a.user;
        ++a.notifying;
        a.notifyThread = std::this_thread::get_id();
    }
    if (done) done(user);
    {
        std::lock_guard<std::mutex> guard(a.lock);
        --a.notifying;
    }
    a.idle.notify_all();
    return true;
}

const std::vector<std::vector<uint8_t>>& AudioPlayed() { return Audio().played; }

void SetVideoAvailable(bool available) { S().videoAvailable = available; }
int DisplayModeChanges() { return S().displayModeChanges; }
NativeWindow LastCreatedWindow() { return S().last; }
bool WindowExists(NativeWindow window) { return Alive(window); }
bool HasGLContext() { return detail::FakeGLCurrent(); }

}  // namespace fake
}  // namespace plat
