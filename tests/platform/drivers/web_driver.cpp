// SPDX-License-Identifier: MIT
// The contract driver of the web backend, in headless Chromium: the user's keys, mouse, focus
// and gamepads reach the backend as the browser makes them (synthetic DOM events on the page,
// a replaced navigator.getGamepads; tests/web/PageControl.h), and the browser owns the frame
// loop. Waits hand control back to the browser (emscripten_sleep: this program alone is built
// with ASYNCIFY; the game is not), so that events, animation frames and the audio worklet's
// notifications arrive while a test waits.
//
// What a page cannot do: a tab has no close button the program hears (closing it ends the page
// without a word to the program), no screen the program can place windows on, no window icon
// of its own to read back beside the page's, and no sound device to take away.
#include <emscripten.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "PageControl.h"
#include "contract/Driver.h"

namespace contract {
namespace {

struct KeyName {
    int vk;
    const char* code;
    const char* key;
};

const KeyName kKeys[] = {
    {plat::VK_RETURN_KEY, "Enter", "Enter"},
    {plat::VK_ESCAPE_KEY, "Escape", "Escape"},
    {plat::VK_SPACE_KEY, "Space", " "},
    {plat::VK_LEFT_KEY, "ArrowLeft", "ArrowLeft"},
    {plat::VK_UP_KEY, "ArrowUp", "ArrowUp"},
    {plat::VK_RIGHT_KEY, "ArrowRight", "ArrowRight"},
    {plat::VK_DOWN_KEY, "ArrowDown", "ArrowDown"},
    {0x7A, "F11", "F11"},
};

// The KeyboardEvent code and key of a virtual key; false for one the driver cannot name.
bool NameKey(int vk, std::string* code, std::string* key)
{
    if (vk >= 'A' && vk <= 'Z') {
        *code = std::string("Key") + static_cast<char>(vk);
        *key = std::string(1, static_cast<char>(vk - 'A' + 'a'));
        return true;
    }
    if (vk >= '0' && vk <= '9') {
        *code = std::string("Digit") + static_cast<char>(vk);
        *key = std::string(1, static_cast<char>(vk));
        return true;
    }
    for (const KeyName& k : kKeys) {
        if (k.vk != vk) continue;
        *code = k.code;
        *key = k.key;
        return true;
    }
    return false;
}

bool gAltFor[256] = {};  // keys pressed with Alt: their release comes with Alt still held
bool gLeftDown = false, gRightDown = false;
int gMouseX = 0, gMouseY = 0;

// One device in navigator.getGamepads(), as a JavaScript object: axes -1..1, buttons pressed.
std::string Device(const char* mapping, double x, double y, uint32_t buttons)
{
    std::ostringstream js;
    js.precision(17);
    js << "[{connected:true,index:0,id:'contract',mapping:'" << mapping << "',timestamp:1,axes:["
       << x << "," << y << ",0,0],buttons:Array.from({length:17},(_,i)=>({pressed:((" << buttons
       << ">>>i)&1)===1,value:((" << buttons << ">>>i)&1)}))}]";
    return js.str();
}

int HeldButtons() { return (gLeftDown ? 1 : 0) | (gRightDown ? 2 : 0); }

// A contract axis (-32768..32767) as the Gamepad API's -1..1, read back to the same number.
double PadAxis(int v) { return v < 0 ? v / 32768.0 : v / 32767.0; }

}  // namespace

const char* BackendName() { return "the web backend"; }

void SetUp()
{
    for (bool& a : gAltFor) a = false;
    gLeftDown = gRightDown = false;
}

void TearDown() { page::SetGamepads("[]"); }

bool HostOwnsTheLoop() { return true; }

bool WaitUntil(const std::function<bool()>& done, int limitMs)
{
    const double end = emscripten_get_now() + limitMs;
    while (!done()) {
        if (emscripten_get_now() >= end) return false;
        emscripten_sleep(2);  // the browser runs its events and frames meanwhile
    }
    return true;
}

// Also called inside a frame, that is inside the browser's callback while the tests sleep:
// there nothing may sleep again, so the clock is watched as it runs.
void LetTimePass(uint32_t ms)
{
    const uint32_t t0 = plat::Ticks();
    while (plat::Ticks() - t0 < ms) {
    }
}

// ---- the user at a window -----------------------------------------------------------------

bool PressKey(plat::NativeWindow, int virtualKey, bool alt)
{
    std::string code, key;
    if (!NameKey(virtualKey, &code, &key)) return false;
    if (virtualKey >= 0 && virtualKey < 256) gAltFor[virtualKey] = alt;
    page::Key(code.c_str(), key.c_str(), true, false, false, alt);
    return true;
}

bool ReleaseKey(plat::NativeWindow, int virtualKey)
{
    std::string code, key;
    if (!NameKey(virtualKey, &code, &key)) return false;
    const bool alt = virtualKey >= 0 && virtualKey < 256 && gAltFor[virtualKey];
    page::Key(code.c_str(), key.c_str(), false, false, false, alt);
    return true;
}

bool MoveMouse(plat::NativeWindow, int x, int y)
{
    // The check page shows the canvas at its top left, one CSS pixel per surface pixel.
    gMouseX = x;
    gMouseY = y;
    page::Mouse("mousemove", x, y, 0, HeldButtons());
    return true;
}

bool MouseButton(plat::NativeWindow, bool left, bool down, bool doubleClick)
{
    (left ? gLeftDown : gRightDown) = down;
    const int button = left ? 0 : 2;
    // A browser's second press of a double click is a mousedown followed by a dblclick.
    page::Mouse(down ? "mousedown" : "mouseup", gMouseX, gMouseY, button, HeldButtons());
    if (doubleClick && down) page::Mouse("dblclick", gMouseX, gMouseY, button, HeldButtons());
    return true;
}

bool ClickCloseButton(plat::NativeWindow) { return false; }

bool SwitchAway(plat::NativeWindow)
{
    page::Blur();
    return true;
}

bool SwitchBack(plat::NativeWindow)
{
    page::Focus();
    return true;
}

// ---- what the host shows ------------------------------------------------------------------

bool GetWindowFacts(plat::NativeWindow, WindowFacts*) { return false; }
bool GetScreenSize(int*, int*) { return false; }
int ShowsOwnIcon(plat::NativeWindow) { return -1; }
std::string ProgramFileName() { return ""; }

// ---- devices --------------------------------------------------------------------------------

// A device without the standard mapping is the plain joystick.
bool PlugJoystick()
{
    SetJoystick(32768, 32768, 0);
    return true;
}

void SetJoystick(uint32_t x, uint32_t y, uint32_t buttons)
{
    page::SetGamepads(Device("", PadAxis(static_cast<int>(x) - 32768),
                             PadAxis(static_cast<int>(y) - 32768), buttons)
                          .c_str());
}

void UnplugJoystick() { page::SetGamepads("[]"); }

bool PlugGamepad()
{
    SetGamepad(plat::GamepadState());
    return true;
}

void SetGamepad(const plat::GamepadState& s)
{
    // The standard mapping's button numbers.
    const uint32_t buttons = (s.south ? 1u << 0 : 0) | (s.north ? 1u << 3 : 0) |
                             (s.back ? 1u << 8 : 0) | (s.start ? 1u << 9 : 0) |
                             (s.dpadUp ? 1u << 12 : 0) | (s.dpadDown ? 1u << 13 : 0) |
                             (s.dpadLeft ? 1u << 14 : 0) | (s.dpadRight ? 1u << 15 : 0);
    page::SetGamepads(Device("standard", PadAxis(s.stickX), PadAxis(s.stickY), buttons).c_str());
}

void UnplugGamepad() { page::SetGamepads("[]"); }

// The browser's audio output plays by itself.
bool RemoveAudioDevice() { return false; }
void RestoreAudioDevice() {}
void StartAudioPlayer() {}
void StopAudioPlayer() {}

}  // namespace contract
