// SPDX-License-Identifier: MIT
// The contract driver of the Windows backend, on a Wine desktop: keys and the mouse go through
// the system's input queue (SendInput), so the key state and the order of messages are the
// system's own; focus changes and the close button are the messages the system sends; the
// clock is the real one. Wine offers no joystick or gamepad here, and the wave-out device
// cannot be taken away.
#include <windows.h>
#undef PeekMessage
#undef DispatchMessage

#include <chrono>
#include <string>
#include <thread>

#include "contract/Driver.h"
#include "platform/win32/Win32Internal.h"

namespace contract {
namespace {

bool gAltFor[256] = {};  // keys pressed with Alt: their release comes with Alt still held

bool Send(INPUT* inputs, UINT count) { return SendInput(count, inputs, sizeof(INPUT)) == count; }

// Input goes to the window in the foreground, as the user's would.
void BringForward(plat::NativeWindow window)
{
    HWND hwnd = plat::detail::HandleOf(window);
    if (hwnd && GetForegroundWindow() != hwnd) SetForegroundWindow(hwnd);
}

INPUT Key(int vk, bool up)
{
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = static_cast<WORD>(vk);
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyA(static_cast<UINT>(vk), MAPVK_VK_TO_VSC));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    if (vk == VK_LEFT || vk == VK_RIGHT || vk == VK_UP || vk == VK_DOWN)
        in.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
    return in;
}

bool Post(plat::NativeWindow window, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND hwnd = plat::detail::HandleOf(window);
    return hwnd && PostMessageA(hwnd, message, wParam, lParam);
}

}  // namespace

const char* BackendName() { return "the Windows backend"; }

void SetUp()
{
    for (bool& a : gAltFor) a = false;
}

void TearDown() {}

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
    BringForward(window);
    gAltFor[vk] = alt;
    INPUT in[2] = {Key(VK_MENU, false), Key(vk, false)};
    return alt ? Send(in, 2) : Send(&in[1], 1);
}

bool ReleaseKey(plat::NativeWindow window, int vk)
{
    if (vk < 0 || vk > 255) return false;
    BringForward(window);
    INPUT in[2] = {Key(vk, true), Key(VK_MENU, true)};
    const bool alt = gAltFor[vk];
    gAltFor[vk] = false;
    return Send(in, alt ? 2 : 1);
}

bool MoveMouse(plat::NativeWindow window, int x, int y)
{
    HWND hwnd = plat::detail::HandleOf(window);
    if (!hwnd) return false;
    BringForward(window);
    POINT p = {x, y};
    ClientToScreen(hwnd, &p);
    INPUT in = {};
    in.type = INPUT_MOUSE;
    // Absolute positions count 0..65535 across the screen.
    in.mi.dx = MulDiv(p.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = MulDiv(p.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return Send(&in, 1);
}

// The system makes a double click of a second press soon after the first at the same place.
bool MouseButton(plat::NativeWindow window, bool left, bool down, bool)
{
    BringForward(window);
    INPUT in = {};
    in.type = INPUT_MOUSE;
    if (left) in.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    else in.mi.dwFlags = down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP;
    return Send(&in, 1);
}

bool ClickCloseButton(plat::NativeWindow window)
{
    return Post(window, WM_SYSCOMMAND, SC_CLOSE, 0);
}
bool SwitchAway(plat::NativeWindow window) { return Post(window, WM_ACTIVATEAPP, FALSE, 0); }
bool SwitchBack(plat::NativeWindow window) { return Post(window, WM_ACTIVATEAPP, TRUE, 0); }

bool GetWindowFacts(plat::NativeWindow window, WindowFacts* out)
{
    HWND hwnd = plat::detail::HandleOf(window);
    RECT r;
    if (!hwnd || !out || !GetWindowRect(hwnd, &r)) return false;
    const LONG style = GetWindowLongA(hwnd, GWL_STYLE);
    WindowFacts f;
    f.x = r.left;
    f.y = r.top;
    f.width = r.right - r.left;
    f.height = r.bottom - r.top;
    f.screenWidth = GetSystemMetrics(SM_CXSCREEN);
    f.screenHeight = GetSystemMetrics(SM_CYSCREEN);
    f.resizable = (style & WS_THICKFRAME) != 0;
    f.maximisable = (style & WS_MAXIMIZEBOX) != 0;
    f.visible = IsWindowVisible(hwnd) != 0;
    *out = f;
    return true;
}

bool GetScreenSize(int* width, int* height)
{
    *width = GetSystemMetrics(SM_CXSCREEN);
    *height = GetSystemMetrics(SM_CYSCREEN);
    return *width > 0 && *height > 0;
}

int ShowsOwnIcon(plat::NativeWindow window)
{
    HWND hwnd = plat::detail::HandleOf(window);
    if (!hwnd) return -1;
    return SendMessageA(hwnd, WM_GETICON, ICON_BIG, 0) != 0 ? 1 : 0;
}

std::string ProgramFileName() { return "platform_contract_win32.exe"; }

bool PlugJoystick() { return false; }
void SetJoystick(uint32_t, uint32_t, uint32_t) {}
void UnplugJoystick() {}
bool PlugGamepad() { return false; }
void SetGamepad(const plat::GamepadState&) {}
void UnplugGamepad() {}

bool RemoveAudioDevice() { return false; }
void RestoreAudioDevice() {}
void StartAudioPlayer() {}  // the device's worker plays
void StopAudioPlayer() {}

}  // namespace contract
