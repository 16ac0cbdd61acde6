// SPDX-License-Identifier: MIT
// The contract driver of the fake backend: the test is its host. Keys and mouse become queued
// messages and key state through the fake's controls, time passes on its settable clock, the
// joystick, gamepad and audio device are its scripted ones, and a thread of the driver plays
// the queued audio as a device would. There is no screen to place windows on.
#include <atomic>
#include <chrono>
#include <thread>

#include "contract/Driver.h"
#include "platform/FakePlatform.h"

namespace contract {
namespace {

constexpr int kAltKey = 0x12;
constexpr intptr_t kAltHeld = intptr_t(1) << 29;  // lParam: Alt was down with the key
constexpr int kScreenWidth = 1024, kScreenHeight = 768;

bool gAltFor[256] = {};  // keys pressed with Alt, released with it
std::thread gPlayer;
std::atomic<bool> gPlaying{false};

bool Post(plat::NativeWindow w, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    if (!plat::fake::WindowExists(w)) return true;  // as the system: nothing for a closed window
    plat::fake::PushMessage({w, message, wParam, lParam});
    return true;
}

}  // namespace

const char* BackendName() { return "the fake backend"; }

void SetUp()
{
    plat::fake::Reset();
    plat::fake::SetDesktopSize(kScreenWidth, kScreenHeight);
    plat::fake::SetCalendarTime(1700000000);  // the host's calendar
    plat::fake::SetTicks(5000);
    for (bool& a : gAltFor) a = false;
}

void TearDown()
{
    StopAudioPlayer();
    plat::fake::Reset();
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

void LetTimePass(uint32_t ms) { plat::fake::AdvanceTicks(ms); }

bool PressKey(plat::NativeWindow w, int vk, bool alt)
{
    if (vk < 0 || vk > 255) return false;
    gAltFor[vk] = alt;
    if (alt) plat::fake::SetKeyDown(kAltKey, true);
    plat::fake::SetKeyDown(vk, true);
    return Post(w, plat::MSG_KEYDOWN, static_cast<uintptr_t>(vk), 1 | (alt ? kAltHeld : 0));
}

bool ReleaseKey(plat::NativeWindow w, int vk)
{
    if (vk < 0 || vk > 255) return false;
    const bool alt = gAltFor[vk];
    gAltFor[vk] = false;
    plat::fake::SetKeyDown(vk, false);
    Post(w, plat::MSG_KEYUP, static_cast<uintptr_t>(vk),
         static_cast<intptr_t>(0xC0000001u) | (alt ? kAltHeld : 0));
    if (alt) plat::fake::SetKeyDown(kAltKey, false);
    return true;
}

bool MoveMouse(plat::NativeWindow w, int x, int y)
{
    return Post(w, plat::MSG_MOUSEMOVE, 0, (x & 0xFFFF) | ((y & 0xFFFF) << 16));
}

bool MouseButton(plat::NativeWindow w, bool left, bool down, bool doubleClick)
{
    uint32_t m;
    if (!down) m = left ? plat::MSG_LBUTTONUP : plat::MSG_RBUTTONUP;
    else if (doubleClick) m = left ? plat::MSG_LBUTTONDBLCLK : plat::MSG_RBUTTONDBLCLK;
    else m = left ? plat::MSG_LBUTTONDOWN : plat::MSG_RBUTTONDOWN;
    return Post(w, m, 0, 0);
}

bool ClickCloseButton(plat::NativeWindow w) { return Post(w, plat::MSG_CLOSE, 0, 0); }
bool SwitchAway(plat::NativeWindow w) { return Post(w, plat::MSG_ACTIVATEAPP, 0, 0); }
bool SwitchBack(plat::NativeWindow w) { return Post(w, plat::MSG_ACTIVATEAPP, 1, 0); }

bool GetWindowFacts(plat::NativeWindow, WindowFacts*) { return false; }

bool GetScreenSize(int* width, int* height)
{
    *width = kScreenWidth;
    *height = kScreenHeight;
    return true;
}

int ShowsOwnIcon(plat::NativeWindow w) { return plat::fake::WindowIcon(w).empty() ? 0 : 1; }

std::string ProgramFileName() { return ""; }

bool PlugJoystick()
{
    plat::fake::SetJoystick(true);
    return true;
}
void SetJoystick(uint32_t x, uint32_t y, uint32_t buttons)
{
    plat::fake::SetJoystick(true, x, y, buttons);
}
void UnplugJoystick() { plat::fake::SetJoystick(false); }

bool PlugGamepad()
{
    plat::fake::SetGamepad(true);
    return true;
}
void SetGamepad(const plat::GamepadState& state) { plat::fake::SetGamepad(true, state); }
void UnplugGamepad() { plat::fake::SetGamepad(false); }

bool RemoveAudioDevice()
{
    plat::fake::SetAudioAvailable(false);
    return true;
}
void RestoreAudioDevice() { plat::fake::SetAudioAvailable(true); }

void StartAudioPlayer()
{
    if (gPlaying.exchange(true)) return;
    gPlayer = std::thread([] {
        while (gPlaying) {
            if (!plat::fake::AudioCompleteOne())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
}

void StopAudioPlayer()
{
    if (!gPlaying.exchange(false)) return;
    gPlayer.join();
}

}  // namespace contract
