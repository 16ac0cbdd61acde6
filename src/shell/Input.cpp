// SPDX-License-Identifier: MIT
#include "shell/Input.h"

#include "platform/Platform.h"

InputState gInput;

namespace {

void InitialiseIfNeeded()
{
    if (gInput.initialised) return;
    gInput = InputState();
    gInput.joyXMin = 0;
    gInput.joyYMin = 0;
    gInput.joyXMax = 65000;
    gInput.joyYMax = 65000;
    gInput.initialised = true;
}

bool KeyDown(int virtualKey) { return plat::GetAsyncKeyState(virtualKey) != 0; }

// -1, 0 or +1 for a stick position: anywhere past the dead zone counts as pushed.
int StickDirection(int16_t position)
{
    if (position <= -kGamepadDeadZone) return -1;
    if (position >= kGamepadDeadZone) return 1;
    return 0;
}

// A pushed stick or a held d-pad overrides the keyboard's axis, as a joystick at the end of its
// travel does. South fires, north or back changes the view, start starts.
void ApplyGamepad(const plat::GamepadState& pad, InputState& s)
{
    int x = pad.dpadLeft ? -1 : pad.dpadRight ? 1 : StickDirection(pad.stickX);
    int y = pad.dpadUp ? -1 : pad.dpadDown ? 1 : StickDirection(pad.stickY);
    if (x) s.axisX = static_cast<int8_t>(x);
    if (y) s.axisY = static_cast<int8_t>(y);
    if (pad.south) s.buttons[2] = true;
    if (pad.north || pad.back) s.buttons[8] = true;
    if (pad.start) s.buttons[9] = true;
}

}  // namespace

const int kReadKeys[kReadKeyCount] = {plat::VK_LEFT_KEY,
                                      plat::VK_RIGHT_KEY,
                                      plat::VK_UP_KEY,
                                      plat::VK_DOWN_KEY,
                                      'X',
                                      'S',
                                      'Z',
                                      'A',
                                      'Q',
                                      'W',
                                      '1',
                                      '2',
                                      plat::VK_RETURN_KEY,
                                      plat::VK_SPACE_KEY};

namespace {

InputSource gSource = nullptr;

// The button each of kReadKeys[4...] sets.
const int kKeyButton[kReadKeyCount] = {-1, -1, -1, -1, 0, 3, 1, 2, 4, 5, 6, 7, 9, 8};

bool Bit(uint16_t keys, int i) { return (keys >> i) & 1u; }

}  // namespace

void SetInputSource(InputSource source) { gSource = source; }

void ReadDevices(InputReadings* out)
{
    InputReadings r;
    // The key state also counts a press released since the last query, so a tap between two
    // frames still registers once. Right and Down are not asked while Left or Up is down
    // (their pressed-since bit stays for a later frame).
    auto ask = [&r](int i) {
        if (KeyDown(kReadKeys[i])) r.keys = static_cast<uint16_t>(r.keys | (1u << i));
        return Bit(r.keys, i);
    };
    if (!ask(0)) ask(1);
    if (!ask(2)) ask(3);
    for (int i = 4; i < kReadKeyCount; ++i) ask(i);

    // A gamepad, or else joystick 1; without either the keyboard alone decides.
    plat::GamepadState pad;
    uint32_t x = 0, y = 0, mask = 0;
    if (plat::GetGamepad(&pad)) {
        r.device = INPUT_GAMEPAD;
        r.pad = pad;
    } else if (plat::GetJoystick(&x, &y, &mask)) {
        r.device = INPUT_JOYSTICK;
        r.joyX = x;
        r.joyY = y;
        r.joyButtons = mask;
    }
    *out = r;
}

void ReadInput()
{
    InitialiseIfNeeded();
    InputReadings r;
    if (gSource) gSource(&r);
    else ReadDevices(&r);

    InputState& s = gInput;
    for (bool& b : s.buttons) b = false;
    s.axisX = 0;
    s.axisY = 0;

    // Keyboard: Left wins over Right, Up over Down.
    if (Bit(r.keys, 0)) s.axisX = -1;
    else if (Bit(r.keys, 1)) s.axisX = 1;
    if (Bit(r.keys, 2)) s.axisY = -1;
    else if (Bit(r.keys, 3)) s.axisY = 1;
    for (int i = 4; i < kReadKeyCount; ++i)
        if (Bit(r.keys, i)) s.buttons[kKeyButton[i]] = true;

    if (r.device == INPUT_GAMEPAD) {
        ApplyGamepad(r.pad, s);
    } else if (r.device == INPUT_JOYSTICK) {
        const uint32_t x = r.joyX, y = r.joyY, mask = r.joyButtons;
        // Mask bit k is joystick button k+1.
        static const int kBitButton[kInputButtons] = {2, 1, 0, 3, 4, 5, 6, 7, 8, 9};
        for (int bit = 0; bit < kInputButtons; ++bit)
            if (mask & (1u << bit)) s.buttons[kBitButton[bit]] = true;
        if (x < s.joyXMin) s.joyXMin = x;
        if (y < s.joyYMin) s.joyYMin = y;
        if (x > s.joyXMax) s.joyXMax = x;
        if (y > s.joyYMax) s.joyYMax = y;
        // Only the very ends of the travel count.
        if (x == s.joyXMin) s.axisX = -1;
        else if (x == s.joyXMax) s.axisX = 1;
        if (y == s.joyYMin) s.axisY = -1;
        else if (y == s.joyYMax) s.axisY = 1;
    }

    for (int i = 0; i < kInputButtons; ++i) {
        if (!s.onePress[i]) continue;
        if (!s.buttons[i]) s.latch[i] = false;
        if (s.latch[i]) s.buttons[i] = false;
        if (s.buttons[i]) s.latch[i] = true;
    }
}

void ToggleOnePress(int32_t button)
{
    InitialiseIfNeeded();
    if (button < 0 || button >= kInputButtons) button = 0;
    gInput.onePress[button] = !gInput.onePress[button];
}

bool& ButtonRef(int32_t button)
{
    if (button < 0 || button > 8) button = 9;
    return gInput.buttons[button];
}

void ForgetKeyPresses()
{
    for (int vk = 0; vk < 256; ++vk) plat::GetAsyncKeyState(vk);
}
