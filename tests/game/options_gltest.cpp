// SPDX-License-Identifier: MIT
// What the options do to the game window: its size, full screen, vsync, sound, and the icon
// it shows, through InitApplication on the fake platform with a real offscreen GL context.
#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

#include "assets/SoundOutput.h"
#include "game/Application.h"
#include "game/CommandLine.h"
#include "game/WindowIcon.h"
#include "platform/FakePlatform.h"
#include "shell/TaskList.h"
#include "shell/Window.h"

namespace {

struct GameWindow : ::testing::Test {
    void SetUp() override { plat::fake::Reset(); }
    void TearDown() override
    {
        CloseRemainingWindows();
        gExecutor.ClearTasks();
        plat::fake::Reset();
    }
    plat::NativeWindow Start(const GameOptions& o)
    {
        ClearStartupFailure();
        EXPECT_TRUE(InitApplication(o)) << (StartupFailure() ? StartupFailure() : "");
        return plat::fake::LastCreatedWindow();
    }
};

TEST_F(GameWindow, DefaultsWindowedWithVsyncSoundAndOurIcon)
{
    plat::NativeWindow w = Start(GameOptions());
    ASSERT_NE(w, nullptr);
    int width = 0, height = 0;
    ASSERT_TRUE(plat::GetClientSize(w, &width, &height));
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, 480);
    EXPECT_FALSE(plat::IsFullscreen(w));
    EXPECT_EQ(plat::fake::Vsync(), 1);
    EXPECT_TRUE(plat::fake::AudioIsOpen());

    int iw = 0, ih = 0;
    std::vector<uint8_t> icon = plat::fake::WindowIcon(w, &iw, &ih);
    ASSERT_EQ(iw, kWindowIconSize);
    ASSERT_EQ(ih, kWindowIconSize);
    ASSERT_EQ(icon, std::vector<uint8_t>(WindowIconPixels(), WindowIconPixels() + iw * ih * 4));
    // A picture, not a blank: opaque in the middle, transparent in the rounded corners, and
    // more than a handful of colours.
    auto alpha = [&](int x, int y) { return icon[(static_cast<size_t>(y) * iw + x) * 4 + 3]; };
    EXPECT_EQ(alpha(iw / 2, ih / 2), 255);
    EXPECT_EQ(alpha(0, 0), 0);
    std::vector<uint32_t> colours;
    for (size_t i = 0; i < icon.size(); i += 4) {
        uint32_t c = icon[i] << 16 | icon[i + 1] << 8 | icon[i + 2];
        if (std::find(colours.begin(), colours.end(), c) == colours.end()) colours.push_back(c);
    }
    EXPECT_GT(colours.size(), 50u);
}

TEST_F(GameWindow, OptionsReachTheWindow)
{
    GameOptions o;
    o.scale = 2;
    o.fullscreen = true;
    o.vsync = false;
    o.mute = true;
    plat::fake::SetDesktopSize(1920, 1080);
    plat::NativeWindow w = Start(o);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(plat::IsFullscreen(w));
    ASSERT_TRUE(plat::SetFullscreen(w, false));
    int width = 0, height = 0;
    ASSERT_TRUE(plat::GetClientSize(w, &width, &height));
    EXPECT_EQ(width, 1280);
    EXPECT_EQ(height, 960);
    EXPECT_EQ(plat::fake::Vsync(), 0);
    EXPECT_FALSE(plat::fake::AudioIsOpen());
    EXPECT_FALSE(SoundEnabled());
}

// --scale larger than the usable screen takes the largest scale that fits and says so in one
// line; one that fits is taken as it is, without a word.
TEST_F(GameWindow, ScaleFitsTheUsableScreen)
{
    struct Case {
        int scale, usableWidth, usableHeight, width, height;
        const char* line;
    };
    const Case cases[] = {
        {8, 1280, 720, 640, 480,
         "quenbrill: a 5120 x 3840 window (--scale 8) does not fit on the screen; using --scale 1 "
         "(640 x 480)\n"},
        {3, 1920, 1040, 1280, 960,
         "quenbrill: a 1920 x 1440 window (--scale 3) does not fit on the screen; using --scale 2 "
         "(1280 x 960)\n"},
        {2, 1280, 960, 1280, 960, ""},
        {2, 0, 0, 1280, 960, ""},  // a platform that cannot tell: as asked
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scale);
        CloseRemainingWindows();
        gExecutor.ClearTasks();
        plat::fake::Reset();
        plat::fake::SetUsableScreenSize(c.usableWidth, c.usableHeight);
        GameOptions o;
        o.scale = c.scale;
        o.mute = true;
        ::testing::internal::CaptureStderr();
        plat::NativeWindow w = Start(o);
        const std::string err = ::testing::internal::GetCapturedStderr();
        ASSERT_NE(w, nullptr);
        int width = 0, height = 0;
        ASSERT_TRUE(plat::GetClientSize(w, &width, &height));
        EXPECT_EQ(width, c.width);
        EXPECT_EQ(height, c.height);
        EXPECT_EQ(err, c.line);
    }
}

}  // namespace
