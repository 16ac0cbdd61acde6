// SPDX-License-Identifier: MIT
// Start-up on the fake platform with a real offscreen context: the game window and its
// context, Escape, and a start-up that cannot get a window.
#include <gtest/gtest.h>

#include <string>

#include "assets/MediaArchive.h"
#include "game/Application.h"
#include "platform/FakePlatform.h"
#include "shell/TaskList.h"
#include "shell/Window.h"

namespace {

struct StartUp : ::testing::Test {
    void SetUp() override { plat::fake::Reset(); }
    void TearDown() override
    {
        CloseRemainingWindows();
        gExecutor.ClearTasks();
        plat::fake::Reset();
    }
};

TEST_F(StartUp, OpensTheGameWindowAndEscapeEndsTheProgram)
{
    ASSERT_TRUE(InitApplication()) << StartupFailure();
    EXPECT_EQ(StartupFailure(), nullptr);
    ASSERT_EQ(WindowList::Capacity(), 1);
    Window* w = WindowList::At(0);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->active);
    // The archive and its ten entries are registered; the window is not full screen.
    EXPECT_STREQ(MediaArchive::FileName(), "ZabroData.arc");
    EXPECT_EQ(MediaArchive::Key1(), 38117);
    EXPECT_EQ(MediaArchive::Key2(), 5293);
    EXPECT_EQ(MediaArchive::EntryCount(), 10);
    EXPECT_EQ(MediaArchive::FindEntry("Media\\XWing.bin"), 9);
    EXPECT_FALSE(w->fullScreen);
    EXPECT_EQ(plat::fake::DisplayModeChanges(), 0);
    plat::NativeWindow native = w->NativeHandle();
    int width = 0, height = 0;
    ASSERT_TRUE(plat::GetClientSize(native, &width, &height));
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, 480);
    ASSERT_TRUE(plat::fake::HasGLContext());

    plat::fake::PushMessage({native, plat::MSG_KEYDOWN, plat::VK_ESCAPE_KEY, 0});
    EXPECT_EQ(RunMainLoop(), 0);
    EXPECT_FALSE(AnyWindowRegistered());
    EXPECT_FALSE(plat::fake::WindowExists(native));
    EXPECT_FALSE(plat::fake::HasGLContext());
}

TEST_F(StartUp, WithoutADisplayItFailsAndLeavesNoWindow)
{
    plat::fake::SetVideoAvailable(false);
    EXPECT_FALSE(InitApplication());
    ASSERT_NE(StartupFailure(), nullptr);
    EXPECT_NE(std::string(StartupFailure()).find("cannot create the game window"),
              std::string::npos);
    EXPECT_FALSE(AnyWindowRegistered());
    EXPECT_FALSE(plat::fake::HasGLContext());
}

}  // namespace
