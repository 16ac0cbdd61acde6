// SPDX-License-Identifier: MIT
// Keys, joystick and gamepad: the key state's bits, a state that is current without handling
// messages, the full-screen shortcuts the game never sees, the joystick's range and buttons,
// and a gamepad with the common layout, plugged in and out.
#include "contract/Contract.h"
#include "shell/Input.h"

namespace contract {
namespace {

using Input = ContractTest;

uint16_t KeyState(int vk) { return static_cast<uint16_t>(plat::GetAsyncKeyState(vk)); }

// Down (0x8000) while held, pressed-since (1) once for every press, so a tap between two
// queries counts once; nothing for keys outside 0..255.
TEST_F(Input, KeyStateBits)
{
    plat::NativeWindow w = MakeWindow("qb-keys");
    ASSERT_NE(w, nullptr);
    Pump();
    ASSERT_TRUE(PressKey(w, 'A'));
    uint16_t first = 0;
    ASSERT_TRUE(WaitUntil([&] { return (first = KeyState('A')) != 0; }));
    EXPECT_EQ(first & 0x8000u, 0x8000u) << "held";
    EXPECT_EQ(first & 1u, 1u) << "pressed since the last query";
    EXPECT_EQ(KeyState('A'), 0x8000u) << "still held, no new press";
    ASSERT_TRUE(ReleaseKey(w, 'A'));
    EXPECT_TRUE(WaitUntil([&] { return KeyState('A') == 0; }));

    ASSERT_TRUE(PressKey(w, 'B'));
    ASSERT_TRUE(ReleaseKey(w, 'B'));
    uint16_t tap = 0;
    ASSERT_TRUE(WaitUntil([&] { return (tap = KeyState('B')) != 0; })) << "a tap counts";
    EXPECT_EQ(tap, 1u);
    EXPECT_EQ(KeyState('B'), 0u) << "and only once";
    EXPECT_EQ(plat::GetAsyncKeyState(-1), 0);
    EXPECT_EQ(plat::GetAsyncKeyState(256), 0);
    Pump();
}

// The start screen reads the key state without handling messages; the state is still current
// and the messages are all there afterwards, in order.
TEST_F(Input, KeyStateIsCurrentWithoutHandlingMessages)
{
    plat::NativeWindow w = MakeWindow("qb-current");
    ASSERT_NE(w, nullptr);
    Pump();
    gHeard.clear();
    ASSERT_TRUE(PressKey(w, plat::VK_RETURN_KEY));
    ASSERT_TRUE(WaitUntil([] { return KeyState(plat::VK_RETURN_KEY) & 0x8000u; }));
    ASSERT_TRUE(ReleaseKey(w, plat::VK_RETURN_KEY));
    EXPECT_TRUE(WaitUntil([] { return KeyState(plat::VK_RETURN_KEY) == 0; }));
    ASSERT_TRUE(PumpUntilHeard(plat::MSG_KEYUP));
    std::vector<uint32_t> keys;
    for (const plat::Message& m : gHeard)
        if (m.message == plat::MSG_KEYDOWN || m.message == plat::MSG_KEYUP)
            keys.push_back(m.message);
    EXPECT_EQ(keys, (std::vector<uint32_t>{plat::MSG_KEYDOWN, plat::MSG_KEYUP}));
}

// F11 and Alt+Enter switch desktop full screen; neither reaches the game as a message or in
// the key state. Enter alone does.
TEST_F(Input, FullScreenShortcutsToggleAndAreSwallowed)
{
    constexpr int kF11 = 0x7A;
    plat::NativeWindow w = MakeWindow("qb-shortcuts");
    ASSERT_NE(w, nullptr);
    Pump();
    gHeard.clear();
    // Key messages of the two shortcut keys (Alt's own may come: it is no shortcut).
    auto keyMessages = [] {
        int n = 0;
        for (const plat::Message& m : gHeard)
            if ((m.message == plat::MSG_KEYDOWN || m.message == plat::MSG_KEYUP ||
                 m.message == plat::MSG_CHAR) &&
                (m.wParam == static_cast<uintptr_t>(kF11) ||
                 m.wParam == static_cast<uintptr_t>(plat::VK_RETURN_KEY)))
                ++n;
        return n;
    };

    ASSERT_TRUE(PressKey(w, kF11));
    EXPECT_TRUE(WaitUntil([&] {
        Pump();
        return plat::IsFullscreen(w);
    })) << "F11 switches to full screen";
    EXPECT_EQ(plat::GetAsyncKeyState(kF11), 0);
    ASSERT_TRUE(ReleaseKey(w, kF11));
    Pump();

    ASSERT_TRUE(PressKey(w, plat::VK_RETURN_KEY, true));
    EXPECT_TRUE(WaitUntil([&] {
        Pump();
        return !plat::IsFullscreen(w);
    })) << "Alt+Enter switches back";
    EXPECT_EQ(plat::GetAsyncKeyState(plat::VK_RETURN_KEY), 0) << "Enter is hidden until let go";
    ASSERT_TRUE(ReleaseKey(w, plat::VK_RETURN_KEY));
    Pump();
    EXPECT_EQ(keyMessages(), 0) << "the shortcuts reached the procedure";

    ASSERT_TRUE(PressKey(w, plat::VK_RETURN_KEY));
    EXPECT_TRUE(PumpUntilHeard(plat::MSG_KEYDOWN)) << "Enter alone is a key";
    EXPECT_NE(plat::GetAsyncKeyState(plat::VK_RETURN_KEY), 0);
    EXPECT_FALSE(plat::IsFullscreen(w));
    ReleaseKey(w, plat::VK_RETURN_KEY);
    Pump();
}

// Joystick 1: positions 0..65535 with 0 at the left and top, buttons as a mask; unplugged,
// the query fails.
TEST_F(Input, JoystickRangeButtonsAndUnplugging)
{
    uint32_t x = 1, y = 1, b = 1;
    EXPECT_FALSE(plat::GetJoystick(&x, &y, &b)) << "no joystick yet";
    if (!PlugJoystick()) GTEST_SKIP() << BackendName() << " cannot make a joystick here";
    struct Row {
        uint32_t x, y, buttons;
    };
    const Row rows[] = {
        {0, 0, 0},
        {65535, 65535, 1u << 9},
        {32768, 32767, (1u << 0) | (1u << 2)},
    };
    for (const Row& r : rows) {
        SetJoystick(r.x, r.y, r.buttons);
        EXPECT_TRUE(WaitUntil([&] {
            return plat::GetJoystick(&x, &y, &b) && x == r.x && y == r.y && b == r.buttons;
        })) << "wanted "
            << r.x << ", " << r.y << ", " << r.buttons << "; got " << x << ", " << y << ", " << b;
    }
    UnplugJoystick();
    EXPECT_TRUE(WaitUntil([&] { return !plat::GetJoystick(&x, &y, &b); }));
}

// A gamepad with the common layout is reported as one, not as a joystick; unplugged it is
// gone, plugged in again it is back; through the game's input state its d-pad steers and its
// upper face button changes the view.
TEST_F(Input, GamepadLayoutAndUnplugging)
{
    plat::GamepadState g;
    EXPECT_FALSE(plat::GetGamepad(&g)) << "no gamepad yet";
    if (!PlugGamepad()) GTEST_SKIP() << BackendName() << " cannot make a gamepad here";
    ASSERT_TRUE(WaitUntil([&] { return plat::GetGamepad(&g); }));
    uint32_t x, y, b;
    EXPECT_FALSE(plat::GetJoystick(&x, &y, &b));

    plat::GamepadState a;
    a.stickX = -32768;
    a.stickY = 20000;
    a.south = a.back = a.start = a.dpadLeft = true;
    SetGamepad(a);
    EXPECT_TRUE(WaitUntil([&] {
        return plat::GetGamepad(&g) && g.stickX == -32768 && g.stickY == 20000 && g.south &&
               g.back && g.start && g.dpadLeft;
    }));
    EXPECT_FALSE(g.north || g.dpadRight || g.dpadUp || g.dpadDown);

    plat::GamepadState n;
    n.north = n.dpadUp = true;
    SetGamepad(n);
    EXPECT_TRUE(WaitUntil([&] { return plat::GetGamepad(&g) && g.north && g.dpadUp; }));
    EXPECT_FALSE(g.south || g.back || g.start || g.dpadLeft);
    gInput = InputState();
    ReadInput();
    EXPECT_EQ(gInput.axisY, -1);
    EXPECT_TRUE(gInput.buttons[8]);
    EXPECT_FALSE(gInput.buttons[2]);

    UnplugGamepad();
    EXPECT_TRUE(WaitUntil([&] { return !plat::GetGamepad(&g); }));
    ASSERT_TRUE(PlugGamepad());
    EXPECT_TRUE(WaitUntil([&] { return plat::GetGamepad(&g); }));
    UnplugGamepad();
}

}  // namespace
}  // namespace contract
