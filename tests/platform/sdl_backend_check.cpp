// SPDX-License-Identifier: MIT
// The SDL backend itself, on SDL's offscreen video and dummy audio drivers: SDL events become
// our messages in order, reading the key state keeps the queue intact, the close button and
// signals, joystick hot-plugging and range, the GL context, and the audio device.
#include <GL/gl.h>
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
#include "platform/sdl/SdlTestSupport.h"
#include "shell/Input.h"

namespace {

namespace st = plat::sdltest;

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

// A windowed window is centred on its display, has exactly the asked client size and can be
// neither resized nor maximised.
TEST_F(SdlBackend, WindowedWindowIsCentredAndFixedInSize)
{
    st::WindowFacts f;
    ASSERT_TRUE(st::GetWindowFacts(window, &f)) << plat::LastError();
    EXPECT_EQ(f.width, 640);
    EXPECT_EQ(f.height, 480);
    EXPECT_FALSE(f.resizable);
    EXPECT_FALSE(f.maximised);
    EXPECT_FALSE(f.fullScreen);
    EXPECT_EQ(f.x, f.displayX + (f.displayWidth - f.width) / 2);
    EXPECT_EQ(f.y, f.displayY + (f.displayHeight - f.height) / 2);
}

TEST_F(SdlBackend, ReadingKeysKeepsEveryMessageInOrder)
{
    ASSERT_TRUE(st::PushKey(window, 'A', true));
    ASSERT_TRUE(st::PushMouseMotion(window, 300, 200));
    ASSERT_TRUE(st::PushKey(window, 'A', false));
    ASSERT_TRUE(st::PushKey(window, plat::VK_LEFT_KEY, true));
    // The query pulls the events in: A was pressed and released since, Left is down.
    EXPECT_EQ(plat::GetAsyncKeyState('A'), 1);
    EXPECT_EQ(plat::GetAsyncKeyState('A'), 0);
    EXPECT_NE(plat::GetAsyncKeyState(plat::VK_LEFT_KEY) & 0x8000, 0);

    std::vector<plat::Message> got = Drain();
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[0].message, plat::MSG_KEYDOWN);
    EXPECT_EQ(got[0].wParam, static_cast<uintptr_t>('A'));
    EXPECT_EQ(got[0].window, window);
    EXPECT_EQ(got[1].message, plat::MSG_MOUSEMOVE);
    EXPECT_EQ(got[1].lParam, 300 | (200 << 16));
    EXPECT_EQ(got[2].message, plat::MSG_KEYUP);
    EXPECT_EQ(got[3].message, plat::MSG_KEYDOWN);
    EXPECT_EQ(got[3].wParam, static_cast<uintptr_t>(plat::VK_LEFT_KEY));
    st::PushKey(window, plat::VK_LEFT_KEY, false);
    Drain();
}

TEST_F(SdlBackend, KeyReleaseIsSeenWithoutHandlingMessages)
{
    // The start screen polls the key state until Enter is let go and handles no messages.
    st::PushKey(window, plat::VK_RETURN_KEY, true);
    int polls = 0;
    while (plat::GetAsyncKeyState(plat::VK_RETURN_KEY) != 0) {
        ASSERT_LT(++polls, 100);
        if (polls == 3) st::PushKey(window, plat::VK_RETURN_KEY, false);
    }
    EXPECT_EQ(polls, 3);
    std::vector<plat::Message> got = Drain();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].message, plat::MSG_KEYDOWN);
    EXPECT_EQ(got[1].message, plat::MSG_KEYUP);
}

TEST_F(SdlBackend, CloseButtonFocusAndMouseButtons)
{
    st::PushWindowEvent(window, st::WindowEventFocusLost());
    st::PushWindowEvent(window, st::WindowEventFocusGained());
    st::PushMouseButton(window, true, true, 1);
    st::PushMouseButton(window, true, false, 1);
    st::PushMouseButton(window, true, true, 2);  // the second press of a double click
    st::PushMouseButton(window, false, true, 1);
    st::PushWindowEvent(window, st::WindowEventClose());
    std::vector<plat::Message> got = Drain();
    const uint32_t expected[] = {
        plat::MSG_ACTIVATEAPP,   plat::MSG_ACTIVATEAPP, plat::MSG_LBUTTONDOWN, plat::MSG_LBUTTONUP,
        plat::MSG_LBUTTONDBLCLK, plat::MSG_RBUTTONDOWN, plat::MSG_CLOSE};
    ASSERT_EQ(got.size(), std::size(expected));
    for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i].message, expected[i]) << i;
    EXPECT_EQ(got[0].wParam, 0u);
    EXPECT_EQ(got[1].wParam, 1u);

    // The close reaches the procedure; its default handling destroys the window.
    plat::DispatchMessage(got.back());
    ASSERT_EQ(gSeen.size(), 2u);
    EXPECT_EQ(gSeen[0].message, plat::MSG_CLOSE);
    EXPECT_EQ(gSeen[1].message, plat::MSG_DESTROY);
    EXPECT_EQ(plat::GetWindowUserData(window), nullptr);
    EXPECT_FALSE(plat::GetClientSize(window, nullptr, nullptr));
    window = nullptr;
}

TEST_F(SdlBackend, PostedCloseDropsWhatWasQueuedBehindIt)
{
    plat::PostClose(window);
    st::PushKey(window, 'B', true);
    plat::Message m;
    ASSERT_TRUE(plat::PeekMessage(&m, true));
    EXPECT_EQ(m.message, plat::MSG_CLOSE);
    plat::DispatchMessage(m);
    EXPECT_TRUE(Drain().empty());
    st::PushKey(window, 'B', false);
    Drain();
    window = nullptr;
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

TEST_F(SdlBackend, JoystickHotPlugAndRange)
{
    uint32_t x, y, b;
    EXPECT_FALSE(plat::GetJoystick(&x, &y, &b));
    if (!st::AttachJoystick()) GTEST_SKIP() << "SDL cannot make a virtual joystick here";
    struct Row {
        int sx, sy;
        uint32_t buttons;
        uint32_t x, y;
    };
    const Row rows[] = {
        {-32768, -32768, 0, 0, 0},
        {32767, 32767, 1u << 9, 65535, 65535},
        {0, -1, (1u << 0) | (1u << 2), 32768, 32767},
    };
    for (const Row& r : rows) {
        st::SetJoystick(r.sx, r.sy, r.buttons);
        ASSERT_TRUE(plat::GetJoystick(&x, &y, &b));
        EXPECT_EQ(x, r.x);
        EXPECT_EQ(y, r.y);
        EXPECT_EQ(b, r.buttons);
    }
    st::DetachJoystick();
    EXPECT_FALSE(plat::GetJoystick(&x, &y, &b));
    Drain();
}

// A gamepad SDL knows is reported as one, with SDL's button layout, and not as a joystick;
// unplugged it is gone, and plugged in again it is back.
TEST_F(SdlBackend, GamepadHotPlugAndLayout)
{
    plat::GamepadState g;
    EXPECT_FALSE(plat::GetGamepad(&g));
    if (!st::AttachGamepad()) GTEST_SKIP() << "SDL cannot make a virtual gamepad here";
    Drain();  // the device-added events open it
    ASSERT_TRUE(plat::GetGamepad(&g));
    uint32_t x, y, b;
    EXPECT_FALSE(plat::GetJoystick(&x, &y, &b));

    st::SetGamepad(-32768, 20000,
                   (1u << st::PAD_SOUTH) | (1u << st::PAD_BACK) | (1u << st::PAD_START) |
                       (1u << st::PAD_LEFT));
    ASSERT_TRUE(plat::GetGamepad(&g));
    EXPECT_EQ(g.stickX, -32768);
    EXPECT_EQ(g.stickY, 20000);
    EXPECT_TRUE(g.south && g.back && g.start && g.dpadLeft);
    EXPECT_FALSE(g.north || g.dpadRight || g.dpadUp || g.dpadDown);
    st::SetGamepad(0, 0, (1u << st::PAD_NORTH) | (1u << st::PAD_UP) | (1u << st::PAD_EAST));
    ASSERT_TRUE(plat::GetGamepad(&g));
    EXPECT_TRUE(g.north && g.dpadUp);
    EXPECT_FALSE(g.south || g.back || g.start);

    // Through the game's input state: d-pad up thrusts, north is the camera button.
    gInput = InputState();
    ReadInput();
    EXPECT_EQ(gInput.axisY, -1);
    EXPECT_TRUE(gInput.buttons[8]);
    EXPECT_FALSE(gInput.buttons[2]);

    st::DetachGamepad();
    EXPECT_FALSE(plat::GetGamepad(&g));
    ASSERT_TRUE(st::AttachGamepad());
    EXPECT_TRUE(plat::GetGamepad(&g));
    st::DetachGamepad();
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
    EXPECT_FALSE(plat::IsFullscreen(window));
    st::PushKey(window, 0x7A, true);  // F11
    st::PushKey(window, 0x7A, false);
    EXPECT_TRUE(keyMessages().empty());
    EXPECT_TRUE(plat::IsFullscreen(window));
    EXPECT_EQ(plat::GetAsyncKeyState(0x7A), 0);

    st::PushKey(window, plat::VK_RETURN_KEY, true, false, true);  // with Alt
    EXPECT_TRUE(keyMessages().empty());
    EXPECT_EQ(plat::GetAsyncKeyState(plat::VK_RETURN_KEY), 0);
    EXPECT_FALSE(plat::IsFullscreen(window));

    st::PushKey(window, plat::VK_RETURN_KEY, true);
    std::vector<plat::Message> seen = keyMessages();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].message, plat::MSG_KEYDOWN);
    EXPECT_NE(plat::GetAsyncKeyState(plat::VK_RETURN_KEY), 0);
    EXPECT_FALSE(plat::IsFullscreen(window));

    EXPECT_TRUE(plat::SetFullscreen(window, true));
    EXPECT_TRUE(plat::IsFullscreen(window));
    EXPECT_TRUE(plat::SetFullscreen(window, false));
    EXPECT_FALSE(plat::IsFullscreen(window));
}

TEST_F(SdlBackend, ProgramFolderIconAndVsync)
{
    std::string dir = plat::ExecutableDir();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), '/');
    EXPECT_TRUE(std::filesystem::is_regular_file(dir + "platform_sdl_backend_check")) << dir;

    std::vector<uint8_t> icon(16 * 16 * 4, 200);
    plat::SetWindowIcon(window, icon.data(), 16, 16);  // takes a copy
    icon.clear();

    EXPECT_FALSE(plat::GLSetVsync(true));  // no context yet
    ASSERT_TRUE(plat::GLCreateContext(window)) << plat::LastError();
    plat::GLSetVsync(true);  // the offscreen driver may not offer it
    EXPECT_TRUE(plat::GLSetVsync(false));
    plat::GLSwapBuffers();
    plat::GLReleaseContext();
}

TEST_F(SdlBackend, GLContextOnTheWindow)
{
    ASSERT_TRUE(plat::GLCreateContext(window)) << plat::LastError();
    GLint depth = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    EXPECT_GE(depth, 16);
    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    unsigned char p[4] = {};
    glReadPixels(10, 10, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    EXPECT_EQ(p[1], 255);
    plat::GLSwapBuffers();
    plat::GLReleaseContext();
}

struct AudioProbe {
    std::mutex lock;
    std::condition_variable changed;
    int done = 0;
    std::atomic<bool> closed{false};
    std::atomic<int> late{0};
};

void OnDone(void* user)
{
    auto* p = static_cast<AudioProbe*>(user);
    if (p->closed) ++p->late;
    std::lock_guard<std::mutex> g(p->lock);
    ++p->done;
    p->changed.notify_all();
}

TEST(SdlAudio, PlaysQueuedBuffersAndReportsEach)
{
    AudioProbe probe;
    ASSERT_TRUE(plat::AudioOpen(44100, OnDone, &probe)) << plat::LastError();
    EXPECT_FALSE(plat::AudioOpen(44100, OnDone, &probe));
    std::vector<int16_t> buffers[3];
    for (auto& b : buffers) {
        b.assign(2 * 4410, 1000);
        ASSERT_TRUE(plat::AudioQueue(b.data(), b.size() * sizeof(int16_t)));
    }
    {
        std::unique_lock<std::mutex> g(probe.lock);
        // A safety net only: the dummy driver plays the 0.3 s in real time.
        ASSERT_TRUE(
            probe.changed.wait_for(g, std::chrono::seconds(20), [&] { return probe.done == 3; }));
    }
    plat::AudioQueue(buffers[0].data(), buffers[0].size() * sizeof(int16_t));
    plat::AudioClose();
    probe.closed = true;
    EXPECT_EQ(probe.late.load(), 0);
    EXPECT_FALSE(plat::AudioQueue(buffers[0].data(), 4));
}

TEST(SdlAudio, OpeningFailsWithoutADevice)
{
    const char* old = std::getenv("SDL_AUDIODRIVER");
    std::string saved = old ? old : "";
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    AudioProbe probe;
    EXPECT_FALSE(plat::AudioOpen(44100, OnDone, &probe));
    EXPECT_STRNE(plat::LastError(), "");
    if (old) setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
    else unsetenv("SDL_AUDIODRIVER");
}

}  // namespace
