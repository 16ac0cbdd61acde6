// SPDX-License-Identifier: MIT
// ReadInput on the fake keyboard and joystick: the key table, which of two opposite keys
// wins, the joystick's ends of travel, the one-press filter and short taps.
#include <gtest/gtest.h>

#include <initializer_list>

#include "platform/FakePlatform.h"
#include "shell/Input.h"

namespace {

using plat::fake::SetJoystick;
using plat::fake::SetKeyDown;

struct InputTest : ::testing::Test {
    void SetUp() override
    {
        plat::fake::Reset();
        gInput = InputState();
    }
    void TearDown() override { plat::fake::Reset(); }

    void Hold(std::initializer_list<int> keys, bool down = true)
    {
        for (int k : keys) SetKeyDown(k, down);
    }
    int PressedButtons() const
    {
        int mask = 0;
        for (int i = 0; i < kInputButtons; ++i)
            if (gInput.buttons[i]) mask |= 1 << i;
        return mask;
    }
};

TEST_F(InputTest, KeysGiveButtonsAndAxes)
{
    struct Row {
        std::initializer_list<int> keys;
        int axisX, axisY, buttons;
    };
    const Row rows[] = {
        {{}, 0, 0, 0},
        {{'X'}, 0, 0, 1 << 0},
        {{'Z'}, 0, 0, 1 << 1},
        {{'A'}, 0, 0, 1 << 2},
        {{'S'}, 0, 0, 1 << 3},
        {{'Q'}, 0, 0, 1 << 4},
        {{'W'}, 0, 0, 1 << 5},
        {{'1'}, 0, 0, 1 << 6},
        {{'2'}, 0, 0, 1 << 7},
        {{plat::VK_SPACE_KEY}, 0, 0, 1 << 8},
        {{plat::VK_RETURN_KEY}, 0, 0, 1 << 9},
        {{'A', plat::VK_SPACE_KEY, plat::VK_RETURN_KEY}, 0, 0, (1 << 2) | (1 << 8) | (1 << 9)},
        {{'B', 'E', '3', plat::VK_ESCAPE_KEY}, 0, 0, 0},  // unbound keys
        {{plat::VK_LEFT_KEY}, -1, 0, 0},
        {{plat::VK_RIGHT_KEY}, 1, 0, 0},
        {{plat::VK_UP_KEY}, 0, -1, 0},
        {{plat::VK_DOWN_KEY}, 0, 1, 0},
        {{plat::VK_LEFT_KEY, plat::VK_RIGHT_KEY}, -1, 0, 0},  // Left wins
        {{plat::VK_UP_KEY, plat::VK_DOWN_KEY}, 0, -1, 0},  // Up wins
        {{plat::VK_RIGHT_KEY, plat::VK_DOWN_KEY}, 1, 1, 0},
    };
    for (const Row& r : rows) {
        Hold(r.keys);
        ReadInput();
        EXPECT_EQ(gInput.axisX, r.axisX);
        EXPECT_EQ(gInput.axisY, r.axisY);
        EXPECT_EQ(PressedButtons(), r.buttons);
        Hold(r.keys, false);
        // A key that lost to its opposite was not queried and still holds its pressed-since
        // bit; forget it before the next row.
        ForgetKeyPresses();
    }
}

TEST_F(InputTest, FirstReadInitialisesJoystickRange)
{
    ReadInput();
    EXPECT_TRUE(gInput.initialised);
    EXPECT_EQ(gInput.joyXMin, 0u);
    EXPECT_EQ(gInput.joyYMin, 0u);
    EXPECT_EQ(gInput.joyXMax, 65000u);
    EXPECT_EQ(gInput.joyYMax, 65000u);
}

TEST_F(InputTest, JoystickButtonsMapThroughTheTable)
{
    // Mask bit k is joystick button k+1; buttons 1, 2, 3 are game buttons 2, 1, 0.
    const int expected[10] = {2, 1, 0, 3, 4, 5, 6, 7, 8, 9};
    for (int bit = 0; bit < 10; ++bit) {
        SetJoystick(true, 32767, 32767, 1u << bit);
        ReadInput();
        EXPECT_EQ(PressedButtons(), 1 << expected[bit]) << "bit " << bit;
    }
    SetJoystick(true, 32767, 32767, 0xFFFFFC00u);  // buttons 11 and up mean nothing
    ReadInput();
    EXPECT_EQ(PressedButtons(), 0);
    // A clear bit never takes away what the keyboard set.
    SetKeyDown('A', true);
    SetJoystick(true, 32767, 32767, 0);
    ReadInput();
    EXPECT_EQ(PressedButtons(), 1 << 2);
}

TEST_F(InputTest, StickCountsOnlyAtTheEndsOfItsTravel)
{
    SetKeyDown(plat::VK_RIGHT_KEY, true);
    SetKeyDown(plat::VK_DOWN_KEY, true);
    SetJoystick(true, 32767, 32767);  // at rest: the keyboard decides
    ReadInput();
    EXPECT_EQ(gInput.axisX, 1);
    EXPECT_EQ(gInput.axisY, 1);

    SetJoystick(true, 0, 0);  // fully left and up beats the held keys
    ReadInput();
    EXPECT_EQ(gInput.axisX, -1);
    EXPECT_EQ(gInput.axisY, -1);

    SetKeyDown(plat::VK_RIGHT_KEY, false);
    SetKeyDown(plat::VK_DOWN_KEY, false);
    SetJoystick(true, 64999, 64999);  // close to the end is not the end
    ReadInput();
    EXPECT_EQ(gInput.axisX, 0);
    EXPECT_EQ(gInput.axisY, 0);

    SetJoystick(true, 65000, 65000);
    ReadInput();
    EXPECT_EQ(gInput.axisX, 1);
    EXPECT_EQ(gInput.axisY, 1);

    SetJoystick(true, 65535, 65535);  // the range grows...
    ReadInput();
    EXPECT_EQ(gInput.joyXMax, 65535u);
    EXPECT_EQ(gInput.joyYMax, 65535u);
    EXPECT_EQ(gInput.axisX, 1);

    SetJoystick(true, 65000, 65000);  // ...and 65000 is no longer the end
    ReadInput();
    EXPECT_EQ(gInput.axisX, 0);
    EXPECT_EQ(gInput.axisY, 0);
}

TEST_F(InputTest, NoJoystickLeavesTheKeyboardAlone)
{
    SetJoystick(true, 0, 0, 1);
    ReadInput();
    EXPECT_EQ(gInput.axisX, -1);
    SetJoystick(false);
    SetKeyDown(plat::VK_RIGHT_KEY, true);
    ReadInput();
    EXPECT_EQ(gInput.axisX, 1);
    EXPECT_EQ(gInput.axisY, 0);
    EXPECT_EQ(PressedButtons(), 0);
}

TEST_F(InputTest, OnePressButtonReadsTrueInTheFirstFrameOnly)
{
    ToggleOnePress(2);
    SetKeyDown('A', true);
    SetKeyDown('S', true);  // button 3 stays a plain button
    for (int frame = 0; frame < 10; ++frame) {
        ReadInput();
        EXPECT_EQ(gInput.buttons[2], frame == 0) << "frame " << frame;
        EXPECT_TRUE(gInput.buttons[3]);
    }
    SetKeyDown('A', false);
    ReadInput();
    EXPECT_FALSE(gInput.buttons[2]);
    SetKeyDown('A', true);
    ReadInput();
    EXPECT_TRUE(gInput.buttons[2]);
    ReadInput();
    EXPECT_FALSE(gInput.buttons[2]);

    // Joystick and keyboard together are one press: the latch holds while either is down.
    SetJoystick(true, 32767, 32767, 1u << 0);
    SetKeyDown('A', false);
    ReadInput();
    EXPECT_FALSE(gInput.buttons[2]);

    ToggleOnePress(2);  // off again: plain button
    ReadInput();
    EXPECT_TRUE(gInput.buttons[2]);
}

TEST_F(InputTest, TapBetweenTwoFramesCountsOnce)
{
    ReadInput();
    plat::fake::TapKey('A');
    plat::fake::TapKey(plat::VK_LEFT_KEY);
    ReadInput();
    EXPECT_TRUE(gInput.buttons[2]);
    EXPECT_EQ(gInput.axisX, -1);
    ReadInput();
    EXPECT_FALSE(gInput.buttons[2]);
    EXPECT_EQ(gInput.axisX, 0);
}

TEST_F(InputTest, PressesBeforeStartUpAreForgotten)
{
    plat::fake::TapKey(plat::VK_RETURN_KEY);  // pressed and released before start-up
    SetKeyDown(plat::VK_SPACE_KEY, true);  // still held at start-up
    ForgetKeyPresses();
    ReadInput();
    EXPECT_FALSE(gInput.buttons[9]);
    EXPECT_TRUE(gInput.buttons[8]);
}

TEST_F(InputTest, OutOfRangeIndexesMapToTheirFallbackButtons)
{
    for (int i : {-1, 10, 1000}) {
        gInput = InputState();
        ToggleOnePress(i);
        EXPECT_TRUE(gInput.onePress[0]) << i;
        EXPECT_TRUE(gInput.initialised);
    }
    for (int i = 0; i <= 8; ++i) EXPECT_EQ(&ButtonRef(i), &gInput.buttons[i]);
    for (int i : {-5, -1, 9, 10, 99}) EXPECT_EQ(&ButtonRef(i), &gInput.buttons[9]) << i;
}

}  // namespace

namespace {

// A gamepad: the stick counts past its dead zone, the d-pad wins over the stick, and three
// buttons stand for joystick buttons 1, 9 and 10. A pushed pad overrides the keyboard's axis.
TEST_F(InputTest, GamepadGivesAxesAndButtons)
{
    struct Row {
        int16_t x, y;
        bool left, right, up, down, south, north, back, start;
        std::initializer_list<int> keys;
        int axisX, axisY, buttons;
    };
    const int16_t dz = kGamepadDeadZone;
    const Row rows[] = {
        {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, {}, 0, 0, 0},
        {int16_t(dz - 1), int16_t(1 - dz), 0, 0, 0, 0, 0, 0, 0, 0, {}, 0, 0, 0},  // inside the dead
                                                                                  // zone
        {dz, int16_t(-dz), 0, 0, 0, 0, 0, 0, 0, 0, {}, 1, -1, 0},  // just past it
        {-32768, 32767, 0, 0, 0, 0, 0, 0, 0, 0, {}, -1, 1, 0},
        {0, 0, 1, 0, 0, 1, 0, 0, 0, 0, {}, -1, 1, 0},  // d-pad
        {32767, 32767, 1, 0, 1, 0, 0, 0, 0, 0, {}, -1, -1, 0},  // d-pad wins
        {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, {plat::VK_RIGHT_KEY, plat::VK_UP_KEY}, 1, -1, 0},  // pad at
                                                                                          // rest
        {-20000, 0, 0, 0, 0, 0, 0, 0, 0, 0, {plat::VK_RIGHT_KEY}, -1, 0, 0},  // pushed pad wins
        {0, 0, 0, 0, 0, 0, 1, 0, 0, 0, {}, 0, 0, 1 << 2},  // south fires
        {0, 0, 0, 0, 0, 0, 0, 1, 0, 0, {}, 0, 0, 1 << 8},  // north: view
        {0, 0, 0, 0, 0, 0, 0, 0, 1, 0, {}, 0, 0, 1 << 8},  // back: view
        {0, 0, 0, 0, 0, 0, 0, 0, 0, 1, {}, 0, 0, 1 << 9},  // start
        {0, 0, 0, 0, 0, 0, 1, 1, 1, 1, {'X'}, 0, 0, 1 | (1 << 2) | (1 << 8) | (1 << 9)},
    };
    for (const Row& r : rows) {
        plat::GamepadState pad;
        pad.stickX = r.x;
        pad.stickY = r.y;
        pad.dpadLeft = r.left;
        pad.dpadRight = r.right;
        pad.dpadUp = r.up;
        pad.dpadDown = r.down;
        pad.south = r.south;
        pad.north = r.north;
        pad.back = r.back;
        pad.start = r.start;
        plat::fake::SetGamepad(true, pad);
        SetJoystick(true, 0, 0, 0xFFFF);  // a plain joystick too: the pad takes its place
        Hold(r.keys);
        ReadInput();
        Hold(r.keys, false);
        EXPECT_EQ(gInput.axisX, r.axisX) << r.x << "," << r.y;
        EXPECT_EQ(gInput.axisY, r.axisY) << r.x << "," << r.y;
        EXPECT_EQ(PressedButtons(), r.buttons) << r.x << "," << r.y;
    }
    // Unplugged, the joystick is read again.
    plat::fake::SetGamepad(false);
    ReadInput();
    EXPECT_EQ(gInput.axisX, -1);
    EXPECT_EQ(PressedButtons(), (1 << kInputButtons) - 1);
}

// Fire through the pad is one-press like the A key while playing.
TEST_F(InputTest, GamepadFireHonoursOnePress)
{
    ToggleOnePress(2);
    plat::GamepadState pad;
    pad.south = true;
    plat::fake::SetGamepad(true, pad);
    const bool expected[] = {true, false, false};
    for (bool e : expected) {
        ReadInput();
        EXPECT_EQ(gInput.buttons[2], e);
    }
}

}  // namespace
