// SPDX-License-Identifier: MIT
// Keyboard and joystick 1 merged into one small global input state, refreshed once per frame
// by ReadInput: two digital axes and ten buttons. A button in one-press mode reads true only
// in the first frame of a press.
//
//   button  key    joystick button      button  key    joystick button
//   0       X      3                    5       W      6
//   1       Z      2                    6       1      7
//   2       A      1 (fire)             7       2      8
//   3       S      4                    8       Space  9 (camera view)
//   4       Q      5                    9       Enter  10 (start)
//
// Left/Right give axis X -1/+1 (Left wins), Up/Down axis Y -1/+1 (Up wins). The stick
// overrides an axis only at the very ends of its travel.
//
// A gamepad takes the joystick's place: its left stick past the dead zone or its d-pad (which
// wins) set the axes, the south face button is joystick button 1 (fire), north or back button 9
// (camera view) and start button 10 (start).
#pragma once

#include <cstdint>

#include "platform/Platform.h"

constexpr int32_t kInputButtons = 10;
// A gamepad stick counts as pushed from this far off its centre (of 32767).
constexpr int16_t kGamepadDeadZone = 8000;

struct InputState {
    int8_t axisX = 0;  // -1 left, 0, +1 right
    int8_t axisY = 0;  // -1 up, 0, +1 down
    bool buttons[kInputButtons] = {};
    bool onePress[kInputButtons] = {};
    bool latch[kInputButtons] = {};  // a one-press button held past its first frame
    uint32_t joyXMin = 0, joyXMax = 0, joyYMin = 0, joyYMax = 0;  // travel seen so far
    bool initialised = false;
};

extern InputState gInput;

// What ReadInput reads from the devices, before any of it is merged: the keys it asks about,
// then a gamepad or else joystick 1. A demo records these and plays them back.
enum : uint8_t { INPUT_NO_DEVICE = 0, INPUT_JOYSTICK = 1, INPUT_GAMEPAD = 2 };
// The keys in the order they are asked about; bit i of InputReadings::keys is kReadKeys[i].
// Right is asked only when Left is up, Down only when Up is up.
constexpr int kReadKeyCount = 14;
extern const int kReadKeys[kReadKeyCount];
struct InputReadings {
    uint16_t keys = 0;  // bit i: kReadKeys[i] was down (or pressed since the last query)
    uint8_t device = INPUT_NO_DEVICE;
    uint32_t joyX = 0, joyY = 0, joyButtons = 0;  // INPUT_JOYSTICK
    plat::GamepadState pad;  // INPUT_GAMEPAD
};
// Reads the devices through the platform.
void ReadDevices(InputReadings* out);
// While set, ReadInput takes its readings from source instead of the devices (none: the
// devices again).
using InputSource = void (*)(InputReadings* out);
void SetInputSource(InputSource source);

// Refreshes the whole state from the keyboard and joystick 1 (or the input source).
void ReadInput();
// Flips one-press mode of a button; an index outside 0..9 acts on button 0.
void ToggleOnePress(int32_t button);
// The flag of a button; 0..8 give that button, any other index button 9.
bool& ButtonRef(int32_t button);
// Queries every key's state once, so presses made before start-up do not count.
void ForgetKeyPresses();
