// SPDX-License-Identifier: MIT
// Windows: size and place, user data, closing and what is left of a closed window, desktop
// full screen, the icon, the display mode and the program's folder.
#include <cstdio>
#include <string>
#include <vector>

#include "contract/Contract.h"

namespace contract {
namespace {

using Window = ContractTest;

// A windowed window has the asked client size, sits in the middle of its screen and can be
// neither resized nor maximised.
TEST_F(Window, WindowedIsTheAskedSizeCentredAndFixed)
{
    plat::NativeWindow w = MakeWindow("qb-window");
    ASSERT_NE(w, nullptr);
    int cw = 0, ch = 0;
    ASSERT_TRUE(plat::GetClientSize(w, &cw, &ch));
    EXPECT_EQ(cw, 640);
    EXPECT_EQ(ch, 480);
    EXPECT_FALSE(plat::IsFullscreen(w));

    WindowFacts f;
    if (!GetWindowFacts(w, &f)) GTEST_SKIP() << BackendName() << " has no screen to place on";
    EXPECT_TRUE(f.visible);
    EXPECT_FALSE(f.resizable);
    EXPECT_FALSE(f.maximisable);
    EXPECT_NEAR(f.x, f.screenX + (f.screenWidth - f.width) / 2, 1);
    EXPECT_NEAR(f.y, f.screenY + (f.screenHeight - f.height) / 2, 1);
}

TEST_F(Window, UserDataStaysUntilTheWindowIsDestroyed)
{
    plat::NativeWindow a = MakeWindow("qb-a");
    plat::NativeWindow b = MakeWindow("qb-b");
    ASSERT_TRUE(a && b);
    int x = 1, y = 2;
    EXPECT_EQ(plat::GetWindowUserData(a), nullptr);
    plat::SetWindowUserData(a, &x);
    plat::SetWindowUserData(b, &y);
    Pump();
    EXPECT_EQ(plat::GetWindowUserData(a), &x);
    EXPECT_EQ(plat::GetWindowUserData(b), &y);
    plat::DefaultWindowProc(a, plat::MSG_CLOSE, 0, 0);
    EXPECT_EQ(plat::GetWindowUserData(a), nullptr);
    EXPECT_EQ(plat::GetWindowUserData(b), &y);
}

// A posted close reaches the procedure; its default handling destroys the window, which the
// procedure hears as a destroy. Afterwards the window is gone for every call, and nothing that
// was queued for it, or is sent to it later, reaches the procedure.
TEST_F(Window, PostedCloseDestroysTheWindowAndItHearsNothingAfterwards)
{
    plat::NativeWindow w = MakeWindow("qb-close");
    ASSERT_NE(w, nullptr);
    int data = 0;
    plat::SetWindowUserData(w, &data);
    Pump();
    gHeard.clear();
    plat::PostClose(w);
    ASSERT_TRUE(PressKey(w, 'B'));
    Pump();
    ASSERT_GE(gHeard.size(), 2u);
    EXPECT_EQ(gHeard[0].message, plat::MSG_CLOSE);
    EXPECT_EQ(gHeard[0].window, w);
    EXPECT_EQ(gHeard.back().message, plat::MSG_DESTROY);
    for (const plat::Message& m : gHeard) EXPECT_NE(m.message, plat::MSG_KEYDOWN) << "after close";

    EXPECT_EQ(plat::GetWindowUserData(w), nullptr);
    EXPECT_FALSE(plat::GetClientSize(w, nullptr, nullptr));
    EXPECT_FALSE(plat::SetFullscreen(w, true));
    EXPECT_FALSE(plat::IsFullscreen(w));
    EXPECT_FALSE(plat::GLCreateContext(w));
    const size_t heard = gHeard.size();
    plat::PostClose(w);
    plat::DispatchMessage({w, plat::MSG_PAINT, 0, 0});
    plat::DefaultWindowProc(w, plat::MSG_CLOSE, 0, 0);
    ReleaseKey(w, 'B');
    Pump();
    EXPECT_EQ(gHeard.size(), heard);
}

// Desktop full screen covers the screen without a mode change and comes back to the window.
TEST_F(Window, DesktopFullScreenCoversTheScreenAndComesBack)
{
    plat::NativeWindow w = MakeWindow("qb-fullscreen");
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(plat::SetFullscreen(w, true)) << plat::LastError();
    Pump();
    EXPECT_TRUE(plat::IsFullscreen(w));
    int sw = 0, sh = 0;
    if (GetScreenSize(&sw, &sh)) {
        int cw = 0, ch = 0;
        EXPECT_TRUE(WaitUntil([&] {
            Pump();
            return plat::GetClientSize(w, &cw, &ch) && cw == sw && ch == sh;
        })) << "full screen is "
            << cw << " x " << ch << ", the screen " << sw << " x " << sh;
    }
    ASSERT_TRUE(plat::SetFullscreen(w, false));
    Pump();
    EXPECT_FALSE(plat::IsFullscreen(w));
    int cw = 0, ch = 0;
    EXPECT_TRUE(WaitUntil([&] {
        Pump();
        return plat::GetClientSize(w, &cw, &ch) && cw == 640 && ch == 480;
    })) << "back to "
        << cw << " x " << ch;
}

TEST_F(Window, IconIsTakenAsACopy)
{
    plat::NativeWindow w = MakeWindow("qb-icon");
    ASSERT_NE(w, nullptr);
    const int before = ShowsOwnIcon(w);
    std::vector<uint8_t> pixels(16 * 16 * 4, 200);
    plat::SetWindowIcon(w, pixels.data(), 16, 16);
    pixels.assign(pixels.size(), 0);  // the window keeps a copy of its own
    pixels.clear();
    plat::SetWindowIcon(w, nullptr, 16, 16);  // ignored
    plat::SetWindowIcon(w, pixels.data(), 0, 16);  // ignored
    Pump();
    if (before < 0) GTEST_SKIP() << BackendName() << " cannot tell which icon a window shows";
    EXPECT_EQ(before, 0);
    EXPECT_EQ(ShowsOwnIcon(w), 1);
}

// Restoring without a change does nothing; after a change the screen comes back as it was.
TEST_F(Window, DisplayModeComesBackAfterRestore)
{
    plat::NativeWindow w = MakeWindow("qb-mode");
    ASSERT_NE(w, nullptr);
    int before[2] = {}, after[2] = {};
    const bool known = GetScreenSize(&before[0], &before[1]);
    plat::RestoreDisplayMode();
    plat::ChangeDisplayMode(800, 600, 32);
    plat::RestoreDisplayMode();
    plat::RestoreDisplayMode();  // a second restore does nothing
    Pump();
    if (!known) GTEST_SKIP() << BackendName() << " has no screen";
    ASSERT_TRUE(GetScreenSize(&after[0], &after[1]));
    EXPECT_EQ(after[0], before[0]);
    EXPECT_EQ(after[1], before[1]);
}

TEST_F(Window, NoWindowOfNoSize)
{
    plat::WindowDesc d;
    d.title = "qb-empty";
    d.clientWidth = 0;
    EXPECT_EQ(plat::CreateNativeWindow(d, RecordingProc), nullptr);
    EXPECT_STRNE(plat::LastError(), "");
}

// The folder of the running program ends in a separator and holds the program.
TEST_F(Window, ProgramFolder)
{
    const std::string dir = plat::ExecutableDir();
    const std::string program = ProgramFileName();
    if (program.empty()) {
        EXPECT_TRUE(dir.empty() || dir.back() == '/' || dir.back() == '\\') << dir;
        return;
    }
    ASSERT_FALSE(dir.empty());
    EXPECT_TRUE(dir.back() == '/' || dir.back() == '\\') << dir;
    FILE* f = std::fopen((dir + program).c_str(), "rb");
    EXPECT_NE(f, nullptr) << dir << program;
    if (f) std::fclose(f);
}

}  // namespace
}  // namespace contract
