// SPDX-License-Identifier: MIT
// What only the SDL backend shows (the contract suite covers the rest), on SDL's offscreen video
// driver: SIGINT and SIGTERM become quit messages, the pointer hides over a full-screen window,
// presses not yet read when the focus went do not count, the usable screen and the sleep.
#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <mutex>
#include <vector>

#include "platform/Platform.h"
#include "contract/Driver.h"
#include "shell/Input.h"

namespace {

// SDL's switch for the mouse pointer.
bool PointerShown() { return SDL_ShowCursor(SDL_QUERY) == SDL_ENABLE; }

std::vector<plat::Message> gSeen;

void Proc(plat::NativeWindow w, uint32_t msg, uintptr_t wp, intptr_t lp)
{
    gSeen.push_back({w, msg, wp, lp});
    plat::DefaultWindowProc(w, msg, wp, lp);
}

struct SdlBackend : ::testing::Test {
    void SetUp() override
    {
        gSeen.clear();
        plat::WindowDesc d;
        d.title = "backend";
        window = plat::CreateNativeWindow(d, Proc);
        ASSERT_NE(window, nullptr) << plat::LastError();
        Drain();
    }
    void TearDown() override
    {
        if (window) plat::DefaultWindowProc(window, plat::MSG_CLOSE, 0, 0);
        Drain();
    }
    std::vector<plat::Message> Drain()
    {
        std::vector<plat::Message> out;
        plat::Message m;
        while (plat::PeekMessage(&m, true)) out.push_back(m);
        return out;
    }

    plat::NativeWindow window = nullptr;
};

// A press the game had not read yet when the focus went (a tap just before switching away)
// does not count once the focus is back; a key still held does.
TEST_F(SdlBackend, FocusBackForgetsPressesNotYetReadButNotHeldKeys)
{
    contract::PressKey(window, 'A');
    contract::ReleaseKey(window, 'A');
    contract::PressKey(window, 'S');
    contract::SwitchAway(window);
    contract::SwitchBack(window);
    Drain();
    EXPECT_EQ(plat::GetAsyncKeyState('A'), 0);
    EXPECT_NE(plat::GetAsyncKeyState('S'), 0);
    contract::ReleaseKey(window, 'S');
    Drain();
}

TEST_F(SdlBackend, SignalsBecomeQuitMessages)
{
    std::raise(SIGTERM);
    plat::WaitMessage();  // returns: a message is waiting
    plat::Message m;
    ASSERT_TRUE(plat::PeekMessage(&m, true));
    EXPECT_EQ(m.message, plat::MSG_QUIT);
    EXPECT_EQ(m.wParam, static_cast<uintptr_t>(128 + SIGTERM));
    EXPECT_EQ(m.window, nullptr);
    plat::PostQuit(4);
    ASSERT_TRUE(plat::PeekMessage(&m, true));
    EXPECT_EQ(m.wParam, 4u);
}

TEST_F(SdlBackend, TimedWaitEndsWhenItsTimeIsUpOrAMessageComes)
{
    Drain();
    const uint32_t t0 = plat::Ticks();
    plat::WaitMessageFor(60);
    EXPECT_GE(plat::Ticks() - t0, 60u);
    plat::PostQuit(3);
    const uint32_t t1 = plat::Ticks();
    plat::WaitMessageFor(60000);
    EXPECT_LT(plat::Ticks() - t1, 30000u);  // the message, not the time, ended it
    Drain();
}

// F11 and Alt+Enter switch desktop full screen and never reach the game; Enter alone does.
TEST_F(SdlBackend, FullscreenShortcutsToggleAndAreSwallowed)
{
    // Switching sends window events of its own (paint, focus); only key messages matter here.
    auto keyMessages = [&] {
        std::vector<plat::Message> keys;
        for (const plat::Message& m : Drain())
            if (m.message == plat::MSG_KEYDOWN || m.message == plat::MSG_KEYUP ||
                m.message == plat::MSG_CHAR)
                keys.push_back(m);
        return keys;
    };
    // The pointer is hidden in full screen, however it was reached, and back over the window.
    EXPECT_FALSE(plat::IsFullscreen(window));
    EXPECT_TRUE(PointerShown());
    contract::PressKey(window, 0x7A);  // F11
    contract::ReleaseKey(window, 0x7A);
    EXPECT_TRUE(keyMessages().empty());
    EXPECT_TRUE(plat::IsFullscreen(window));
    EXPECT_FALSE(PointerShown());
    EXPECT_EQ(plat::GetAsyncKeyState(0x7A), 0);

    contract::PressKey(window, plat::VK_RETURN_KEY, true);  // with Alt
    EXPECT_TRUE(keyMessages().empty());
    EXPECT_EQ(plat::GetAsyncKeyState(plat::VK_RETURN_KEY), 0);
    EXPECT_FALSE(plat::IsFullscreen(window));
    EXPECT_TRUE(PointerShown());

    contract::PressKey(window, plat::VK_RETURN_KEY);
    std::vector<plat::Message> seen = keyMessages();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].message, plat::MSG_KEYDOWN);
    EXPECT_NE(plat::GetAsyncKeyState(plat::VK_RETURN_KEY), 0);
    EXPECT_FALSE(plat::IsFullscreen(window));

    EXPECT_TRUE(plat::SetFullscreen(window, true));
    EXPECT_TRUE(plat::IsFullscreen(window));
    EXPECT_FALSE(PointerShown());
    EXPECT_TRUE(plat::SetFullscreen(window, false));
    EXPECT_FALSE(plat::IsFullscreen(window));
    EXPECT_TRUE(PointerShown());
}

// The usable screen is no larger than the display, and the frame rate limit's sleep lets at
// least the time asked for pass.
TEST_F(SdlBackend, UsableScreenAndSleep)
{
    contract::WindowFacts f;
    ASSERT_TRUE(contract::GetWindowFacts(window, &f));
    int width = 0, height = 0;
    ASSERT_TRUE(plat::GetUsableScreenSize(&width, &height)) << plat::LastError();
    EXPECT_GT(width, 0);
    EXPECT_GT(height, 0);
    EXPECT_LE(width, f.screenWidth);
    EXPECT_LE(height, f.screenHeight);

    const uint32_t t0 = plat::Ticks();
    plat::Sleep(20);
    EXPECT_GE(plat::Ticks() - t0, 20u);
}

}  // namespace
