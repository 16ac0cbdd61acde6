// SPDX-License-Identifier: MIT
// The Windows backend on a real (Wine) desktop: native window, message queue and procedure
// results, the clock, no joystick, a WGL context read back, and the wave-out device with its
// worker thread. Win32Keys.FromXServer needs someone pressing A (tests/wine/keys.sh runs it
// with xdotool); the other tests run on their own.
#include <GL/gl.h>  // brings <windows.h>, whose macros would rename two contract functions
#undef PeekMessage
#undef DispatchMessage
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Platform.h"
#include "platform/win32/Win32TestSupport.h"

namespace {

namespace wt = plat::win32test;
using Clock = std::chrono::steady_clock;

constexpr uint32_t kCreate = 0x0001;  // WM_CREATE
constexpr uint32_t kGetTextLength = 0x000E;  // WM_GETTEXTLENGTH
constexpr uint32_t kNcHitTest = 0x0084;  // WM_NCHITTEST
constexpr uint32_t kUser = 0x0400;  // WM_USER

std::vector<uint32_t> gSeen;  // messages the procedure got, in order

void Logging(plat::NativeWindow w, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    gSeen.push_back(message);
    plat::DefaultWindowProc(w, message, wParam, lParam);
}

plat::NativeWindow MakeWindow(const char* title, plat::WindowProc proc = Logging)
{
    plat::WindowDesc d;
    d.title = title;
    d.clientWidth = 640;
    d.clientHeight = 480;
    return plat::CreateNativeWindow(d, proc);
}

// Handles queued messages until the queue is empty.
void Drain()
{
    plat::Message m;
    while (plat::PeekMessage(&m, true)) {
        plat::TranslateMessage(m);
        plat::DispatchMessage(m);
    }
}

bool Seen(uint32_t message)
{
    for (uint32_t m : gSeen)
        if (m == message) return true;
    return false;
}

struct Win32Backend : ::testing::Test {
    void SetUp() override { gSeen.clear(); }
};

TEST_F(Win32Backend, WindowIsCentredFixedAndHearsItsOwnCreation)
{
    plat::NativeWindow w = MakeWindow("qb-window");
    ASSERT_NE(w, nullptr) << plat::LastError();
    EXPECT_TRUE(Seen(kCreate)) << "messages sent during creation reach the procedure";
    int cw = 0, ch = 0;
    ASSERT_TRUE(plat::GetClientSize(w, &cw, &ch));
    EXPECT_EQ(cw, 640);
    EXPECT_EQ(ch, 480);
    wt::WindowFacts f;
    ASSERT_TRUE(wt::GetWindowFacts(w, &f));
    EXPECT_TRUE(f.visible);
    EXPECT_FALSE(f.resizable);
    EXPECT_FALSE(f.maximiseBox);
    EXPECT_NEAR(f.x, (f.screenWidth - f.width) / 2, 1);
    EXPECT_NEAR(f.y, (f.screenHeight - f.height) / 2, 1);

    int data = 7;
    plat::SetWindowUserData(w, &data);
    EXPECT_EQ(plat::GetWindowUserData(w), &data);

    // Closing: the default handling destroys the window, which the procedure hears as a
    // destroy nested inside the close; afterwards the window is gone for every call.
    gSeen.clear();
    plat::PostClose(w);
    Drain();
    ASSERT_GE(gSeen.size(), 2u);
    EXPECT_EQ(gSeen[0], plat::MSG_CLOSE);
    EXPECT_TRUE(Seen(plat::MSG_DESTROY));
    EXPECT_FALSE(plat::GetClientSize(w, &cw, &ch));
    EXPECT_EQ(plat::GetWindowUserData(w), nullptr);
}

TEST_F(Win32Backend, DefaultResultsReachTheSenderThroughNestedCalls)
{
    plat::NativeWindow w = MakeWindow("qb-results");
    ASSERT_NE(w, nullptr) << plat::LastError();
    // The procedure returns nothing; the system still gets the default procedure's answer.
    EXPECT_EQ(wt::SendNative(w, kGetTextLength, 0, 0),
              static_cast<intptr_t>(std::strlen("qb-results")));
    wt::WindowFacts f;
    ASSERT_TRUE(wt::GetWindowFacts(w, &f));
    const int cx = f.x + f.width / 2, cy = f.y + f.height / 2;
    EXPECT_EQ(wt::SendNative(w, kNcHitTest, 0, (cx & 0xFFFF) | (cy << 16)), 1) << "HTCLIENT";
    plat::PostClose(w);
    Drain();
}

TEST_F(Win32Backend, PeekKeepsTheMessageTranslateAddsCharQuitCarriesItsCode)
{
    plat::NativeWindow w = MakeWindow("qb-queue");
    ASSERT_NE(w, nullptr) << plat::LastError();
    Drain();
    ASSERT_TRUE(wt::PostNative(w, kUser, 5, 6));
    plat::Message a, b;
    ASSERT_TRUE(plat::PeekMessage(&a, false));
    ASSERT_TRUE(plat::PeekMessage(&b, true));
    EXPECT_EQ(a.message, kUser);
    EXPECT_EQ(b.message, kUser);
    EXPECT_EQ(b.window, w);
    EXPECT_EQ(b.wParam, 5u);
    EXPECT_EQ(b.lParam, 6);

    ASSERT_TRUE(wt::PostNative(w, plat::MSG_KEYDOWN, 'A', 0x001E0001));
    plat::Message key, ch;
    ASSERT_TRUE(plat::PeekMessage(&key, true));
    EXPECT_EQ(key.message, plat::MSG_KEYDOWN);
    plat::TranslateMessage(key);
    ASSERT_TRUE(plat::PeekMessage(&ch, true));
    EXPECT_EQ(ch.message, plat::MSG_CHAR);
    EXPECT_EQ(ch.wParam, static_cast<uintptr_t>('a'));

    plat::PostQuit(42);
    plat::Message quit;
    ASSERT_TRUE(plat::PeekMessage(&quit, true));
    EXPECT_EQ(quit.message, plat::MSG_QUIT);
    EXPECT_EQ(quit.window, nullptr);
    EXPECT_EQ(quit.wParam, 42u);
    plat::PostClose(w);
    Drain();
}

TEST_F(Win32Backend, TicksCountMillisecondsAndNoJoystickIsNoJoystick)
{
    const uint32_t t0 = plat::Ticks();
    const Clock::time_point start = Clock::now();
    while (Clock::now() - start < std::chrono::milliseconds(40)) {
    }
    const uint32_t dt = plat::Ticks() - t0;
    EXPECT_GE(dt, 35u);
    EXPECT_LT(dt, 5000u);
    EXPECT_GT(plat::CalendarTime(), 1600000000);

    uint32_t x = 1, y = 2, buttons = 3;
    EXPECT_FALSE(plat::GetJoystick(&x, &y, &buttons)) << "Wine has no joystick here";
}

int gSessionEnds = 0;

// A timed wait ends when its time is up or when a message comes; the end of the session (and
// only its real end) reaches the procedure the program gave, once.
TEST_F(Win32Backend, TimedWaitAndTheEndOfTheSession)
{
    plat::NativeWindow w = MakeWindow("qb-session");
    ASSERT_NE(w, nullptr) << plat::LastError();
    Drain();
    const uint32_t t0 = plat::Ticks();
    plat::WaitMessageFor(60);
    EXPECT_GE(plat::Ticks() - t0, 55u);
    plat::PostQuit(3);
    const uint32_t t1 = plat::Ticks();
    plat::WaitMessageFor(60000);
    EXPECT_LT(plat::Ticks() - t1, 30000u);  // the message, not the time, ended it
    Drain();

    gSessionEnds = 0;
    plat::SetSessionEndProc([] { ++gSessionEnds; });
    wt::SendNative(w, 0x0016 /* WM_ENDSESSION */, 0, 0);  // the end was called off
    EXPECT_EQ(gSessionEnds, 0);
    wt::SendNative(w, 0x0016, 1, 0);
    wt::SendNative(w, 0x0016, 1, 0);
    EXPECT_EQ(gSessionEnds, 1);
    plat::SetSessionEndProc(nullptr);
    plat::PostClose(w);
    Drain();
}

TEST_F(Win32Backend, DisplayModeComesBackAfterRestore)
{
    plat::NativeWindow w = MakeWindow("qb-mode");
    ASSERT_NE(w, nullptr) << plat::LastError();
    wt::WindowFacts before, after;
    ASSERT_TRUE(wt::GetWindowFacts(w, &before));
    plat::RestoreDisplayMode();  // nothing was changed: nothing happens
    plat::ChangeDisplayMode(800, 600, 32);
    plat::RestoreDisplayMode();
    plat::RestoreDisplayMode();  // a second restore does nothing
    ASSERT_TRUE(wt::GetWindowFacts(w, &after));
    EXPECT_EQ(after.screenWidth, before.screenWidth);
    EXPECT_EQ(after.screenHeight, before.screenHeight);
    plat::PostClose(w);
    Drain();
}

TEST_F(Win32Backend, DesktopFullScreenByCallAndShortcutsWhichTheGameNeverSees)
{
    constexpr uint32_t kSysKeyDown = 0x0104, kSysKeyUp = 0x0105;  // WM_SYSKEY*
    constexpr int kF11 = 0x7A;
    constexpr intptr_t kAltHeld = 1 << 29;
    plat::NativeWindow w = MakeWindow("qb-fullscreen");
    ASSERT_NE(w, nullptr) << plat::LastError();
    wt::WindowFacts f;
    ASSERT_TRUE(wt::GetWindowFacts(w, &f));
    auto clientIs = [&](int width, int height) {
        int cw = 0, ch = 0;
        return plat::GetClientSize(w, &cw, &ch) && cw == width && ch == height;
    };

    ASSERT_TRUE(plat::SetFullscreen(w, true)) << plat::LastError();
    EXPECT_TRUE(plat::IsFullscreen(w));
    EXPECT_TRUE(clientIs(f.screenWidth, f.screenHeight));
    ASSERT_TRUE(plat::SetFullscreen(w, false));
    EXPECT_FALSE(plat::IsFullscreen(w));
    EXPECT_TRUE(clientIs(640, 480));

    // F11, then Alt+Enter: each toggles, and neither press nor release reaches the procedure.
    gSeen.clear();
    wt::PostNative(w, plat::MSG_KEYDOWN, kF11, 1);
    wt::PostNative(w, plat::MSG_KEYUP, kF11, static_cast<intptr_t>(0xC0000001u));
    Drain();
    EXPECT_TRUE(plat::IsFullscreen(w));
    wt::PostNative(w, kSysKeyDown, plat::VK_RETURN_KEY, 1 | kAltHeld);
    Drain();
    EXPECT_FALSE(plat::IsFullscreen(w));
    EXPECT_EQ(plat::GetAsyncKeyState(plat::VK_RETURN_KEY), 0) << "Enter is hidden until let go";
    wt::PostNative(w, kSysKeyUp, plat::VK_RETURN_KEY, static_cast<intptr_t>(0xE0000001u));
    Drain();
    EXPECT_TRUE(clientIs(640, 480));
    for (uint32_t m : gSeen) {
        EXPECT_NE(m, plat::MSG_KEYDOWN);
        EXPECT_NE(m, plat::MSG_KEYUP);
        EXPECT_NE(m, kSysKeyDown);
        EXPECT_NE(m, kSysKeyUp);
    }
    plat::PostClose(w);
    Drain();
}

TEST_F(Win32Backend, IconProgramFolderVsyncAndNoGamepad)
{
    constexpr uint32_t kGetIcon = 0x007F;  // WM_GETICON
    plat::NativeWindow w = MakeWindow("qb-icon");
    ASSERT_NE(w, nullptr) << plat::LastError();
    EXPECT_EQ(wt::SendNative(w, kGetIcon, 1, 0), 0) << "no icon of its own yet";
    std::vector<uint8_t> pixels(16 * 16 * 4, 200);
    plat::SetWindowIcon(w, pixels.data(), 16, 16);
    EXPECT_NE(wt::SendNative(w, kGetIcon, 1, 0), 0) << "ICON_BIG";
    EXPECT_NE(wt::SendNative(w, kGetIcon, 0, 0), 0) << "ICON_SMALL";

    const std::string dir = plat::ExecutableDir();
    ASSERT_FALSE(dir.empty());
    EXPECT_TRUE(dir.back() == '\\' || dir.back() == '/') << dir;
    EXPECT_NE(GetFileAttributesA((dir + "platform_win32_backend_check.exe").c_str()),
              INVALID_FILE_ATTRIBUTES)
        << dir;

    EXPECT_FALSE(plat::GLSetVsync(true)) << "no context yet";
    ASSERT_TRUE(plat::GLCreateContext(w)) << plat::LastError();
    plat::GLSetVsync(false);  // the driver may refuse; it must not fail otherwise
    plat::GLReleaseContext();

    plat::GamepadState pad;
    EXPECT_FALSE(plat::GetGamepad(&pad)) << "Wine has no gamepad here";
    plat::PostClose(w);
    Drain();
}

TEST_F(Win32Backend, GLContextDrawsIntoTheWindow)
{
    plat::NativeWindow w = MakeWindow("qb-gl");
    ASSERT_NE(w, nullptr) << plat::LastError();
    ASSERT_TRUE(plat::GLCreateContext(w)) << plat::LastError();
    GLint depth = 0, red = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    glGetIntegerv(GL_RED_BITS, &red);
    EXPECT_GE(depth, 16);
    EXPECT_EQ(red, 8);
    glViewport(0, 0, 640, 480);
    glClearColor(208 / 255.0f, 232 / 255.0f, 234 / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor3f(1, 0, 0);
    glBegin(GL_TRIANGLES);  // lower-left half
    glVertex2f(-1, -1);
    glVertex2f(1, -1);
    glVertex2f(-1, 1);
    glEnd();
    unsigned char p[4] = {};
    glReadPixels(2, 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    EXPECT_EQ(p[0], 255);
    EXPECT_EQ(p[1], 0);
    glReadPixels(637, 477, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    EXPECT_EQ(p[0], 208);
    EXPECT_EQ(p[1], 232);
    EXPECT_EQ(p[2], 234);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    plat::GLSwapBuffers();
    // Destroying the window takes its context along.
    plat::PostClose(w);
    Drain();
    EXPECT_FALSE(plat::GLCreateContext(w));
}

// The audio device: every queued buffer reported done, in order, on a thread of its own, and a
// done procedure may queue the next buffer; after a reset nothing is reported any more.
struct AudioLog {
    std::mutex lock;
    std::condition_variable changed;
    int done = 0;
    int refills = 0;  // buffers the done procedure queued itself
    bool afterReset = false;  // set once AudioReset has returned
    bool notifiedAfterReset = false;
    bool onMainThread = false;
    std::thread::id main;
};
AudioLog gAudio;
std::vector<int16_t> gBuffers[4];

void OnDone(void*)
{
    std::lock_guard<std::mutex> guard(gAudio.lock);
    if (gAudio.afterReset) gAudio.notifiedAfterReset = true;
    if (std::this_thread::get_id() == gAudio.main) gAudio.onMainThread = true;
    ++gAudio.done;
    if (gAudio.refills < 2) {
        const auto& b = gBuffers[2 + gAudio.refills++];
        plat::AudioQueue(b.data(), b.size() * sizeof(int16_t));
    }
    gAudio.changed.notify_all();
}

TEST(Win32Audio, BuffersAreReportedOnAWorkerAndNothingAfterReset)
{
    gAudio.main = std::this_thread::get_id();
    for (auto& b : gBuffers) b.assign(4410 * 2, 1000);  // 100 ms each
    ASSERT_TRUE(plat::AudioOpen(44100, OnDone, nullptr)) << plat::LastError();
    EXPECT_FALSE(plat::AudioOpen(44100, OnDone, nullptr)) << "only one device at a time";
    ASSERT_TRUE(plat::AudioQueue(gBuffers[0].data(), gBuffers[0].size() * 2));
    ASSERT_TRUE(plat::AudioQueue(gBuffers[1].data(), gBuffers[1].size() * 2));
    {
        std::unique_lock<std::mutex> guard(gAudio.lock);
        EXPECT_TRUE(gAudio.changed.wait_for(guard, std::chrono::seconds(30),
                                            [] { return gAudio.done >= 4; }))
            << gAudio.done << " of 4 buffers reported";
        EXPECT_FALSE(gAudio.onMainThread);
    }
    // Two more, reset at once: they are forgotten without a word.
    ASSERT_TRUE(plat::AudioQueue(gBuffers[0].data(), gBuffers[0].size() * 2));
    ASSERT_TRUE(plat::AudioQueue(gBuffers[1].data(), gBuffers[1].size() * 2));
    plat::AudioReset();
    {
        std::lock_guard<std::mutex> guard(gAudio.lock);
        gAudio.afterReset = true;
    }
    plat::AudioClose();
    EXPECT_FALSE(gAudio.notifiedAfterReset);
    EXPECT_FALSE(plat::AudioQueue(gBuffers[0].data(), 4)) << "closed";
}

// Run by tests/wine/keys.sh, which presses A with xdotool until this ends: the key arrives as
// a key-down message, TranslateMessage makes 'a' of it, and the key state saw it pressed.
TEST(Win32Keys, FromXServer)
{
    plat::NativeWindow w = MakeWindow("qb-keys");
    ASSERT_NE(w, nullptr) << plat::LastError();
    bool keyDown = false, character = false, keyState = false;
    const Clock::time_point start = Clock::now();
    while (!(keyDown && character && keyState) && Clock::now() - start < std::chrono::seconds(30)) {
        plat::Message m;
        while (plat::PeekMessage(&m, true)) {
            if (m.message == plat::MSG_KEYDOWN && m.wParam == 'A') {
                keyDown = true;
                if (plat::GetAsyncKeyState('A') != 0) keyState = true;
            }
            if (m.message == plat::MSG_CHAR && m.wParam == 'a') character = true;
            plat::TranslateMessage(m);
            plat::DispatchMessage(m);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(keyDown);
    EXPECT_TRUE(character);
    EXPECT_TRUE(keyState);
    plat::PostClose(w);
    Drain();
}

}  // namespace
