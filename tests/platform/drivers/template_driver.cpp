// SPDX-License-Identifier: MIT
// The contract driver of the template backend (src/platform/template), and the starting point
// of a new backend's driver: each function is what its host does for the user and the system.
// Until it can press keys and click, the tests that need the user fail; until it can plug a
// joystick or take the sound device away, those tests are skipped.
#include <chrono>
#include <thread>

#include "contract/Driver.h"

namespace contract {

const char* BackendName() { return "the template backend"; }
void SetUp() {}
void TearDown() {}

// True for a host that runs the frames itself (RunLoop returns at once).
bool HostOwnsTheLoop() { return false; }

// A host that owns the loop must get control back here between looks.
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

// The user: each as the host's window system delivers it (queue and key state).
bool PressKey(plat::NativeWindow, int, bool) { return false; }
bool ReleaseKey(plat::NativeWindow, int) { return false; }
bool MoveMouse(plat::NativeWindow, int, int) { return false; }
bool MouseButton(plat::NativeWindow, bool, bool, bool) { return false; }
bool ClickCloseButton(plat::NativeWindow) { return false; }
bool SwitchAway(plat::NativeWindow) { return false; }
bool SwitchBack(plat::NativeWindow) { return false; }

// What the host shows.
bool GetWindowFacts(plat::NativeWindow, WindowFacts*) { return false; }
bool GetScreenSize(int*, int*) { return false; }
int ShowsOwnIcon(plat::NativeWindow) { return -1; }
std::string ProgramFileName() { return "platform_contract_template"; }

// Devices the host can make for a test.
bool PlugJoystick() { return false; }
void SetJoystick(uint32_t, uint32_t, uint32_t) {}
void UnplugJoystick() {}
bool PlugGamepad() { return false; }
void SetGamepad(const plat::GamepadState&) {}
void UnplugGamepad() {}
bool RemoveAudioDevice() { return false; }
void RestoreAudioDevice() {}
void StartAudioPlayer() {}
void StopAudioPlayer() {}

}  // namespace contract
