// SPDX-License-Identifier: MIT
// The contract driver of the SDL backend, on SDL's offscreen video and dummy audio drivers:
// the user's keys, mouse and window events go into SDL's own queue as the window system would
// put them there, SDL's virtual devices stand in for a joystick and a gamepad, the clock is the
// real one, and naming a sound driver that does not exist takes the device away.
#include <SDL.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "contract/Driver.h"
#include "platform/sdl/SdlInternal.h"

namespace contract {
namespace {

uint32_t WindowId(plat::NativeWindow window)
{
    SDL_Window* w = plat::detail::SdlWindowOf(window);
    return w ? SDL_GetWindowID(w) : 0;
}

SDL_Keycode Keycode(int vk)
{
    if (vk >= 'A' && vk <= 'Z') return SDLK_a + (vk - 'A');
    if (vk >= '0' && vk <= '9') return SDLK_0 + (vk - '0');
    switch (vk) {
        case plat::VK_RETURN_KEY:
            return SDLK_RETURN;
        case plat::VK_ESCAPE_KEY:
            return SDLK_ESCAPE;
        case plat::VK_SPACE_KEY:
            return SDLK_SPACE;
        case plat::VK_LEFT_KEY:
            return SDLK_LEFT;
        case plat::VK_UP_KEY:
            return SDLK_UP;
        case plat::VK_RIGHT_KEY:
            return SDLK_RIGHT;
        case plat::VK_DOWN_KEY:
            return SDLK_DOWN;
        case 0x7A:
            return SDLK_F11;
        default:
            return SDLK_UNKNOWN;
    }
}

bool gAltFor[256] = {};  // keys pressed with Alt: their release comes with Alt still held

bool PushKey(plat::NativeWindow window, int vk, bool down, bool alt)
{
    const SDL_Keycode key = Keycode(vk);
    if (key == SDLK_UNKNOWN) return false;
    SDL_Event ev = {};
    ev.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    ev.key.windowID = WindowId(window);
    ev.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    ev.key.keysym.sym = key;
    ev.key.keysym.scancode = SDL_GetScancodeFromKey(key);
    ev.key.keysym.mod = alt ? KMOD_LALT : KMOD_NONE;
    return SDL_PushEvent(&ev) == 1;
}

bool PushWindowEvent(plat::NativeWindow window, SDL_WindowEventID event)
{
    SDL_Event ev = {};
    ev.type = SDL_WINDOWEVENT;
    ev.window.windowID = WindowId(window);
    ev.window.event = static_cast<Uint8>(event);
    return SDL_PushEvent(&ev) == 1;
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
std::string gSavedAudioDriver;
bool gHadAudioDriver = false;

}  // namespace

const char* BackendName() { return "the SDL backend"; }

void SetUp()
{
    for (bool& a : gAltFor) a = false;
}

void TearDown()
{
    gStick.Detach();
    gPad.Detach();
}

bool HostOwnsTheLoop() { return false; }

bool WaitUntil(const std::function<bool()>& done, int limitMs)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void LetTimePass(uint32_t ms)
{
    const uint32_t t0 = plat::Ticks();
    while (plat::Ticks() - t0 < ms) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

bool PressKey(plat::NativeWindow window, int vk, bool alt)
{
    if (vk < 0 || vk > 255) return false;
    gAltFor[vk] = alt;
    return PushKey(window, vk, true, alt);
}

bool ReleaseKey(plat::NativeWindow window, int vk)
{
    if (vk < 0 || vk > 255) return false;
    const bool alt = gAltFor[vk];
    gAltFor[vk] = false;
    return PushKey(window, vk, false, alt);
}

bool MoveMouse(plat::NativeWindow window, int x, int y)
{
    SDL_Event ev = {};
    ev.type = SDL_MOUSEMOTION;
    ev.motion.windowID = WindowId(window);
    ev.motion.x = x;
    ev.motion.y = y;
    return SDL_PushEvent(&ev) == 1;
}

bool MouseButton(plat::NativeWindow window, bool left, bool down, bool doubleClick)
{
    SDL_Event ev = {};
    ev.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    ev.button.windowID = WindowId(window);
    ev.button.button = left ? SDL_BUTTON_LEFT : SDL_BUTTON_RIGHT;
    ev.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    ev.button.clicks = doubleClick ? 2 : 1;
    return SDL_PushEvent(&ev) == 1;
}

bool ClickCloseButton(plat::NativeWindow window)
{
    return PushWindowEvent(window, SDL_WINDOWEVENT_CLOSE);
}
bool SwitchAway(plat::NativeWindow window)
{
    return PushWindowEvent(window, SDL_WINDOWEVENT_FOCUS_LOST);
}
bool SwitchBack(plat::NativeWindow window)
{
    return PushWindowEvent(window, SDL_WINDOWEVENT_FOCUS_GAINED);
}

bool GetWindowFacts(plat::NativeWindow window, WindowFacts* out)
{
    SDL_Window* w = plat::detail::SdlWindowOf(window);
    if (!w || !out) return false;
    SDL_Rect display = {};
    if (SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(w), &display) != 0) return false;
    WindowFacts f;
    int top = 0, left = 0, bottom = 0, right = 0;
    SDL_GetWindowBordersSize(w, &top, &left, &bottom, &right);  // none without a manager
    SDL_GetWindowPosition(w, &f.x, &f.y);
    SDL_GetWindowSize(w, &f.width, &f.height);
    f.x -= left;
    f.y -= top;
    f.width += left + right;
    f.height += top + bottom;
    f.screenX = display.x;
    f.screenY = display.y;
    f.screenWidth = display.w;
    f.screenHeight = display.h;
    const Uint32 flags = SDL_GetWindowFlags(w);
    f.resizable = (flags & SDL_WINDOW_RESIZABLE) != 0;
    // SDL lets a window be maximised exactly when it can be resized.
    f.maximisable = f.resizable || (flags & SDL_WINDOW_MAXIMIZED) != 0;
    f.visible = (flags & SDL_WINDOW_SHOWN) != 0 && (flags & SDL_WINDOW_HIDDEN) == 0;
    *out = f;
    return true;
}

bool GetScreenSize(int* width, int* height)
{
    SDL_Rect display = {};
    if (!SDL_WasInit(SDL_INIT_VIDEO) || SDL_GetDisplayBounds(0, &display) != 0) return false;
    *width = display.w;
    *height = display.h;
    return true;
}

int ShowsOwnIcon(plat::NativeWindow) { return -1; }  // SDL gives no icon back

std::string ProgramFileName() { return "platform_contract_sdl"; }

bool PlugJoystick()
{
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) return false;
    return gStick.Open(SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_FLIGHT_STICK, 2, 10, 0));
}

// The contract's 0..65535 are SDL's -32768..32767.
void SetJoystick(uint32_t x, uint32_t y, uint32_t buttons)
{
    gStick.Set(static_cast<int>(x) - 32768, static_cast<int>(y) - 32768, buttons, 10);
}

void UnplugJoystick() { gStick.Detach(); }

bool PlugGamepad()
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

// Axes 0 and 1 are the gamepad's left stick; the buttons in SDL's gamepad numbering.
void SetGamepad(const plat::GamepadState& s)
{
    uint32_t buttons = 0;
    auto set = [&](bool on, SDL_GameControllerButton b) {
        if (on) buttons |= 1u << b;
    };
    set(s.south, SDL_CONTROLLER_BUTTON_A);
    set(s.north, SDL_CONTROLLER_BUTTON_Y);
    set(s.back, SDL_CONTROLLER_BUTTON_BACK);
    set(s.start, SDL_CONTROLLER_BUTTON_START);
    set(s.dpadUp, SDL_CONTROLLER_BUTTON_DPAD_UP);
    set(s.dpadDown, SDL_CONTROLLER_BUTTON_DPAD_DOWN);
    set(s.dpadLeft, SDL_CONTROLLER_BUTTON_DPAD_LEFT);
    set(s.dpadRight, SDL_CONTROLLER_BUTTON_DPAD_RIGHT);
    gPad.Set(s.stickX, s.stickY, buttons, kPadButtons);
}

void UnplugGamepad() { gPad.Detach(); }

bool RemoveAudioDevice()
{
    const char* old = std::getenv("SDL_AUDIODRIVER");
    gHadAudioDriver = old != nullptr;
    gSavedAudioDriver = old ? old : "";
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    return true;
}

void RestoreAudioDevice()
{
    if (gHadAudioDriver) setenv("SDL_AUDIODRIVER", gSavedAudioDriver.c_str(), 1);
    else unsetenv("SDL_AUDIODRIVER");
}

void StartAudioPlayer() {}  // SDL's audio thread plays
void StopAudioPlayer() {}

}  // namespace contract
