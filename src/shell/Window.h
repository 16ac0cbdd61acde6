// SPDX-License-Identifier: MIT
// The window framework. A Window wraps one native top-level window: it is created, shown and
// put into the WindowList by its constructor, the one window procedure turns the platform's
// messages into virtual calls (OnEvent for keys and mouse, Paint, MessageHook), the main loop
// calls Frame through DrawAllWindows, and the window deletes itself when it is closed.
#pragma once

#include <cstdint>

#include "platform/Platform.h"

class Window;

// What the start-up hands to the game window, unchanged down to the Window constructor.
struct WindowCreateParams {
    const char* title = "";  // also the window class name
    int32_t width = 640;  // client area in pixels
    int32_t height = 480;
    bool noBackground = true;
    Window* parent = nullptr;
    bool fullScreen = false;
    int32_t bitsPerPixel = 32;  // colour depth for full screen
};

// Names mapped to native handles; slot "WindowHandler" holds the native window.
class HandleTable {
public:
    explicit HandleTable(int32_t count);
    ~HandleTable();

    HandleTable(const HandleTable&) = delete;
    HandleTable& operator=(const HandleTable&) = delete;

    // Stores the handle in the slot (index clamped into range); a name, when given, replaces
    // the slot's name.
    void Set(int32_t slot, void* handle, const char* name);
    // The handle of the first slot named exactly name, or none.
    void* Lookup(const char* name) const;
    int32_t Count() const { return count; }

private:
    struct Slot {
        void* handle = nullptr;
        char* name = nullptr;
    };
    Slot* slots = nullptr;
    int32_t count = 0;
};

// OnEvent kinds and the mouse codes of kind EVENT_MOUSE.
enum : int32_t {
    EVENT_KEY = 2,  // code: virtual-key code
    EVENT_MOUSE = 3,  // code: one of the MOUSE_ values
};
enum : int32_t {
    MOUSE_MOVE = 0,
    MOUSE_LEFT_UP = 1,
    MOUSE_LEFT_DOWN = 2,
    MOUSE_RIGHT_UP = 3,
    MOUSE_RIGHT_DOWN = 4,
    MOUSE_LEFT_DOUBLE = 5,
    MOUSE_RIGHT_DOUBLE = 6,
};

class Window {
public:
    Window(const char* title, int32_t width, int32_t height, bool noBackground, Window* parent,
           bool fullScreen, int32_t bitsPerPixel);
    explicit Window(const WindowCreateParams& params);
    // Leaves the WindowList, detaches from the native window and posts it a close message.
    // A window may delete itself inside any of its handlers.
    virtual ~Window();

    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    virtual void OnEvent(int32_t /*kind*/, int32_t /*code*/, int32_t /*extra*/) {}
    virtual void MessageHook(uint32_t /*message*/, uintptr_t /*wParam*/, intptr_t /*lParam*/) {}
    virtual void Frame() {}
    virtual void Paint() {}

    // The native window (the "WindowHandler" handle), or none when it could not be created.
    plat::NativeWindow NativeHandle() const;

    HandleTable* handles = nullptr;
    bool active = false;  // frames run only while some window is active
    bool created = false;  // events and paint are delivered only once set
    bool fullScreen = false;
    int32_t mouseX = 0, mouseY = 0;
    int32_t prevMouseX = 0, prevMouseY = 0;
    bool leftDown = false, rightDown = false;
    bool leftDoubleClick = false, rightDoubleClick = false;

private:
    friend void WindowProcedure(plat::NativeWindow, uint32_t, uintptr_t, intptr_t);
    struct DeleteWatch;

    void Construct(const char* title, int32_t width, int32_t height, bool noBackground,
                   Window* parent, bool fullScreen, int32_t bitsPerPixel);
    void Dispatch(uint32_t message, uintptr_t wParam, intptr_t lParam);

    DeleteWatch* watches = nullptr;  // dispatches running on this window
};

// The procedure of every native window the framework creates.
void WindowProcedure(plat::NativeWindow window, uint32_t message, uintptr_t wParam,
                     intptr_t lParam);

// The window whose native window is being created, or none.
extern Window* ConstructingWindow;

// The list of live windows. A window takes the first empty slot; with none empty the list
// doubles (at least one slot) and the window takes the last slot. Emptied completely, the
// list releases its slots.
namespace WindowList {
void Register(Window* window);
void Unregister(Window* window);
int32_t Capacity();
Window* At(int32_t slot);  // none for an empty slot or an index out of range
}  // namespace WindowList

bool AnyWindowActive();
bool AnyWindowRegistered();  // the list has slots
// Frame of every listed window, in slot order. A window may delete itself inside Frame.
void DrawAllWindows();

// Start-up failures that leave the game without a window or a picture: the first one is
// kept for the entry point to report. None when nothing failed.
void RecordStartupFailure(const char* what, const char* why);
const char* StartupFailure();
void ClearStartupFailure();
