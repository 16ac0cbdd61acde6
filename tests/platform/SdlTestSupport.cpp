// SPDX-License-Identifier: MIT
#include "SdlTestSupport.h"

#include <SDL.h>

#include "platform/sdl/SdlInternal.h"

namespace plat::sdltest {
namespace {

uint32_t WindowId(NativeWindow window)
{
    SDL_Window* w = detail::SdlWindowOf(window);
    return w ? SDL_GetWindowID(w) : 0;
}

SDL_Keycode Keycode(int vk)
{
    if (vk >= 'A' && vk <= 'Z') return SDLK_a + (vk - 'A');
    if (vk >= '0' && vk <= '9') return SDLK_0 + (vk - '0');
    switch (vk) {
        case VK_RETURN_KEY:
            return SDLK_RETURN;
        case VK_ESCAPE_KEY:
            return SDLK_ESCAPE;
        case VK_SPACE_KEY:
            return SDLK_SPACE;
        case VK_LEFT_KEY:
            return SDLK_LEFT;
        case VK_UP_KEY:
            return SDLK_UP;
        case VK_RIGHT_KEY:
            return SDLK_RIGHT;
        case VK_DOWN_KEY:
            return SDLK_DOWN;
        case 0x7A:
            return SDLK_F11;
        default:
            return SDLK_UNKNOWN;
    }
}

// One attached virtual device, opened so that its state can be set.
struct VirtualDevice {
    int device = -1;
    SDL_Joystick* handle = nullptr;

    bool Open(int index)
    {
        device = index;
        if (device < 0) return false;
        handle = SDL_JoystickOpen(device);
        return handle != nullptr;
    }
    // Axes 0 and 1; bit k of the mask is button k.
    void Set(int x, int y, uint32_t buttons, int count)
    {
        if (!handle) return;
        SDL_JoystickSetVirtualAxis(handle, 0, static_cast<Sint16>(x));
        SDL_JoystickSetVirtualAxis(handle, 1, static_cast<Sint16>(y));
        for (int i = 0; i < count; ++i)
            SDL_JoystickSetVirtualButton(handle, i,
                                         (buttons >> i) & 1u ? SDL_PRESSED : SDL_RELEASED);
    }
    void Detach()
    {
        if (handle) SDL_JoystickClose(handle);
        handle = nullptr;
        if (device >= 0) SDL_JoystickDetachVirtual(device);
        device = -1;
    }
};

VirtualDevice gStick;
VirtualDevice gPad;
const int kPadButtons = SDL_CONTROLLER_BUTTON_DPAD_RIGHT + 1;

}  // namespace

bool PushKey(NativeWindow window, int virtualKey, bool down, bool repeat, bool alt)
{
    SDL_Event ev = {};
    ev.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    ev.key.windowID = WindowId(window);
    ev.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    ev.key.repeat = repeat ? 1 : 0;
    ev.key.keysym.sym = Keycode(virtualKey);
    ev.key.keysym.scancode = SDL_GetScancodeFromKey(ev.key.keysym.sym);
    ev.key.keysym.mod = alt ? KMOD_LALT : KMOD_NONE;
    return SDL_PushEvent(&ev) == 1;
}

bool PushMouseMotion(NativeWindow window, int x, int y)
{
    SDL_Event ev = {};
    ev.type = SDL_MOUSEMOTION;
    ev.motion.windowID = WindowId(window);
    ev.motion.x = x;
    ev.motion.y = y;
    return SDL_PushEvent(&ev) == 1;
}

bool PushMouseButton(NativeWindow window, bool left, bool down, int clicks)
{
    SDL_Event ev = {};
    ev.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    ev.button.windowID = WindowId(window);
    ev.button.button = left ? SDL_BUTTON_LEFT : SDL_BUTTON_RIGHT;
    ev.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    ev.button.clicks = static_cast<Uint8>(clicks);
    return SDL_PushEvent(&ev) == 1;
}

bool PushWindowEvent(NativeWindow window, int sdlWindowEvent)
{
    SDL_Event ev = {};
    ev.type = SDL_WINDOWEVENT;
    ev.window.windowID = WindowId(window);
    ev.window.event = static_cast<Uint8>(sdlWindowEvent);
    return SDL_PushEvent(&ev) == 1;
}

int WindowEventClose() { return SDL_WINDOWEVENT_CLOSE; }
int WindowEventFocusLost() { return SDL_WINDOWEVENT_FOCUS_LOST; }
int WindowEventFocusGained() { return SDL_WINDOWEVENT_FOCUS_GAINED; }

bool GetWindowFacts(NativeWindow window, WindowFacts* out)
{
    SDL_Window* w = detail::SdlWindowOf(window);
    if (!w || !out) return false;
    SDL_Rect display = {};
    if (SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(w), &display) != 0) return false;
    WindowFacts f;
    SDL_GetWindowPosition(w, &f.x, &f.y);
    SDL_GetWindowSize(w, &f.width, &f.height);
    f.displayX = display.x;
    f.displayY = display.y;
    f.displayWidth = display.w;
    f.displayHeight = display.h;
    const Uint32 flags = SDL_GetWindowFlags(w);
    f.resizable = (flags & SDL_WINDOW_RESIZABLE) != 0;
    f.maximised = (flags & SDL_WINDOW_MAXIMIZED) != 0;
    f.fullScreen = (flags & SDL_WINDOW_FULLSCREEN) != 0;
    *out = f;
    return true;
}

bool PointerShown() { return SDL_ShowCursor(SDL_QUERY) == SDL_ENABLE; }

bool AttachJoystick()
{
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) return false;
    return gStick.Open(SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_FLIGHT_STICK, 2, 10, 0));
}

void SetJoystick(int x, int y, uint32_t buttons) { gStick.Set(x, y, buttons, 10); }

void DetachJoystick() { gStick.Detach(); }

bool AttachGamepad()
{
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) return false;
    SDL_VirtualJoystickDesc d = {};
    d.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    d.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    d.naxes = SDL_CONTROLLER_AXIS_MAX;
    d.nbuttons = kPadButtons;
    d.axis_mask = (1u << SDL_CONTROLLER_AXIS_MAX) - 1;
    d.button_mask = (1u << kPadButtons) - 1;  // virtual button k is gamepad button k
    d.name = "virtual gamepad";
    return gPad.Open(SDL_JoystickAttachVirtualEx(&d));
}

// Axes 0 and 1 are the gamepad's left stick too.
void SetGamepad(int stickX, int stickY, uint32_t buttons)
{
    gPad.Set(stickX, stickY, buttons, kPadButtons);
}

void DetachGamepad() { gPad.Detach(); }

}  // namespace plat::sdltest
