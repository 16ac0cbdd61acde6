// SPDX-License-Identifier: MIT
// What only the Windows backend shows (the contract suite covers the rest), on a real (Wine)
// desktop: procedure results through nested calls, messages during creation, full screen and
// the pointer, a window that waits for its first picture, activation and modal loops, input
// only with the focus, the device probes and the messages for the player. Win32Keys.FromXServer
// needs someone pressing A (tests/wine/keys.sh runs it with xdotool); the other tests run on their
// own.
#include <GL/gl.h>  // brings <windows.h>, whose macros would rename two contract functions
#undef PeekMessage
#undef DispatchMessage
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Platform.h"
#include "Win32TestSupport.h"

namespace {

namespace wt = plat::win32test;
using Clock = std::chrono::steady_clock;

constexpr uint32_t kCreate = 0x0001;  // WM_CREATE
constexpr uint32_t kGetTextLength = 0x000E;  // WM_GETTEXTLENGTH
constexpr uint32_t kNcHitTest = 0x0084;  // WM_NCHITTEST
constexpr uint32_t kUser = 0x0400;  // WM_USER

std::vector<uint32_t> gSeen;  // messages the procedure got, in order
std::vector<uintptr_t> gActivations;  // the wParam of each MSG_ACTIVATEAPP, in order

void Logging(plat::NativeWindow w, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    gSeen.push_back(message);
    if (message == plat::MSG_ACTIVATEAPP) gActivations.push_back(wParam);
    plat::DefaultWindowProc(w, message, wParam, lParam);
}

plat::NativeWindow MakeWindow(const char* title, plat::WindowProc proc = Logging,
                              bool showWithFirstPicture = false)
{
    plat::WindowDesc d;
    d.title = title;
    d.clientWidth = 640;
    d.clientHeight = 480;
    d.showWithFirstPicture = showWithFirstPicture;
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
    void SetUp() override
    {
        gSeen.clear();
        gActivations.clear();
    }
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
    // The largest client area that fits: the work area (here the whole screen) less this
    // window's frame.
    int usableWidth = 0, usableHeight = 0;
    ASSERT_TRUE(plat::GetUsableScreenSize(&usableWidth, &usableHeight));
    EXPECT_EQ(usableWidth, f.screenWidth - (f.width - 640));
    EXPECT_EQ(usableHeight, f.screenHeight - (f.height - 480));

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

    // The pointer: none over the full-screen picture, the arrow again over the window.
    EXPECT_TRUE(wt::PointerShownAfterMove(w, true));
    ASSERT_TRUE(plat::SetFullscreen(w, true)) << plat::LastError();
    EXPECT_TRUE(plat::IsFullscreen(w));
    EXPECT_TRUE(clientIs(f.screenWidth, f.screenHeight));
    EXPECT_FALSE(wt::PointerShownAfterMove(w, false));
    ASSERT_TRUE(plat::SetFullscreen(w, false));
    EXPECT_FALSE(plat::IsFullscreen(w));
    EXPECT_TRUE(clientIs(640, 480));
    EXPECT_TRUE(wt::PointerShownAfterMove(w, true));

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

TEST_F(Win32Backend, AWindowWaitingForItsPictureShowsAtTheFirstSwap)
{
    plat::NativeWindow w = MakeWindow("qb-picture", Logging, true);
    ASSERT_NE(w, nullptr) << plat::LastError();
    wt::WindowFacts f;
    ASSERT_TRUE(wt::GetWindowFacts(w, &f));
    EXPECT_FALSE(f.visible) << "no empty frame while the program loads";
    ASSERT_TRUE(plat::GLCreateContext(w)) << plat::LastError();
    ASSERT_TRUE(plat::SetFullscreen(w, true));
    ASSERT_TRUE(plat::SetFullscreen(w, false));
    Drain();
    ASSERT_TRUE(wt::GetWindowFacts(w, &f));
    EXPECT_FALSE(f.visible) << "full screen or messages do not show it either";
    glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    plat::GLSwapBuffers();
    ASSERT_TRUE(wt::GetWindowFacts(w, &f));
    EXPECT_TRUE(f.visible);
    // Shown in front it is active; shown behind another program's window (the user went on
    // working elsewhere) it is told at once that it is not: it must not count as active
    // before the system says so.
    const bool heardInactive = !gActivations.empty() && gActivations.back() == 0;
    EXPECT_NE(wt::IsForeground(w), heardInactive);
    plat::GLReleaseContext();
    plat::PostClose(w);
    Drain();
}

TEST_F(Win32Backend, InputCountsOnlyWithTheFocusAndActivationForgetsEarlierPresses)
{
    plat::NativeWindow w = MakeWindow("qb-focus");
    ASSERT_NE(w, nullptr) << plat::LastError();
    Drain();
    ASSERT_TRUE(wt::MakeForeground(w));
    ASSERT_TRUE(wt::PostNative(w, plat::MSG_KEYDOWN, 'Q', 0x00100001));
    Drain();
    EXPECT_NE(plat::GetAsyncKeyState('Q'), 0) << "a press seen in our own window counts";

    // Another program in front: nothing is read, not even the press noted before.
    ASSERT_TRUE(wt::PostNative(w, plat::MSG_KEYDOWN, 'Q', 0x00100001));
    Drain();
    void* other = wt::MakeForeignForeground();
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(plat::GetAsyncKeyState('Q'), 0);
    plat::GamepadState pad;
    uint32_t x, y, buttons;
    EXPECT_FALSE(plat::GetGamepad(&pad));
    EXPECT_FALSE(plat::GetJoystick(&x, &y, &buttons));
    wt::DestroyForeign(other);

    // Back in front, the activation from the system forgets that press.
    ASSERT_TRUE(wt::MakeForeground(w));
    wt::SendNative(w, plat::MSG_ACTIVATEAPP, 1, 0);
    EXPECT_EQ(plat::GetAsyncKeyState('Q'), 0);
    plat::PostClose(w);
    Drain();
}

TEST_F(Win32Backend, ModalLoopsArePauses)
{
    constexpr uint32_t kKeyDown = 0x0100, kSysCommand = 0x0112, kEnterMenuLoop = 0x0211;
    constexpr uint32_t kEnterSizeMove = 0x0231, kExitSizeMove = 0x0232;
    constexpr uintptr_t kKeyMenu = 0xF100;
    plat::NativeWindow w = MakeWindow("qb-modal");
    ASSERT_NE(w, nullptr) << plat::LastError();
    Drain();
    ASSERT_TRUE(wt::MakeForeground(w));

    // What the system sends around a move or size loop; an activation inside it stays off.
    gActivations.clear();
    wt::SendNative(w, kEnterSizeMove, 0, 0);
    wt::SendNative(w, plat::MSG_ACTIVATEAPP, 1, 0);
    wt::SendNative(w, kExitSizeMove, 0, 0);
    EXPECT_EQ(gActivations, (std::vector<uintptr_t>{0, 0}));
    // The first look finds nothing, so a frame loop sees the pause; then the activation
    // comes, and waiting for it does not block.
    plat::Message m;
    ASSERT_FALSE(plat::PeekMessage(&m, true));
    plat::WaitMessage();
    ASSERT_TRUE(plat::PeekMessage(&m, false));
    ASSERT_TRUE(plat::PeekMessage(&m, true));
    EXPECT_EQ(m.message, plat::MSG_ACTIVATEAPP);
    EXPECT_EQ(m.wParam, 1u);
    EXPECT_EQ(m.window, w);
    plat::DispatchMessage(m);
    EXPECT_EQ(gActivations.back(), 1u);
    EXPECT_FALSE(plat::PeekMessage(&m, true));

    // Alt+Space opens the system menu: a modal loop, so a pause like the move. Escapes wait in
    // the queue to close it. (A tap of Alt, which must not enter menu mode, is tried by
    // tests/wine/focus.sh: Wine itself refuses it for the windows a window manager handles.)
    gSeen.clear();
    gActivations.clear();
    for (int i = 0; i < 3; ++i) wt::PostNative(w, kKeyDown, plat::VK_ESCAPE_KEY, 0x00010001);
    wt::SendNative(w, kSysCommand, kKeyMenu, ' ');
    EXPECT_TRUE(Seen(kEnterMenuLoop));
    ASSERT_FALSE(gActivations.empty());
    EXPECT_EQ(gActivations.front(), 0u);
    Drain();  // what the menu left, up to the empty look
    ASSERT_TRUE(wt::MakeForeground(w));
    ASSERT_TRUE(plat::PeekMessage(&m, true));
    EXPECT_EQ(m.message, plat::MSG_ACTIVATEAPP);
    EXPECT_EQ(m.wParam, 1u);
    plat::PostClose(w);
    Drain();
}

TEST_F(Win32Backend, AbsentDevicesAreLookedForAtMostOnceASecondOrWhenDevicesChange)
{
    constexpr uint32_t kDeviceChange = 0x0219;  // WM_DEVICECHANGE
    constexpr uintptr_t kNodesChanged = 0x0007;  // DBT_DEVNODES_CHANGED
    plat::NativeWindow w = MakeWindow("qb-devices");
    ASSERT_NE(w, nullptr) << plat::LastError();
    Drain();
    ASSERT_TRUE(wt::MakeForeground(w));
    auto readBoth = [] {
        plat::GamepadState pad;
        uint32_t x, y, buttons;
        EXPECT_FALSE(plat::GetGamepad(&pad)) << "Wine has no gamepad here";
        EXPECT_FALSE(plat::GetJoystick(&x, &y, &buttons)) << "nor a joystick";
    };
    for (int round = 0; round < 2; ++round) {
        wt::PostNative(w, kDeviceChange, kNodesChanged, 0);
        Drain();
        const int before = wt::DeviceProbes();
        const Clock::time_point start = Clock::now();
        for (int frame = 0; frame < 300; ++frame) readBoth();
        const auto seconds =
            std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - start).count();
        const int probes = wt::DeviceProbes() - before;
        // Both looked for at once after the change, then at most once a second each.
        EXPECT_GE(probes, 2);
        EXPECT_LE(probes, 2 + 2 * static_cast<int>(seconds + 1)) << "in " << seconds << " s";
    }
    plat::PostClose(w);
    Drain();
}

TEST(Win32Notices, TheTestHookLogsWhatTheBoxWouldShowInUtf8)
{
    wchar_t temp[MAX_PATH];
    ASSERT_NE(GetTempPathW(MAX_PATH, temp), 0u);
    const std::wstring log = std::wstring(temp) + L"qb-notices-\u00e9\u0418.log";
    DeleteFileW(log.c_str());
    ASSERT_EQ(_wputenv_s(L"QB_NOTICE_LOG", log.c_str()), 0);
    plat::ShowNotice(plat::Notice::Warning, "Quenbrill",
                     "\"\xd0\x98\xd0\xb3\xd1\x80\xd1\x8b \xc3\xa9\" not found");
    plat::ShowNotice(plat::Notice::Error, "Quenbrill", "bad option");
    _wputenv_s(L"QB_NOTICE_LOG", L"");
    FILE* f = _wfopen(log.c_str(), L"rb");
    ASSERT_NE(f, nullptr);
    char text[256] = {};
    const size_t n = std::fread(text, 1, sizeof text - 1, f);
    std::fclose(f);
    DeleteFileW(log.c_str());
    EXPECT_EQ(std::string(text, n),
              "warning: \"\xd0\x98\xd0\xb3\xd1\x80\xd1\x8b \xc3\xa9\" not found\n"
              "error: bad option\n");
    // ctest reads this program's output through a pipe: the console text goes there.
    EXPECT_TRUE(plat::ConsolePrint("", false));
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
