// SPDX-License-Identifier: MIT
// The web backend's side of the platform contract, in headless Chromium: the canvas as the
// window, messages in order, keys by their place, focus and visibility as deactivation,
// gamepads, the clock, the GL context on the canvas, the audio device and files. The browser's
// events are made as the browser makes them (PageControl.h) and reach the backend through its
// real handlers. What needs display frames (the loop, sound being played, the pass on a hidden
// page) is checked after these, in web_checks.cpp.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "PageControl.h"
#include "platform/Files.h"
#include "platform/Platform.h"
#include "platform/web/gl/Device.h"

namespace {

std::vector<plat::Message> gSeen;

void Proc(plat::NativeWindow w, uint32_t msg, uintptr_t wp, intptr_t lp)
{
    gSeen.push_back({w, msg, wp, lp});
    plat::DefaultWindowProc(w, msg, wp, lp);
}

std::vector<plat::Message> Drain()
{
    std::vector<plat::Message> out;
    plat::Message m;
    while (plat::PeekMessage(&m, true)) out.push_back(m);
    return out;
}

// Only the key and activation messages, in order, as "down 65", "up 65", "active 0".
std::string Keys(const std::vector<plat::Message>& messages)
{
    std::ostringstream out;
    for (const plat::Message& m : messages) {
        if (m.message == plat::MSG_KEYDOWN) out << "down " << m.wParam << ";";
        else if (m.message == plat::MSG_KEYUP) out << "up " << m.wParam << ";";
        else if (m.message == plat::MSG_CHAR) out << "char " << m.wParam << ";";
        else if (m.message == plat::MSG_ACTIVATEAPP) out << "active " << m.wParam << ";";
    }
    return out.str();
}

struct WebBackend : ::testing::Test {
    void SetUp() override
    {
        gSeen.clear();
        plat::WindowDesc d;
        d.title = "web checks";
        window = plat::CreateNativeWindow(d, Proc);
        ASSERT_NE(window, nullptr) << plat::LastError();
        Drain();
    }
    void TearDown() override
    {
        plat::GLReleaseContext();
        if (window) plat::DefaultWindowProc(window, plat::MSG_CLOSE, 0, 0);
        Drain();
        page::SetGamepads("[]");
        page::SetClock(-1, -1);
    }
    plat::NativeWindow window = nullptr;
};

TEST_F(WebBackend, TheCanvasIsTheWindowAtItsSizeInPixels)
{
    int w = 0, h = 0;
    ASSERT_TRUE(plat::GetClientSize(window, &w, &h));
    EXPECT_EQ(w, 640);  // the check page shows the canvas at 640 x 480, one pixel per pixel
    EXPECT_EQ(h, 480);
    // The page lays the canvas out; the window follows.
    page::SetCanvasCssSize(320, 240);
    ASSERT_TRUE(plat::GetClientSize(window, &w, &h));
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 240);
    page::SetCanvasCssSize(640, 480);
    // On a high-DPI screen the surface has the screen's pixels, so the picture stays crisp.
    page::SetPixelRatio(2.0);
    ASSERT_TRUE(plat::GetClientSize(window, &w, &h));
    EXPECT_EQ(w, 1280);
    EXPECT_EQ(h, 960);
    page::SetPixelRatio(1.0);

    int data = 0;
    plat::SetWindowUserData(window, &data);
    EXPECT_EQ(plat::GetWindowUserData(window), &data);

    plat::WindowDesc bad;
    bad.clientWidth = 0;
    EXPECT_EQ(plat::CreateNativeWindow(bad, Proc), nullptr);
    EXPECT_STRNE(plat::LastError(), "");
}

TEST_F(WebBackend, CloseDestroysTheWindowAndForgetsItsMessages)
{
    page::Key("KeyA", "a", true);
    plat::PostClose(window);
    page::Key("KeyA", "a", false);
    // The close message is handled in its turn; the key release queued after it has no window
    // left to go to.
    std::vector<plat::Message> got;
    plat::Message m;
    while (plat::PeekMessage(&m, true)) {
        got.push_back(m);
        plat::DispatchMessage(m);
    }
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].message, static_cast<uint32_t>(plat::MSG_KEYDOWN));
    EXPECT_EQ(got[1].message, static_cast<uint32_t>(plat::MSG_CLOSE));
    ASSERT_FALSE(gSeen.empty());
    EXPECT_EQ(gSeen.back().message, static_cast<uint32_t>(plat::MSG_DESTROY));
    EXPECT_EQ(plat::GetWindowUserData(window), nullptr);
    int w = 0, h = 0;
    EXPECT_FALSE(plat::GetClientSize(window, &w, &h));
    window = nullptr;
}

TEST_F(WebBackend, MessagesKeepTheirOrderAndKeysGiveTheirCharacters)
{
    page::Key("KeyA", "a", true);
    page::Key("ArrowLeft", "ArrowLeft", true);
    page::Key("KeyA", "a", false);
    plat::PostQuit(7);
    page::Key("ArrowLeft", "ArrowLeft", false);

    plat::Message first;
    ASSERT_TRUE(plat::PeekMessage(&first, false));
    ASSERT_TRUE(plat::PeekMessage(&first, false));  // looking leaves it there
    EXPECT_EQ(first.message, static_cast<uint32_t>(plat::MSG_KEYDOWN));
    plat::PeekMessage(&first, true);
    plat::TranslateMessage(first);  // the character comes next, before the later keys

    std::vector<plat::Message> rest = Drain();
    EXPECT_EQ(Keys(rest), "char 97;down 37;up 65;up 37;");
    bool quit = false;
    for (const plat::Message& m : rest)
        if (m.message == plat::MSG_QUIT) {
            quit = true;
            EXPECT_EQ(m.wParam, 7u);
            EXPECT_EQ(m.window, nullptr);
        }
    EXPECT_TRUE(quit);
}

TEST_F(WebBackend, TheMouseOnTheCanvasComesInSurfacePixels)
{
    page::Mouse("mousemove", 100, 50, 0, 0);
    page::Mouse("mousedown", 100, 50, 0, 1);
    page::Mouse("mouseup", 101, 50, 0, 0);
    page::Mouse("mousedown", 7, 8, 2, 2);
    page::Mouse("dblclick", 7, 8, 0, 0);
    const std::vector<plat::Message> got = Drain();
    const uint32_t want[] = {plat::MSG_MOUSEMOVE, plat::MSG_LBUTTONDOWN, plat::MSG_LBUTTONUP,
                             plat::MSG_RBUTTONDOWN, plat::MSG_LBUTTONDBLCLK};
    ASSERT_EQ(got.size(), 5u);
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].message, want[i]) << i;
        EXPECT_EQ(got[i].window, window);
    }
    EXPECT_EQ(got[0].lParam, 100 | (50 << 16));
    EXPECT_EQ(got[1].wParam, 1u);  // the left button is down
    EXPECT_EQ(got[2].lParam, 101 | (50 << 16));
    EXPECT_EQ(got[3].wParam, 2u);  // the right one
    EXPECT_EQ(got[3].lParam, 7 | (8 << 16));
}

struct KeyCase {
    const char* code;
    const char* key;
    int virtualKey;
};

// Keys go by their place (KeyboardEvent.code), so an A press on any layout is the game's A.
TEST_F(WebBackend, KeyCodesBecomeTheGamesVirtualKeys)
{
    const KeyCase cases[] = {
        {"KeyA", "q", 'A'},  // a French keyboard's key in the A place
        {"KeyZ", "z", 'Z'},
        {"KeyX", "x", 'X'},
        {"Digit1", "1", '1'},
        {"Digit2", "2", '2'},
        {"Enter", "Enter", plat::VK_RETURN_KEY},
        {"NumpadEnter", "Enter", plat::VK_RETURN_KEY},
        {"Space", " ", plat::VK_SPACE_KEY},
        {"Escape", "Escape", plat::VK_ESCAPE_KEY},
        {"ArrowLeft", "ArrowLeft", plat::VK_LEFT_KEY},
        {"ArrowUp", "ArrowUp", plat::VK_UP_KEY},
        {"ArrowRight", "ArrowRight", plat::VK_RIGHT_KEY},
        {"ArrowDown", "ArrowDown", plat::VK_DOWN_KEY},
        {"F5", "F5", 0x74},
        {"Numpad3", "3", 0x63},
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_TRUE(page::Key(c.code, c.key, true));
        EXPECT_NE(plat::GetAsyncKeyState(c.virtualKey) & 0x8000, 0);
        page::Key(c.code, c.key, false);
        std::ostringstream want;
        want << "down " << c.virtualKey << ";up " << c.virtualKey << ";";
        EXPECT_EQ(Keys(Drain()), want.str());
        EXPECT_EQ(plat::GetAsyncKeyState(c.virtualKey), 0);
    }
    // A key the game has no name for is left to the page.
    EXPECT_FALSE(page::Key("IntlBackslash", "<", true));
    page::Key("IntlBackslash", "<", false);
    EXPECT_EQ(Keys(Drain()), "");
}

TEST_F(WebBackend, KeyStateCountsATapBetweenTwoReadsAndHeldKeys)
{
    plat::GetAsyncKeyState('A');
    page::Key("KeyA", "a", true);
    page::Key("KeyA", "a", false);
    EXPECT_EQ(plat::GetAsyncKeyState('A'), 1);  // pressed since the last read, up now
    EXPECT_EQ(plat::GetAsyncKeyState('A'), 0);
    Drain();

    page::Key("Space", " ", true);
    EXPECT_EQ(static_cast<uint16_t>(plat::GetAsyncKeyState(plat::VK_SPACE_KEY)), 0x8001u);
    // The keyboard's repeats are no new presses.
    page::Key("Space", " ", true, true);
    EXPECT_EQ(static_cast<uint16_t>(plat::GetAsyncKeyState(plat::VK_SPACE_KEY)), 0x8000u);
    page::Key("Space", " ", false);
    std::vector<plat::Message> got = Drain();
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[1].lParam & 0x40000000, 0x40000000);  // the repeat says so
}

TEST_F(WebBackend, BrowserShortcutsAndFullScreenKeysAreNotTheGames)
{
    // Ctrl+R stays the browser's (not prevented), though the game sees the R.
    EXPECT_FALSE(page::Key("KeyR", "r", true, false, true));
    page::Key("KeyR", "r", false, false, true);
    EXPECT_EQ(Keys(Drain()), "down 82;up 82;");
    // F11 and Alt+Enter switch full screen and never reach the game.
    EXPECT_TRUE(page::Key("F11", "F11", true));
    page::Key("F11", "F11", false);
    EXPECT_TRUE(page::Key("Enter", "Enter", true, false, false, true));
    page::Key("Enter", "Enter", false, false, false, true);
    EXPECT_EQ(Keys(Drain()), "");
    EXPECT_EQ(plat::GetAsyncKeyState(plat::VK_RETURN_KEY), 0);
    // Outside a key press or a click the browser refuses full screen, and the backend says so.
    EXPECT_FALSE(plat::SetFullscreen(window, true));
    EXPECT_STRNE(plat::LastError(), "");
    EXPECT_FALSE(plat::IsFullscreen(window));
}

TEST_F(WebBackend, LosingTheFocusLetsHeldKeysGoAndDeactivates)
{
    page::Key("ArrowUp", "ArrowUp", true);
    Drain();
    page::Blur();
    EXPECT_EQ(Keys(Drain()), "up 38;active 0;");
    EXPECT_EQ(plat::GetAsyncKeyState(plat::VK_UP_KEY) & 0x8000, 0);
    page::Focus();
    EXPECT_EQ(Keys(Drain()), "active 1;");
}

TEST_F(WebBackend, AHiddenPageIsInactiveUntilItIsSeenWithTheFocus)
{
    page::SetHidden(true);
    EXPECT_EQ(Keys(Drain()), "active 0;");
    page::Blur();  // already inactive: nothing new
    page::Focus();
    EXPECT_EQ(Keys(Drain()), "");
    page::SetHidden(false);
    EXPECT_EQ(Keys(Drain()), "active 1;");
}

// A standard-mapping pad (the Gamepad API's layout), as a JavaScript object.
std::string Pad(const char* mapping, double x, double y, std::vector<int> pressed, int index = 0,
                bool connected = true)
{
    std::ostringstream js;
    js << "{connected:" << (connected ? "true" : "false") << ",index:" << index
       << ",id:'pad',mapping:'" << mapping << "',timestamp:1,axes:[" << x << "," << y
       << ",0,0],buttons:Array.from({length:17},(_,i)=>({pressed:[";
    for (int b : pressed) js << b << ",";
    js << "].includes(i),value:0}))}";
    return js.str();
}

TEST_F(WebBackend, AStandardPadIsTheGamepadWithItsLayout)
{
    // South 0, north 3, back 8, start 9, d-pad 12-15.
    const std::string pads = "[" + Pad("standard", -1.0, 0.5, {0, 3, 8, 9, 13, 14}) + "]";
    page::SetGamepads(pads.c_str());
    plat::GamepadState g;
    ASSERT_TRUE(plat::GetGamepad(&g));
    EXPECT_EQ(g.stickX, -32768);
    EXPECT_EQ(g.stickY, 16384);
    EXPECT_TRUE(g.south);
    EXPECT_TRUE(g.north);
    EXPECT_TRUE(g.back);
    EXPECT_TRUE(g.start);
    EXPECT_TRUE(g.dpadDown);
    EXPECT_TRUE(g.dpadLeft);
    EXPECT_FALSE(g.dpadUp);
    EXPECT_FALSE(g.dpadRight);
    uint32_t x, y, b;
    EXPECT_FALSE(plat::GetJoystick(&x, &y, &b));  // a pad is not also the plain joystick
}

TEST_F(WebBackend, AnyOtherDeviceIsThePlainJoystick)
{
    const std::string pads = "[" + Pad("", 1.0, -1.0, {0, 9}) + "]";
    page::SetGamepads(pads.c_str());
    uint32_t x = 0, y = 0, b = 0;
    ASSERT_TRUE(plat::GetJoystick(&x, &y, &b));
    EXPECT_EQ(x, 65535u);
    EXPECT_EQ(y, 0u);
    EXPECT_EQ(b, (1u << 0) | (1u << 9));
    EXPECT_FALSE(plat::GetGamepad(nullptr));
    page::SetGamepads("[]");
    EXPECT_FALSE(plat::GetJoystick(&x, &y, &b));
}

TEST_F(WebBackend, TheFirstDeviceAttachedIsReadUntilItGoes)
{
    const std::string both =
        "[" + Pad("standard", 0, 0, {0}, 0) + "," + Pad("standard", 0, 0, {3}, 1) + "]";
    page::SetGamepads(both.c_str());
    plat::GamepadState g;
    ASSERT_TRUE(plat::GetGamepad(&g));
    EXPECT_TRUE(g.south);
    // The first goes (its slot empties); the second is read from then on.
    const std::string second = "[null," + Pad("standard", 0, 0, {3}, 1) + "]";
    page::SetGamepads(second.c_str());
    ASSERT_TRUE(plat::GetGamepad(&g));
    EXPECT_FALSE(g.south);
    EXPECT_TRUE(g.north);
    // Coming back, the first does not take over from the one in use.
    page::SetGamepads(both.c_str());
    ASSERT_TRUE(plat::GetGamepad(&g));
    EXPECT_TRUE(g.north);
}

TEST_F(WebBackend, TheClockCountsMillisecondsAndWraps)
{
    page::SetClock(12345.9, 1700000000123.0);
    EXPECT_EQ(plat::Ticks(), 12345u);
    EXPECT_EQ(plat::CalendarTime(), 1700000000);
    page::SetClock(4294967296.0 + 5.0, 0);
    EXPECT_EQ(plat::Ticks(), 5u);
}

TEST_F(WebBackend, TheContextDrawsOnTheCanvasAndFollowsItsSize)
{
    ASSERT_TRUE(plat::GLCreateContext(window)) << plat::LastError();
    EXPECT_TRUE(plat::GLSetVsync(true));
    glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    plat::GLSwapBuffers();
    uint8_t px[4] = {0, 0, 0, 0};
    ASSERT_TRUE(webgl::ReadPixels(320, 240, 1, 1, px, true));
    EXPECT_EQ(px[0], 51);
    EXPECT_EQ(px[1], 102);
    EXPECT_EQ(px[2], 153);
    // Drawing the next picture leaves the one shown alone.
    glClearColor(0.8f, 0.4f, 0.6f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    ASSERT_TRUE(webgl::ReadPixels(320, 240, 1, 1, px, true));
    EXPECT_EQ(px[0], 51);

    // A new layout of the page: the drawing surface takes its size at the next swap, so a
    // frame is drawn at one size throughout.
    page::SetCanvasCssSize(320, 240);
    int w = 0, h = 0;
    plat::GetClientSize(window, &w, &h);
    EXPECT_EQ(w, 640);
    plat::GLSwapBuffers();
    plat::GetClientSize(window, &w, &h);
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 240);
    page::SetCanvasCssSize(640, 480);
    plat::GLSwapBuffers();

    plat::GLReleaseContext();
    ASSERT_TRUE(plat::GLCreateContext(window)) << plat::LastError();
    plat::GLReleaseContext();
    plat::NativeWindow gone = window;
    plat::DefaultWindowProc(window, plat::MSG_CLOSE, 0, 0);
    window = nullptr;
    EXPECT_FALSE(plat::GLCreateContext(gone));
}

TEST(WebAudioDevice, OpensOnceAndRefusesWhatIsWrong)
{
    auto done = [](void*) {};
    EXPECT_FALSE(plat::AudioOpen(0, done, nullptr));
    ASSERT_TRUE(plat::AudioOpen(44100, done, nullptr)) << plat::LastError();
    EXPECT_FALSE(plat::AudioOpen(44100, done, nullptr));
    EXPECT_FALSE(plat::AudioQueue(nullptr, 16));
    const int16_t silence[8] = {0};
    EXPECT_TRUE(plat::AudioQueue(silence, sizeof silence));
    plat::AudioReset();
    plat::AudioClose();
    EXPECT_FALSE(plat::AudioQueue(silence, sizeof silence));
    plat::AudioClose();  // twice is harmless
}

TEST(WebFiles, RenameReplacesTheTargetInOneStep)
{
    {
        std::ofstream("/tmp/qb-a") << "new";
        std::ofstream("/tmp/qb-b") << "old";
    }
    ASSERT_TRUE(plat::RenameReplacing("/tmp/qb-a", "/tmp/qb-b"));
    std::ifstream in("/tmp/qb-b");
    std::string text;
    in >> text;
    EXPECT_EQ(text, "new");
    EXPECT_FALSE(std::ifstream("/tmp/qb-a").good());
    EXPECT_FALSE(plat::RenameReplacing("/tmp/qb-missing", "/tmp/qb-b"));
}

TEST(WebProgramFolder, IsNone) { EXPECT_STREQ(plat::ExecutableDir(), ""); }

}  // namespace
