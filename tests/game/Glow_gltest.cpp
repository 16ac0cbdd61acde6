// SPDX-License-Identifier: MIT
// The hit glow in the game's own pictures (the real game on the fake platform with an
// offscreen GL context and its real media): a factory hit 86 units ahead of the ship lights up
// no more than a tenth of the chase view, yet plainly shows; the ship's own glow leaves the
// view from the cockpit alone.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "entities/EntityTestKit.h"
#include "game/Application.h"
#include "game/CommandLine.h"
#include "shell/Window.h"

namespace {

constexpr int kW = 640, kH = 480;

class GlowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        plat::fake::Reset();
        gExecutor.ClearTasks();
        gInput = InputState();
        CameraTarget = nullptr;
        CameraMode = CAMERA_CHASE;
        ChaseElevation = 10.0f;
        SetFrameTime(1);
        ResetDampedValueClock();
        GameOptions options;
        options.mute = true;
        ASSERT_TRUE(InitApplication(options)) << StartupFailure();
        plat::fake::SetSwapHook([this] {
            picture.resize(kW * kH * 3);
            glPixelStorei(GL_PACK_ALIGNMENT, 1);
            glReadBuffer(GL_BACK);
            glReadPixels(0, 0, kW, kH, GL_RGB, GL_UNSIGNED_BYTE, picture.data());
        });
        plat::fake::TapKey(plat::VK_RETURN_KEY);
        Frames(3);
        // An empty battlefield but for what each test puts there (the ships' explosions go
        // with the rest).
        TaskIterator cursor(gExecutor.Tasks());
        while (Executable* task = cursor.Next()) task->SetState(TASK_FINISHED);
        gExecutor.PurgeFinished();
        gExecutor.ClearTasks();
    }
    void TearDown() override
    {
        CloseRemainingWindows();
        gExecutor.ClearTasks();
        plat::fake::Reset();
    }

    static void Frames(int n)
    {
        for (int i = 0; i < n; ++i) {
            plat::fake::AdvanceTicks(16);
            ASSERT_TRUE(RunOneFrame());
        }
    }

    // The share of the picture that changes when the entity is hit: the glow of the next frame
    // against the same frame without it (nothing else moves: no keys, nobody else about).
    double GlowShare(GameEntity3D& hit)
    {
        Frames(1);
        const std::vector<uint8_t> before = picture;
        AreaDamage(hit.position, 1.0f, 1, nullptr);
        Frames(1);
        int changed = 0;
        for (size_t i = 0; i < picture.size(); i += 3) {
            int d = 0;
            for (size_t c = 0; c < 3; ++c)
                d = std::max(d, std::abs(picture[i + c] - before[i + c]));
            changed += d > 8;
        }
        return static_cast<double>(changed) / (kW * kH);
    }

    std::vector<uint8_t> picture;
};

TEST_F(GlowTest, AFactoryHit86UnitsAheadLightsAtMostATenthOfTheChaseView)
{
    auto* ship = new XWing({0, 25, 0}, 0.0f);
    auto* factory = new Factory({86, 0, 0});
    ASSERT_GT(factory->radius, 20.0f) << "no game media: run where ZabroData.arc is";
    Frames(30);  // the chase camera settles at its height
    ASSERT_EQ(CameraMode, CAMERA_CHASE);
    ASSERT_EQ(CameraTarget, ship);
    const double share = GlowShare(*factory);
    std::printf("the factory's glow covers %.1f%% of the chase view\n", 100.0 * share);
    EXPECT_LE(share, 0.10);
    EXPECT_GE(share, 0.02);  // and is still there to see
}

TEST_F(GlowTest, TheShipsOwnGlowLeavesTheCockpitViewAlone)
{
    auto* ship = new XWing({0, 25, 0}, 0.0f);
    CameraMode = CAMERA_FROM_MODEL;
    Frames(5);
    EXPECT_LT(GlowShare(*ship), 0.001);
    // Seen from behind, it shows round the ship.
    CameraMode = CAMERA_CHASE;
    Frames(70);  // the last glow has faded
    EXPECT_GE(GlowShare(*ship), 0.005);
}

}  // namespace
