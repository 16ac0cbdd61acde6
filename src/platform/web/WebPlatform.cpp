// SPDX-License-Identifier: MIT
// The web backend: the game in a browser page, on emscripten's html5.h (no SDL).
//
// What it implements of the contract:
// - The window is the page's canvas (#canvas). The page lays it out (scaled to the page,
//   keeping 4:3); the drawing surface is its CSS size times the device pixel ratio, so it is
//   crisp on high-DPI screens, and the game fits its 640 x 480 picture into it.
// - Messages: our own queue, fed by the browser's events as they arrive between frames. Keys
//   by KeyboardEvent.code (the key's place, whatever the layout) as Windows virtual keys; the
//   mouse on the canvas in drawing-surface pixels; a hidden tab or a page without the focus
//   deactivates the window (MSG_ACTIVATEAPP), and the pass that learns it runs at once, so the
//   loop knows it paused before the browser stops calling it.
// - The frame loop is the browser's: RunLoop starts calling the frame once per
//   requestAnimationFrame and returns at once (no ASYNCIFY); the loop keeps the program alive
//   after main has returned. WaitMessage returns at once: the next display frame is the next
//   chance for a message. When the frame says the program is over, the program ends and the
//   page hears the exit code (Module.onExit): the quit message's that ended it, or 0.
// - Full screen of the canvas's frame by F11, Alt+Enter or SetFullscreen (browsers allow it
//   only inside a key press or a click); the window icon becomes the page's icon.
// - Gamepads through the Gamepad API: a pad with the standard mapping is the contract's
//   gamepad, any other device the plain joystick; the first one attached is the one read.
// - The GL context: our own OpenGL 1.1 subset on WebGL 1 (gl/), drawing into an offscreen
//   picture that the swap shows on the canvas. Vsync is the browser's: always on.
// - Sound: WebAudio.cpp.
// Left out: display-mode changes (a page cannot change the screen's mode: recorded only),
// the program's folder (there is none: ""), a second drawing surface (one canvas), the usable
// screen size (the page sets the canvas's), message boxes (lines go to the page's console),
// a sleep that yields (Sleep waits busily) and the end of the session (a closed tab says
// nothing).
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "platform/Detail.h"
#include "platform/Platform.h"
#include "platform/web/WebInternal.h"
#include "platform/web/gl/Device.h"
#include "platform/web/gl/Gl11.h"

namespace plat {

struct NativeWindowRec {
    WindowProc proc = nullptr;
    void* userData = nullptr;
    int width = 640, height = 480;  // the size asked for, used until the page lays out
};

namespace {

struct KeyState {
    bool down = false;
    bool pressedSince = false;
    char character = 0;  // what the last press typed, for MSG_CHAR
};

struct State {
    bool started = false;
    std::deque<Message> queue;
    std::vector<NativeWindow> windows;
    KeyState keys[256];
    bool visible = true;
    bool focused = true;
    bool displayModeChanged = false;
    bool context = false;
    NativeWindow contextWindow = nullptr;
    bool sizeStale = true;
    int surfaceWidth = 0, surfaceHeight = 0;  // what the page wants now
    long padIndex = -1;  // the gamepad or joystick in use
    FrameProc frame = nullptr;
    bool inFrame = false;
    bool looping = false;
    bool quitTaken = false;  // the last message removed was a quit message
    int quitCode = 0;
};

State gState;

bool Alive(NativeWindow w)
{
    return w && std::find(gState.windows.begin(), gState.windows.end(), w) != gState.windows.end();
}

// Events go to the window that owns the canvas: the first one alive.
NativeWindow CanvasWindow() { return gState.windows.empty() ? nullptr : gState.windows.front(); }

void Post(NativeWindow w, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    Message m;
    m.window = w;
    m.message = message;
    m.wParam = wParam;
    m.lParam = lParam;
    gState.queue.push_back(m);
}

// ---- keys ---------------------------------------------------------------------------------

struct CodeKey {
    const char* code;
    int vk;
};

const CodeKey kCodes[] = {
    {"Enter", VK_RETURN_KEY},
    {"NumpadEnter", VK_RETURN_KEY},
    {"Escape", VK_ESCAPE_KEY},
    {"Space", VK_SPACE_KEY},
    {"ArrowLeft", VK_LEFT_KEY},
    {"ArrowUp", VK_UP_KEY},
    {"ArrowRight", VK_RIGHT_KEY},
    {"ArrowDown", VK_DOWN_KEY},
    {"Backspace", 8},
    {"Tab", 9},
    {"ShiftLeft", 0x10},
    {"ShiftRight", 0x10},
    {"ControlLeft", 0x11},
    {"ControlRight", 0x11},
    {"AltLeft", 0x12},
    {"AltRight", 0x12},
    {"Pause", 0x13},
    {"CapsLock", 0x14},
    {"PageUp", 0x21},
    {"PageDown", 0x22},
    {"End", 0x23},
    {"Home", 0x24},
    {"Insert", 0x2D},
    {"Delete", 0x2E},
    {"NumpadMultiply", 0x6A},
    {"NumpadAdd", 0x6B},
    {"NumpadSubtract", 0x6D},
    {"NumpadDecimal", 0x6E},
    {"NumpadDivide", 0x6F},
};

// KeyboardEvent.code to a Windows virtual key; 0 for keys the game has no name for.
int VirtualKey(const char* code)
{
    const size_t n = std::strlen(code);
    if (n == 4 && std::strncmp(code, "Key", 3) == 0 && code[3] >= 'A' && code[3] <= 'Z')
        return code[3];
    if (n == 6 && std::strncmp(code, "Digit", 5) == 0 && code[5] >= '0' && code[5] <= '9')
        return code[5];
    if (n == 7 && std::strncmp(code, "Numpad", 6) == 0 && code[6] >= '0' && code[6] <= '9')
        return 0x60 + (code[6] - '0');
    if (code[0] == 'F' && n >= 2 && n <= 3) {
        const int f = std::atoi(code + 1);
        if (f >= 1 && f <= 12) return 0x70 + f - 1;
    }
    for (const CodeKey& k : kCodes)
        if (std::strcmp(code, k.code) == 0) return k.vk;
    return 0;
}

void ToggleFullscreen()
{
    if (NativeWindow w = CanvasWindow()) SetFullscreen(w, !IsFullscreen(w));
}

// Keys held when the page loses the focus never report their release: they are let go here.
void ReleaseAllKeys()
{
    for (int vk = 0; vk < 256; ++vk) {
        if (!gState.keys[vk].down) continue;
        gState.keys[vk].down = false;
        Post(CanvasWindow(), MSG_KEYUP, static_cast<uintptr_t>(vk),
             static_cast<intptr_t>(0xC0000001u));
    }
}

EM_BOOL OnKey(int type, const EmscriptenKeyboardEvent* e, void*)
{
    const bool down = type == EMSCRIPTEN_EVENT_KEYDOWN;
    const bool enter =
        std::strcmp(e->code, "Enter") == 0 || std::strcmp(e->code, "NumpadEnter") == 0;
    // F11 and Alt+Enter switch full screen and are not passed on to the game.
    if (std::strcmp(e->code, "F11") == 0 || (enter && e->altKey)) {
        if (down && !e->repeat) ToggleFullscreen();
        return EM_TRUE;
    }
    const int vk = VirtualKey(e->code);
    if (!vk) return EM_FALSE;
    KeyState& k = gState.keys[vk];
    if (down) {
        if (!e->repeat) k.pressedSince = true;
        k.down = true;
        const unsigned char c = static_cast<unsigned char>(e->key[0]);
        k.character = (e->key[1] == 0 && c >= 32 && c < 127) ? static_cast<char>(c) : 0;
        if (vk == VK_RETURN_KEY || vk == VK_ESCAPE_KEY || vk == 8 || vk == 9)
            k.character = static_cast<char>(vk);
        Post(CanvasWindow(), MSG_KEYDOWN, static_cast<uintptr_t>(vk), e->repeat ? 0x40000001 : 1);
    } else {
        k.down = false;
        Post(CanvasWindow(), MSG_KEYUP, static_cast<uintptr_t>(vk),
             static_cast<intptr_t>(0xC0000001u));
    }
    // The page's own use of the key (scrolling, buttons) stays out of the game's way, except
    // for the browser's shortcuts.
    return (e->ctrlKey || e->metaKey) ? EM_FALSE : EM_TRUE;
}

// ---- mouse --------------------------------------------------------------------------------

intptr_t MousePos(const EmscriptenMouseEvent* e)
{
    double cssW = 0, cssH = 0;
    emscripten_get_element_css_size(web::kCanvas, &cssW, &cssH);
    int w = 0, h = 0;
    emscripten_get_canvas_element_size(web::kCanvas, &w, &h);
    const double sx = cssW > 0 ? w / cssW : 1.0, sy = cssH > 0 ? h / cssH : 1.0;
    const int x = static_cast<int>(std::floor(e->targetX * sx));
    const int y = static_cast<int>(std::floor(e->targetY * sy));
    return static_cast<intptr_t>((static_cast<uint32_t>(x) & 0xFFFFu) |
                                 ((static_cast<uint32_t>(y) & 0xFFFFu) << 16));
}

uintptr_t MouseFlags(const EmscriptenMouseEvent* e)
{
    uintptr_t f = 0;
    if (e->buttons & 1) f |= 0x0001;  // MK_LBUTTON
    if (e->buttons & 2) f |= 0x0002;  // MK_RBUTTON
    return f;
}

EM_BOOL OnMouse(int type, const EmscriptenMouseEvent* e, void*)
{
    NativeWindow w = CanvasWindow();
    if (!w) return EM_FALSE;
    const bool left = e->button == 0, right = e->button == 2;
    uint32_t msg = 0;
    switch (type) {
        case EMSCRIPTEN_EVENT_MOUSEMOVE:
            msg = MSG_MOUSEMOVE;
            break;
        case EMSCRIPTEN_EVENT_MOUSEDOWN:
            msg = left ? MSG_LBUTTONDOWN : right ? MSG_RBUTTONDOWN : 0;
            break;
        case EMSCRIPTEN_EVENT_MOUSEUP:
            msg = left ? MSG_LBUTTONUP : right ? MSG_RBUTTONUP : 0;
            break;
        case EMSCRIPTEN_EVENT_DBLCLICK:
            msg = left ? MSG_LBUTTONDBLCLK : right ? MSG_RBUTTONDBLCLK : 0;
            break;
        default:
            break;
    }
    if (!msg) return EM_FALSE;
    Post(w, msg, MouseFlags(e), MousePos(e));
    return EM_FALSE;
}

// ---- activation -----------------------------------------------------------------------------

void RunPass();

void SetActive(bool visible, bool focused)
{
    const bool was = gState.visible && gState.focused;
    gState.visible = visible;
    gState.focused = focused;
    const bool now = visible && focused;
    if (was == now) return;
    if (!now) ReleaseAllKeys();
    for (NativeWindow w : gState.windows) Post(w, MSG_ACTIVATEAPP, now ? 1 : 0, 0);
    // The pass that sees the window go inactive runs now: a hidden page gets no more display
    // frames, and the loop must know it paused before the time away is counted.
    if (!now) RunPass();
}

EM_BOOL OnVisibility(int, const EmscriptenVisibilityChangeEvent* e, void*)
{
    SetActive(!e->hidden, gState.focused);
    return EM_FALSE;
}

EM_BOOL OnFocus(int type, const EmscriptenFocusEvent*, void*)
{
    SetActive(gState.visible, type == EMSCRIPTEN_EVENT_FOCUS);
    return EM_FALSE;
}

EM_BOOL OnResize(int, const void*, void*)
{
    gState.sizeStale = true;
    return EM_FALSE;
}

EM_BOOL OnUiResize(int type, const EmscriptenUiEvent* e, void* user)
{
    return OnResize(type, e, user);
}

EM_BOOL OnFullscreenChange(int type, const EmscriptenFullscreenChangeEvent* e, void* user)
{
    return OnResize(type, e, user);
}

void Start()
{
    if (gState.started) return;
    gState.started = true;
    gState.visible = !qb_page_hidden();
    gState.focused = true;  // until the page says otherwise: a fresh page has the player's eye
    const char* win = EMSCRIPTEN_EVENT_TARGET_WINDOW;
    emscripten_set_keydown_callback(win, nullptr, EM_TRUE, OnKey);
    emscripten_set_keyup_callback(win, nullptr, EM_TRUE, OnKey);
    emscripten_set_mousemove_callback(web::kCanvas, nullptr, EM_FALSE, OnMouse);
    emscripten_set_mousedown_callback(web::kCanvas, nullptr, EM_FALSE, OnMouse);
    emscripten_set_mouseup_callback(web::kCanvas, nullptr, EM_FALSE, OnMouse);
    emscripten_set_dblclick_callback(web::kCanvas, nullptr, EM_FALSE, OnMouse);
    emscripten_set_visibilitychange_callback(nullptr, EM_FALSE, OnVisibility);
    emscripten_set_blur_callback(win, nullptr, EM_FALSE, OnFocus);
    emscripten_set_focus_callback(win, nullptr, EM_FALSE, OnFocus);
    emscripten_set_resize_callback(win, nullptr, EM_FALSE, OnUiResize);
    emscripten_set_fullscreenchange_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, EM_FALSE,
                                             OnFullscreenChange);
}

// ---- the drawing surface --------------------------------------------------------------------

// The canvas's CSS size times the device pixel ratio: the pixels the page shows it in.
void WantedSurface(int* width, int* height)
{
    if (gState.sizeStale) {
        gState.sizeStale = false;
        double cssW = 0, cssH = 0;
        emscripten_get_element_css_size(web::kCanvas, &cssW, &cssH);
        const double ratio = emscripten_get_device_pixel_ratio();
        int w = static_cast<int>(std::lround(cssW * ratio));
        int h = static_cast<int>(std::lround(cssH * ratio));
        if (w <= 0 || h <= 0) {
            NativeWindow win = CanvasWindow();
            w = win ? win->width : 640;
            h = win ? win->height : 480;
        }
        gState.surfaceWidth = std::min(w, 8192);
        gState.surfaceHeight = std::min(h, 8192);
    }
    *width = gState.surfaceWidth;
    *height = gState.surfaceHeight;
}

void RunPass()
{
    if (!gState.looping || gState.inFrame || !gState.frame) return;
    gState.inFrame = true;
    const bool goOn = gState.frame();
    gState.inFrame = false;
    if (goOn) return;
    gState.looping = false;
    gState.frame = nullptr;
    // No event may call into the program once it has ended; a later RunLoop listens again.
    emscripten_html5_remove_all_event_listeners();
    gState.started = false;
    qb_web_stop_loop(gState.quitTaken ? gState.quitCode : 0);
}

}  // namespace

// ---- program location and time ------------------------------------------------------------

const char* ExecutableDir() { return ""; }

uint32_t Ticks() { return static_cast<uint32_t>(static_cast<uint64_t>(emscripten_get_now())); }

int64_t CalendarTime() { return static_cast<int64_t>(emscripten_date_now() / 1000.0); }

// A page never gives up its thread: the time passes in a busy wait (the display frame paces
// the game here, so only an explicit frame rate limit would ever ask for it).
void Sleep(uint32_t ms)
{
    const double until = emscripten_get_now() + ms;
    while (emscripten_get_now() < until) {
    }
}

// ---- the player's messages --------------------------------------------------------------

// The page's console is where a player who looks finds the lines; the page itself says what
// matters to everyone (no WebGL, no archive).
void ShowNotice(Notice, const char*, const char*) {}

bool ConsolePrint(const char* text, bool toStandardError)
{
    std::fputs(text ? text : "", toStandardError ? stderr : stdout);
    return true;
}

void ChangeDisplayMode(int, int, int) { gState.displayModeChanged = true; }

void RestoreDisplayMode() { gState.displayModeChanged = false; }

// ---- windows and messages ---------------------------------------------------------------

NativeWindow CreateNativeWindow(const WindowDesc& desc, WindowProc proc)
{
    Start();
    if (desc.clientWidth <= 0 || desc.clientHeight <= 0) {
        detail::SetError("bad window size");
        return nullptr;
    }
    auto* w = new NativeWindowRec;
    w->proc = proc;
    w->width = desc.clientWidth;
    w->height = desc.clientHeight;
    gState.windows.push_back(w);
    if (gState.windows.size() == 1 && desc.title && *desc.title) qb_page_set_title(desc.title);
    gState.sizeStale = true;
    // A page opened in a tab in the background starts deactivated.
    if (!(gState.visible && gState.focused)) Post(w, MSG_ACTIVATEAPP, 0, 0);
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
    if (gState.context && window == gState.contextWindow) webgl::SurfaceSize(&w, &h);
    else WantedSurface(&w, &h);
    if (width) *width = w;
    if (height) *height = h;
    return true;
}

// The page lays the canvas out: the game's window is whatever it is given.
bool GetUsableScreenSize(int*, int*) { return false; }

bool SetFullscreen(NativeWindow window, bool on)
{
    if (!Alive(window)) return false;
    if (!qb_page_fullscreen(on ? 1 : 0)) {
        detail::SetError("the browser allows full screen only after a key press or a click");
        return false;
    }
    gState.sizeStale = true;
    return true;
}

bool IsFullscreen(NativeWindow window) { return Alive(window) && qb_page_is_fullscreen(); }

void SetWindowIcon(NativeWindow window, const uint8_t* rgba, int width, int height)
{
    if (!Alive(window) || !rgba || width <= 0 || height <= 0) return;
    qb_page_set_icon(rgba, width, height);
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
    Start();
    if (gState.queue.empty()) return false;
    if (out) *out = gState.queue.front();
    if (remove) {
        const Message& m = gState.queue.front();
        gState.quitTaken = m.message == MSG_QUIT;
        if (gState.quitTaken) gState.quitCode = static_cast<int>(static_cast<intptr_t>(m.wParam));
        gState.queue.pop_front();
    }
    return true;
}

// The browser delivers events only between frames: the next frame is the next chance.
void WaitMessage() { Start(); }
void WaitMessageFor(uint32_t) { Start(); }  // as WaitMessage: the next frame is the next look

void TranslateMessage(const Message& msg)
{
    if (msg.message != MSG_KEYDOWN || msg.wParam > 255) return;
    const char ch = gState.keys[msg.wParam].character;
    if (!ch) return;
    Message c = msg;
    c.message = MSG_CHAR;
    c.wParam = static_cast<uintptr_t>(static_cast<unsigned char>(ch));
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
    if (gState.context && gState.contextWindow == window) GLReleaseContext();
    gState.windows.erase(std::find(gState.windows.begin(), gState.windows.end(), window));
    auto& q = gState.queue;
    q.erase(
        std::remove_if(q.begin(), q.end(), [&](const Message& m) { return m.window == window; }),
        q.end());
    delete window;
}

// ---- the frame loop -----------------------------------------------------------------------

void RunLoop(FrameProc frame)
{
    Start();
    gState.frame = frame;
    gState.looping = true;
    // Back at once: the browser calls qb_web_tick from now on, also after main has returned.
    qb_web_start_loop();
}

// ---- keyboard and joystick --------------------------------------------------------------

int16_t GetAsyncKeyState(int virtualKey)
{
    if (virtualKey < 0 || virtualKey > 255) return 0;
    KeyState& k = gState.keys[virtualKey];
    uint16_t r = (k.down ? 0x8000u : 0u) | (k.pressedSince ? 1u : 0u);
    k.pressedSince = false;
    return static_cast<int16_t>(r);
}

namespace {

// The device in use: the first one attached, kept until it goes. False when there is none.
bool SampleDevice(EmscriptenGamepadEvent* out)
{
    if (emscripten_sample_gamepad_data() != EMSCRIPTEN_RESULT_SUCCESS) return false;
    const int n = emscripten_get_num_gamepads();
    if (gState.padIndex >= 0) {
        if (gState.padIndex < n &&
            emscripten_get_gamepad_status(static_cast<int>(gState.padIndex), out) ==
                EMSCRIPTEN_RESULT_SUCCESS &&
            out->connected)
            return true;
        gState.padIndex = -1;
    }
    for (int i = 0; i < n; ++i) {
        if (emscripten_get_gamepad_status(i, out) == EMSCRIPTEN_RESULT_SUCCESS && out->connected) {
            gState.padIndex = i;
            return true;
        }
    }
    return false;
}

bool IsStandard(const EmscriptenGamepadEvent& e) { return std::strcmp(e.mapping, "standard") == 0; }

int16_t Axis(const EmscriptenGamepadEvent& e, int i)
{
    if (i >= e.numAxes) return 0;
    const double v = std::max(-1.0, std::min(1.0, e.axis[i]));
    return static_cast<int16_t>(std::lround(v < 0 ? v * 32768.0 : v * 32767.0));
}

bool Button(const EmscriptenGamepadEvent& e, int i)
{
    return i < e.numButtons && e.digitalButton[i];
}

}  // namespace

bool GetJoystick(uint32_t* x, uint32_t* y, uint32_t* buttons)
{
    EmscriptenGamepadEvent e;
    if (!SampleDevice(&e) || IsStandard(e)) return false;
    if (x) *x = static_cast<uint32_t>(Axis(e, 0) + 32768);
    if (y) *y = static_cast<uint32_t>(Axis(e, 1) + 32768);
    if (buttons) {
        uint32_t mask = 0;
        for (int i = 0; i < std::min(e.numButtons, 32); ++i)
            if (e.digitalButton[i]) mask |= 1u << i;
        *buttons = mask;
    }
    return true;
}

bool GetGamepad(GamepadState* out)
{
    EmscriptenGamepadEvent e;
    if (!SampleDevice(&e) || !IsStandard(e)) return false;
    if (out) {
        // The standard mapping's button numbers.
        GamepadState g;
        g.stickX = Axis(e, 0);
        g.stickY = Axis(e, 1);
        g.south = Button(e, 0);
        g.north = Button(e, 3);
        g.back = Button(e, 8);
        g.start = Button(e, 9);
        g.dpadUp = Button(e, 12);
        g.dpadDown = Button(e, 13);
        g.dpadLeft = Button(e, 14);
        g.dpadRight = Button(e, 15);
        *out = g;
    }
    return true;
}

// ---- OpenGL -----------------------------------------------------------------------------

bool GLCreateContext(NativeWindow window)
{
    if (!Alive(window)) {
        detail::SetError("no window");
        return false;
    }
    GLReleaseContext();
    int w = 0, h = 0;
    gState.sizeStale = true;
    WantedSurface(&w, &h);
    emscripten_set_canvas_element_size(web::kCanvas, w, h);
    std::string why;
    if (!webgl::Create(web::kCanvas, &why)) {
        detail::SetError(why.c_str());
        return false;
    }
    gl11::ContextCreated();
    gState.context = true;
    gState.contextWindow = window;
    return true;
}

void GLSwapBuffers()
{
    if (!gState.context) return;
    int w = 0, h = 0, sw = 0, sh = 0;
    WantedSurface(&w, &h);
    webgl::SurfaceSize(&sw, &sh);
    if (w != sw || h != sh) {
        // The page changed the canvas's size: this picture is shown stretched once, the next
        // ones are drawn at the new size.
        emscripten_set_canvas_element_size(web::kCanvas, w, h);
        webgl::Present();
        webgl::SetSurfaceSize(w, h);
        return;
    }
    webgl::Present();
}

void GLReleaseContext()
{
    if (!gState.context) return;
    gl11::ContextReleased();
    webgl::Destroy();
    gState.context = false;
    gState.contextWindow = nullptr;
}

// Frames follow the display's refresh (requestAnimationFrame): that is all a page can do.
bool GLSetVsync(bool on) { return on && gState.context; }

}  // namespace plat

// One display frame: a pass of the program. 0 when it is over.
extern "C" EMSCRIPTEN_KEEPALIVE int qb_web_tick(double)
{
    plat::RunPass();
    return plat::gState.looping ? 1 : 0;
}
