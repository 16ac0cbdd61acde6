// SPDX-License-Identifier: MIT
// The SDL backend: clock, windows, our own message queue fed from SDL's events, keyboard and
// joystick state, and the GL context. The audio device is in SdlAudio.cpp.
//
// Implements: the whole contract, with SIGINT and SIGTERM as quit messages (exit code 128 +
// the signal), F11 and Alt+Enter for desktop full screen, the first joystick or gamepad that
// is plugged in (hot-plugging), and the frame loop of the desktop (DesktopLoop).
// Leaves out: display-mode changes (ChangeDisplayMode only notes that a full-screen window will
// take the mode; SDL makes it), windows other than top-level ones (a parent is ignored), the
// mouse wheel and the keys the game has no virtual-key name for.
//
// Every SDL event is turned into a Windows-numbered message the moment it is taken from SDL,
// and the key table is updated at that same moment. Reading the key state therefore pumps SDL
// into our queue first: the state is current, and no window message is lost or reordered.
#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/SDLCommon.h"
#include "platform/sdl/SdlInternal.h"

namespace plat {

struct NativeWindowRec {
    SDL_Window* sdl = nullptr;
    uint32_t id = 0;
    WindowProc proc = nullptr;
    void* userData = nullptr;
    bool fullScreen = false;
    int windowedWidth = 0, windowedHeight = 0;  // the size to go back to from full screen
};

namespace {

struct KeyState {
    bool down = false;
    bool pressedSince = false;
};

struct State {
    bool started = false;
    bool video = false;
    std::deque<Message> queue;
    std::vector<NativeWindow> windows;
    KeyState keys[256];
    SDL_Joystick* joystick = nullptr;  // the device in use, a plain joystick or a pad's
    SDL_GameController* pad = nullptr;  // set when that device is a known gamepad
    bool displayModeChanged = false;
};

State gState;

// The backend is a static library whose users come both before and after it on the link
// line; this reference pulls the audio device in whenever the rest of the backend is.
[[maybe_unused]] bool (*const kKeepAudio)(int, AudioDoneProc, void*) = &AudioOpen;

volatile std::sig_atomic_t gSignal = 0;

void OnSignal(int sig) { gSignal = sig; }

void Start()
{
    if (gState.started) return;
    gState.started = true;
    // SIGINT and SIGTERM become quit messages; the window's close button a close message,
    // never a quit of its own.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    struct sigaction sa = {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    SDL_Init(SDL_INIT_EVENTS);
    // A missing joystick or gamepad system only means no joystick.
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) SDL_InitSubSystem(SDL_INIT_JOYSTICK);
}

NativeWindow FindById(uint32_t id)
{
    for (NativeWindow w : gState.windows)
        if (w->id == id) return w;
    return nullptr;
}

bool Alive(NativeWindow w)
{
    return w && std::find(gState.windows.begin(), gState.windows.end(), w) != gState.windows.end();
}

void Post(NativeWindow w, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    Message m;
    m.window = w;
    m.message = message;
    m.wParam = wParam;
    m.lParam = lParam;
    gState.queue.push_back(m);
}

// SDL key to Windows virtual key; 0 for keys the game has no name for.
int VirtualKey(const SDL_Keysym& k)
{
    SDL_Keycode s = k.sym;
    if (s >= SDLK_a && s <= SDLK_z) return 'A' + (s - SDLK_a);
    if (s >= SDLK_0 && s <= SDLK_9) return '0' + (s - SDLK_0);
    // Layouts whose keys give other characters still have the letter and digit positions.
    SDL_Scancode c = k.scancode;
    if (c >= SDL_SCANCODE_A && c <= SDL_SCANCODE_Z) return 'A' + (c - SDL_SCANCODE_A);
    if (c >= SDL_SCANCODE_1 && c <= SDL_SCANCODE_9) return '1' + (c - SDL_SCANCODE_1);
    if (c == SDL_SCANCODE_0) return '0';
    if (s >= SDLK_F1 && s <= SDLK_F12) return 0x70 + (s - SDLK_F1);
    if (s >= SDLK_KP_1 && s <= SDLK_KP_9) return 0x61 + (s - SDLK_KP_1);
    switch (s) {
        case SDLK_BACKSPACE:
            return 8;
        case SDLK_TAB:
            return 9;
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            return VK_RETURN_KEY;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT:
            return 0x10;
        case SDLK_LCTRL:
        case SDLK_RCTRL:
            return 0x11;
        case SDLK_LALT:
        case SDLK_RALT:
            return 0x12;
        case SDLK_PAUSE:
            return 0x13;
        case SDLK_CAPSLOCK:
            return 0x14;
        case SDLK_ESCAPE:
            return VK_ESCAPE_KEY;
        case SDLK_SPACE:
            return VK_SPACE_KEY;
        case SDLK_PAGEUP:
            return 0x21;
        case SDLK_PAGEDOWN:
            return 0x22;
        case SDLK_END:
            return 0x23;
        case SDLK_HOME:
            return 0x24;
        case SDLK_LEFT:
            return VK_LEFT_KEY;
        case SDLK_UP:
            return VK_UP_KEY;
        case SDLK_RIGHT:
            return VK_RIGHT_KEY;
        case SDLK_DOWN:
            return VK_DOWN_KEY;
        case SDLK_INSERT:
            return 0x2D;
        case SDLK_DELETE:
            return 0x2E;
        case SDLK_KP_0:
            return 0x60;
        case SDLK_KP_MULTIPLY:
            return 0x6A;
        case SDLK_KP_PLUS:
            return 0x6B;
        case SDLK_KP_MINUS:
            return 0x6D;
        case SDLK_KP_PERIOD:
            return 0x6E;
        case SDLK_KP_DIVIDE:
            return 0x6F;
        default:
            return 0;
    }
}

intptr_t MousePos(int x, int y)
{
    return static_cast<intptr_t>((static_cast<uint32_t>(x) & 0xFFFFu) |
                                 ((static_cast<uint32_t>(y) & 0xFFFFu) << 16));
}

uintptr_t MouseFlags(uint32_t sdlButtons)
{
    uintptr_t f = 0;
    if (sdlButtons & SDL_BUTTON_LMASK) f |= 0x0001;  // MK_LBUTTON
    if (sdlButtons & SDL_BUTTON_RMASK) f |= 0x0002;  // MK_RBUTTON
    return f;
}

// The first device that opens; a gamepad SDL knows is opened as one.
void OpenFirstJoystick()
{
    if (gState.joystick) return;
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        if (SDL_IsGameController(i)) {
            gState.pad = SDL_GameControllerOpen(i);
            if (gState.pad) {
                gState.joystick = SDL_GameControllerGetJoystick(gState.pad);
                return;
            }
        }
        gState.joystick = SDL_JoystickOpen(i);
        if (gState.joystick) return;
    }
}

void CloseJoystick()
{
    if (gState.pad) SDL_GameControllerClose(gState.pad);
    else if (gState.joystick) SDL_JoystickClose(gState.joystick);
    gState.pad = nullptr;
    gState.joystick = nullptr;
}

// F11 and Alt+Enter switch desktop full screen and are not passed on to the game.
bool IsFullscreenShortcut(const SDL_KeyboardEvent& key)
{
    SDL_Keycode s = key.keysym.sym;
    if (s == SDLK_F11) return true;
    return (s == SDLK_RETURN || s == SDLK_KP_ENTER) && (key.keysym.mod & KMOD_ALT);
}

void Translate(const SDL_Event& ev)
{
    switch (ev.type) {
        case SDL_QUIT:
            Post(nullptr, MSG_QUIT, 0, 0);
            break;
        case SDL_WINDOWEVENT: {
            NativeWindow w = FindById(ev.window.windowID);
            if (!w) break;
            switch (ev.window.event) {
                case SDL_WINDOWEVENT_CLOSE:
                    Post(w, MSG_CLOSE, 0, 0);
                    break;
                case SDL_WINDOWEVENT_EXPOSED:
                    Post(w, MSG_PAINT, 0, 0);
                    break;
                case SDL_WINDOWEVENT_FOCUS_GAINED:
                    Post(w, MSG_ACTIVATEAPP, 1, 0);
                    break;
                case SDL_WINDOWEVENT_FOCUS_LOST:
                    Post(w, MSG_ACTIVATEAPP, 0, 0);
                    break;
                default:
                    break;
            }
            break;
        }
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            if (IsFullscreenShortcut(ev.key)) {
                NativeWindow w = FindById(ev.key.windowID);
                if (w && ev.type == SDL_KEYDOWN && !ev.key.repeat)
                    SetFullscreen(w, !IsFullscreen(w));
                break;
            }
            int vk = VirtualKey(ev.key.keysym);
            if (!vk) break;
            KeyState& k = gState.keys[vk];
            NativeWindow w = FindById(ev.key.windowID);
            if (ev.type == SDL_KEYDOWN) {
                if (!ev.key.repeat) k.pressedSince = true;
                k.down = true;
                Post(w, MSG_KEYDOWN, static_cast<uintptr_t>(vk), ev.key.repeat ? 0x40000001 : 1);
            } else {
                k.down = false;
                Post(w, MSG_KEYUP, static_cast<uintptr_t>(vk), static_cast<intptr_t>(0xC0000001u));
            }
            break;
        }
        case SDL_MOUSEMOTION: {
            NativeWindow w = FindById(ev.motion.windowID);
            if (w)
                Post(w, MSG_MOUSEMOVE, MouseFlags(ev.motion.state),
                     MousePos(ev.motion.x, ev.motion.y));
            break;
        }
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            NativeWindow w = FindById(ev.button.windowID);
            if (!w) break;
            bool left = ev.button.button == SDL_BUTTON_LEFT;
            if (!left && ev.button.button != SDL_BUTTON_RIGHT) break;
            uint32_t msg;
            if (ev.type == SDL_MOUSEBUTTONUP) {
                msg = left ? MSG_LBUTTONUP : MSG_RBUTTONUP;
            } else if (ev.button.clicks >= 2 && ev.button.clicks % 2 == 0) {
                msg = left ? MSG_LBUTTONDBLCLK : MSG_RBUTTONDBLCLK;  // the second press of a pair
            } else {
                msg = left ? MSG_LBUTTONDOWN : MSG_RBUTTONDOWN;
            }
            Post(w, msg, MouseFlags(SDL_GetMouseState(nullptr, nullptr)),
                 MousePos(ev.button.x, ev.button.y));
            break;
        }
        case SDL_JOYDEVICEADDED:
            OpenFirstJoystick();
            break;
        case SDL_JOYDEVICEREMOVED:
            if (gState.joystick && SDL_JoystickInstanceID(gState.joystick) == ev.jdevice.which) {
                CloseJoystick();
                OpenFirstJoystick();
            }
            break;
        default:
            break;
    }
}

// Moves everything SDL has collected into our queue, in order.
void Pump()
{
    Start();
    if (std::sig_atomic_t sig = gSignal) {
        gSignal = 0;
        Post(nullptr, MSG_QUIT, 128u + static_cast<uintptr_t>(sig), 0);
    }
    SDL_PumpEvents();
    SDL_Event ev;
    while (SDL_PeepEvents(&ev, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) Translate(ev);
}

}  // namespace

// ---- program location -------------------------------------------------------------------

const char* ExecutableDir()
{
    static std::string dir;
    static bool asked = false;
    if (!asked) {
        asked = true;
        if (char* base = SDL_GetBasePath()) {
            dir = base;
            SDL_free(base);
        }
    }
    return dir.c_str();
}

// ---- time -------------------------------------------------------------------------------

uint32_t Ticks()
{
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return static_cast<uint32_t>(ms.count());
}

int64_t CalendarTime() { return static_cast<int64_t>(std::time(nullptr)); }

// ---- display mode -----------------------------------------------------------------------

// Full-screen windows are created in the requested mode by SDL; restoring takes them out of
// full screen, which gives the desktop its own mode back.
void ChangeDisplayMode(int, int, int) { gState.displayModeChanged = true; }

void RestoreDisplayMode()
{
    if (!gState.displayModeChanged) return;
    gState.displayModeChanged = false;
    for (NativeWindow w : gState.windows)
        if (w->fullScreen) SDL_SetWindowFullscreen(w->sdl, 0);
}

// ---- windows and messages ---------------------------------------------------------------

NativeWindow CreateNativeWindow(const WindowDesc& desc, WindowProc proc)
{
    Start();
    if (!gState.video) {
        const char* asked = std::getenv("SDL_VIDEODRIVER");
        const char* x11 = std::getenv("DISPLAY");
        const char* wayland = std::getenv("WAYLAND_DISPLAY");
        // Unless a driver is asked for by name, only the window systems that are there: with
        // no display SDL would fall back to drivers that show nothing, and a game nobody can
        // see or steer is a failure.
        std::string drivers;
        if (x11 && *x11) drivers = "x11";
        if (wayland && *wayland) drivers += drivers.empty() ? "wayland" : ",wayland";
        if ((!asked || !*asked) && drivers.empty()) {
            detail::SetError("no display available (DISPLAY is not set)");
            return nullptr;
        }
        if (!detail::StartVideo(drivers.c_str())) return nullptr;
        gState.video = true;
    }
    if (desc.clientWidth <= 0 || desc.clientHeight <= 0) {
        detail::SetError("bad window size");
        return nullptr;
    }
    detail::SetGLAttributes();
    uint32_t flags = SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN;
    int x = SDL_WINDOWPOS_CENTERED, y = SDL_WINDOWPOS_CENTERED;
    if (desc.fullScreen) {
        flags |= SDL_WINDOW_FULLSCREEN;
        x = y = 0;
    }
    SDL_Window* sdl = SDL_CreateWindow(desc.title ? desc.title : "", x, y, desc.clientWidth,
                                       desc.clientHeight, flags);
    if (!sdl) {
        detail::SetSDLError("SDL");
        return nullptr;
    }
    auto* w = new NativeWindowRec;
    w->sdl = sdl;
    w->id = SDL_GetWindowID(sdl);
    w->proc = proc;
    w->fullScreen = desc.fullScreen;
    w->windowedWidth = desc.clientWidth;
    w->windowedHeight = desc.clientHeight;
    gState.windows.push_back(w);
    return w;
}

void SetWindowUserData(NativeWindow window, void* data)
{
    if (Alive(window)) window->userData = data;
}

void* GetWindowUserData(NativeWindow window) { return Alive(window) ? window->userData : nullptr; }

bool GetClientSize(NativeWindow window, int* width, int* height)
{
    if (!Alive(window)) return false;
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(window->sdl, &w, &h);
    if (w <= 0 || h <= 0) SDL_GetWindowSize(window->sdl, &w, &h);
    if (width) *width = w;
    if (height) *height = h;
    return true;
}

bool SetFullscreen(NativeWindow window, bool on)
{
    if (!Alive(window)) return false;
    if (SDL_SetWindowFullscreen(window->sdl, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0) {
        detail::SetSDLError("full screen");
        return false;
    }
    // Back in a window, the window's own size, also where the video driver keeps the screen's
    // (SDL's offscreen driver does).
    int w = 0, h = 0;
    SDL_GetWindowSize(window->sdl, &w, &h);
    if (!on && (w != window->windowedWidth || h != window->windowedHeight))
        SDL_SetWindowSize(window->sdl, window->windowedWidth, window->windowedHeight);
    return true;
}

bool IsFullscreen(NativeWindow window)
{
    return Alive(window) && (SDL_GetWindowFlags(window->sdl) & SDL_WINDOW_FULLSCREEN) != 0;
}

void SetWindowIcon(NativeWindow window, const uint8_t* rgba, int width, int height)
{
    if (!Alive(window) || !rgba || width <= 0 || height <= 0) return;
    SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<uint8_t*>(rgba), width, height, 32, width * 4, SDL_PIXELFORMAT_RGBA32);
    if (!icon) return;
    SDL_SetWindowIcon(window->sdl, icon);
    SDL_FreeSurface(icon);
}

void PostClose(NativeWindow window)
{
    if (Alive(window)) Post(window, MSG_CLOSE, 0, 0);
}

void PostQuit(int exitCode)
{
    Post(nullptr, MSG_QUIT, static_cast<uintptr_t>(static_cast<intptr_t>(exitCode)), 0);
}

bool PeekMessage(Message* out, bool remove)
{
    Pump();
    if (gState.queue.empty()) return false;
    if (out) *out = gState.queue.front();
    if (remove) gState.queue.pop_front();
    return true;
}

void WaitMessage()
{
    // SDL's wait does not wake for our own signal flag, so it waits in short steps.
    for (;;) {
        Pump();
        if (!gState.queue.empty()) return;
        SDL_WaitEventTimeout(nullptr, 100);
    }
}

void TranslateMessage(const Message& msg)
{
    if (msg.message != MSG_KEYDOWN) return;
    int vk = static_cast<int>(msg.wParam);
    int ch = 0;
    if (vk >= 'A' && vk <= 'Z') {
        bool shift = (SDL_GetModState() & KMOD_SHIFT) != 0;
        bool caps = (SDL_GetModState() & KMOD_CAPS) != 0;
        ch = (shift != caps) ? vk : vk - 'A' + 'a';
    } else if ((vk >= '0' && vk <= '9') || vk == VK_SPACE_KEY || vk == VK_RETURN_KEY ||
               vk == VK_ESCAPE_KEY || vk == 8 || vk == 9) {
        ch = vk;
    }
    if (!ch) return;
    Message c = msg;
    c.message = MSG_CHAR;
    c.wParam = static_cast<uintptr_t>(ch);
    gState.queue.push_front(c);  // read next, before anything that came after the key
}

void DispatchMessage(const Message& msg)
{
    if (!msg.window || !Alive(msg.window)) return;
    if (msg.window->proc) msg.window->proc(msg.window, msg.message, msg.wParam, msg.lParam);
    else DefaultWindowProc(msg.window, msg.message, msg.wParam, msg.lParam);
}

void DefaultWindowProc(NativeWindow window, uint32_t message, uintptr_t, intptr_t)
{
    if (message != MSG_CLOSE || !Alive(window)) return;
    if (window->proc) window->proc(window, MSG_DESTROY, 0, 0);
    if (!Alive(window)) return;
    if (detail::GLWindow() == window->sdl) detail::ReleaseGL();
    gState.windows.erase(std::find(gState.windows.begin(), gState.windows.end(), window));
    auto& q = gState.queue;
    q.erase(
        std::remove_if(q.begin(), q.end(), [&](const Message& m) { return m.window == window; }),
        q.end());
    SDL_DestroyWindow(window->sdl);
    delete window;
}

// ---- keyboard and joystick --------------------------------------------------------------

int16_t GetAsyncKeyState(int virtualKey)
{
    if (virtualKey < 0 || virtualKey > 255) return 0;
    Pump();
    KeyState& k = gState.keys[virtualKey];
    uint16_t r = (k.down ? 0x8000u : 0u) | (k.pressedSince ? 1u : 0u);
    k.pressedSince = false;
    return static_cast<int16_t>(r);
}

bool GetJoystick(uint32_t* x, uint32_t* y, uint32_t* buttons)
{
    Pump();  // also applies hot-plugging
    SDL_Joystick* j = gState.joystick;
    if (!j || gState.pad || !SDL_JoystickGetAttached(j)) return false;
    // SDL's axes run -32768..32767; ours 0..65535, 0 at the left or top.
    auto axis = [&](int i) {
        return SDL_JoystickNumAxes(j) > i ? static_cast<uint32_t>(SDL_JoystickGetAxis(j, i) + 32768)
                                          : 32767u;
    };
    if (x) *x = axis(0);
    if (y) *y = axis(1);
    if (buttons) {
        uint32_t mask = 0;
        int n = std::min(SDL_JoystickNumButtons(j), 32);
        for (int i = 0; i < n; ++i)
            if (SDL_JoystickGetButton(j, i)) mask |= 1u << i;
        *buttons = mask;
    }
    return true;
}

bool GetGamepad(GamepadState* out)
{
    Pump();
    SDL_GameController* p = gState.pad;
    if (!p || !SDL_GameControllerGetAttached(p)) return false;
    if (out) {
        GamepadState g;
        g.stickX = SDL_GameControllerGetAxis(p, SDL_CONTROLLER_AXIS_LEFTX);
        g.stickY = SDL_GameControllerGetAxis(p, SDL_CONTROLLER_AXIS_LEFTY);
        auto down = [&](SDL_GameControllerButton b) {
            return SDL_GameControllerGetButton(p, b) != 0;
        };
        g.dpadLeft = down(SDL_CONTROLLER_BUTTON_DPAD_LEFT);
        g.dpadRight = down(SDL_CONTROLLER_BUTTON_DPAD_RIGHT);
        g.dpadUp = down(SDL_CONTROLLER_BUTTON_DPAD_UP);
        g.dpadDown = down(SDL_CONTROLLER_BUTTON_DPAD_DOWN);
        g.south = down(SDL_CONTROLLER_BUTTON_A);
        g.north = down(SDL_CONTROLLER_BUTTON_Y);
        g.back = down(SDL_CONTROLLER_BUTTON_BACK);
        g.start = down(SDL_CONTROLLER_BUTTON_START);
        *out = g;
    }
    return true;
}

SDL_Window* detail::SdlWindowOf(NativeWindow window)
{
    return Alive(window) ? window->sdl : nullptr;
}

// ---- OpenGL -----------------------------------------------------------------------------

bool GLCreateContext(NativeWindow window)
{
    if (!Alive(window)) {
        detail::SetError("no window");
        return false;
    }
    return detail::CreateGLContext(window->sdl);
}

void GLSwapBuffers() { detail::SwapGL(); }

void GLReleaseContext() { detail::ReleaseGL(); }

bool GLSetVsync(bool on) { return detail::SetSwapInterval(on); }

}  // namespace plat
