// SPDX-License-Identifier: MIT
// A pilot that knows only the picture: the whole game with --hud on the fake platform with a
// real offscreen GL context, the clock moved on by a fixed frame length, and a pilot that reads
// every finished picture (just before it is shown) and presses the keys. It never looks at a
// position: it turns toward the lead mark it sees until the mark sits on the crosshair, fires
// when it does, follows the arrow when the ship has left the battlefield, turns to look around
// when it sees nothing, and backs off when a mark stays out of reach for long (the ship is
// stuck against a factory). The test counts what its bolts destroyed.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "game/Application.h"
#include "game/BattleTally.h"
#include "game/CommandLine.h"
#include "game/Hud.h"
#include "shell/Window.h"

namespace {

constexpr int kW = 640, kH = 480;

// The picture as the player sees it, top row first.
struct Picture {
    std::vector<uint8_t> rgb = std::vector<uint8_t>(kW * kH * 3);

    void ReadBackBuffer()
    {
        std::vector<uint8_t> rows(rgb.size());
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadBuffer(GL_BACK);
        glReadPixels(0, 0, kW, kH, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
        for (int y = 0; y < kH; ++y)
            std::copy_n(&rows[static_cast<size_t>(kH - 1 - y) * kW * 3], kW * 3,
                        &rgb[static_cast<size_t>(y) * kW * 3]);
    }
};

// The pixels of one flat colour: how many, their middle, and the one farthest from it.
struct Spot {
    int count = 0;
    float x = 0.0f, y = 0.0f;
    float tipX = 0.0f, tipY = 0.0f;
};

// The spots of several colours, found in one pass over the picture.
template <size_t N>
std::array<Spot, N> Find(const Picture& p, const std::array<HudColour, N>& colours)
{
    std::array<std::vector<std::pair<int, int>>, N> at;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const uint8_t* q = &p.rgb[(static_cast<size_t>(y) * kW + x) * 3];
            for (size_t i = 0; i < N; ++i)
                if (q[0] == colours[i].r && q[1] == colours[i].g && q[2] == colours[i].b)
                    at[i].emplace_back(x, y);
        }
    std::array<Spot, N> spots;
    for (size_t i = 0; i < N; ++i) {
        Spot& s = spots[i];
        s.count = static_cast<int>(at[i].size());
        if (s.count == 0) continue;
        double sx = 0.0, sy = 0.0;
        for (const auto& [x, y] : at[i]) {
            sx += x;
            sy += y;
        }
        s.x = static_cast<float>(sx / s.count);
        s.y = static_cast<float>(sy / s.count);
        float far = -1.0f;
        for (const auto& [x, y] : at[i]) {
            const float d = std::hypot(x - s.x, y - s.y);
            if (d > far) {
                far = d;
                s.tipX = static_cast<float>(x);
                s.tipY = static_cast<float>(y);
            }
        }
    }
    return spots;
}

class PixelPilot {
public:
    explicit PixelPilot(uint32_t frameLength) : frameMs(static_cast<int>(frameLength)) {}

    // Looks at a finished picture and sets the keys for the next frame.
    void Look(const Picture& picture)
    {
        const std::array<Spot, 4> seen =
            Find<4>(picture, {kHudCrosshair, kHudLeadInReach, kHudLead, kHudArrow});
        const Spot& cross = seen[0];
        const bool inReach = seen[1].count >= 20;
        const Spot& lead = inReach ? seen[1] : seen[2];
        const Spot& arrow = seen[3];

        bool left = false, right = false, fire = false, back = false;
        // A mark that stays out of reach for seconds while the ship flies at it: the ship is
        // stuck against something. Back off with a turn for a while.
        outOfReach = lead.count >= 20 && !inReach ? outOfReach + frameMs : 0;
        if (outOfReach > 5000) {
            outOfReach = 0;
            backOff = 1500;
        }
        if (backOff > 0) {
            backOff -= frameMs;
            back = true;
            right = true;
            lastOffset = kNoOffset;
        } else if (arrow.count >= 60) {
            // Off the battlefield: turn the way the arrow's tip points (either way when it
            // points straight back).
            const float dx = arrow.tipX - arrow.x;
            right = dx > 2.0f || (std::fabs(dx) <= 2.0f && arrow.tipY > arrow.y);
            left = dx < -2.0f;
            lastOffset = kNoOffset;
        } else if (lead.count >= 20 && cross.count >= 20) {
            // Put the mark on the crosshair, easing off before it gets there: the offset
            // expected a few frames on at the rate it changes now.
            const float dx = lead.x - cross.x;
            const float rate = lastOffset == kNoOffset ? 0.0f : dx - lastOffset;
            const float ahead = dx + 3.0f * rate;
            right = ahead > 1.5f;
            left = ahead < -1.5f;
            // On it, or past it since the last picture (long frames step over it).
            const bool crossed = lastOffset != kNoOffset && (dx > 0.0f) != (lastOffset > 0.0f) &&
                                 std::fabs(dx - lastOffset) < 16.0f;
            fire = inReach && (std::fabs(dx) <= 4.0f || crossed) &&
                   std::fabs(lead.y - cross.y) <= 6.0f;
            lastOffset = dx;
        } else {
            // Nothing in sight: look round to the right in short turns.
            right = (++searchFrames / 8) % 3 == 0;
            lastOffset = kNoOffset;
        }
        // One press per volley: a frame with A up between two with it down.
        fire = fire && !fireHeld;
        fireHeld = fire;
        volleys += fire ? 1 : 0;
        plat::fake::SetKeyDown(plat::VK_UP_KEY, !back);
        plat::fake::SetKeyDown(plat::VK_DOWN_KEY, back);
        plat::fake::SetKeyDown(plat::VK_LEFT_KEY, left);
        plat::fake::SetKeyDown(plat::VK_RIGHT_KEY, right);
        plat::fake::SetKeyDown('A', fire);
    }

    int volleys = 0;

private:
    static constexpr float kNoOffset = 1e9f;
    float lastOffset = kNoOffset;
    int frameMs;  // the length of a frame, as a player feels it
    int outOfReach = 0, backOff = 0;  // ms
    int searchFrames = 0;
    bool fireHeld = false;
};

class PixelPilotTest : public ::testing::Test {
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
    }

    void TearDown() override
    {
        CloseRemainingWindows();
        gExecutor.ClearTasks();
        plat::fake::Reset();
    }

    // The real game with --hud and seed 7, played by the pilot with frames of frameMs for at
    // most limitMs of game time, or until the pilot's bolts have destroyed `enough` fighters.
    battle::Tally Play(uint32_t frameMs, uint32_t limitMs, int enough)
    {
        GameOptions options;
        options.hud = true;
        options.mute = true;
        std::srand(7);
        EXPECT_TRUE(InitApplication(options)) << StartupFailure();
        Picture picture;
        plat::fake::SetSwapHook([&] { picture.ReadBackBuffer(); });

        battle::Tally tally;
        uint32_t shipSerial = 0;
        new battle::LastInPass([&] { tally.Look(battle::PlayerShip(), shipSerial); });
        // Enter, let go: the battle starts.
        plat::fake::TapKey(plat::VK_RETURN_KEY);
        for (int i = 0; i < 3; ++i) {
            plat::fake::AdvanceTicks(frameMs);
            EXPECT_TRUE(RunOneFrame());
        }
        XWing* ship = battle::PlayerShip();
        EXPECT_NE(ship, nullptr);
        EXPECT_GT(XWingModel.count, 0) << "no game media: run where ZabroData.arc is";
        shipSerial = ship ? ship->serial : 0;

        PixelPilot pilot(frameMs);
        played = 0;
        while (played < limitMs && tally.fightersByPlayer < enough && battle::PlayerShip()) {
            pilot.Look(picture);
            plat::fake::AdvanceTicks(frameMs);
            played += frameMs;
            if (!RunOneFrame()) break;
        }
        volleys = pilot.volleys;
        plat::fake::SetSwapHook(nullptr);
        return tally;
    }

    uint32_t played = 0;
    int volleys = 0;
};

TEST_F(PixelPilotTest, DestroysThreeFightersInThreeMinutesAt16And50msFrames)
{
    for (uint32_t ms : {16u, 50u}) {
        battle::Tally t = Play(ms, 180000, 3);
        std::printf(
            "%u ms frames: the pixel pilot destroyed %d fighters and %d factories in %.1f s of "
            "game time with %d volleys; the ship took %d hits (%d from its own bolts)\n",
            ms, t.fightersByPlayer, t.factoriesByPlayer, played / 1000.0, volleys, t.shipHits,
            t.shipHitsFromOwnBolts);
        EXPECT_GE(t.fightersByPlayer, 3) << ms << " ms frames";
        EXPECT_EQ(t.shipHitsFromOwnBolts, 0) << ms << " ms frames";
        CloseRemainingWindows();
        gExecutor.ClearTasks();
        plat::fake::Reset();
        SetUp();
    }
}

}  // namespace
