// SPDX-License-Identifier: MIT
// What the head-up display shows, without drawing: where a volley meets a moving fighter, that
// a volley aimed there with the game's real ship hits while one aimed at the fighter misses,
// which fighter gets the mark, the hull, the ship's end and the way back to the battlefield.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "entities/ArchiveMedia.h"
#include "entities/EntityTestKit.h"
#include "game/Hud.h"
#include "math/View.h"
#include "render/RenderState.h"

namespace {

TEST(LeadPoint, TheBoltAndTheTargetArriveTogether)
{
    struct Case {
        const char* what;
        Vector3D at, velocity;
        float delay;
        float expectedMs;  // < 0: only the meeting itself is checked
    };
    const Case cases[] = {
        {"standing still", {100, 0, 0}, {0, 0, 0}, 0.0f, 200.0f},
        {"standing still, the bolt a frame late", {100, 0, 0}, {0, 0, 0}, 20.0f, 220.0f},
        {"coming straight on", {300, 0, 0}, {-0.13f, 0, 0}, 0.0f, 300.0f / 0.63f},
        {"going straight away", {100, 0, 0}, {0.13f, 0, 0}, 0.0f, 100.0f / 0.37f},
        {"crossing", {200, 0, 0}, {0, 0, 0.13f}, 16.0f, -1.0f},
        {"crossing behind and climbing", {-150, 40, 80}, {0.09f, 0.02f, -0.09f}, 50.0f, -1.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Vector3D from{0, 0, 0};
        Vector3D meet;
        float ms = 0.0f;
        ASSERT_TRUE(LeadPoint(from, 0.5f, c.delay, c.at, c.velocity, &meet, &ms));
        if (c.expectedMs >= 0.0f) {
            EXPECT_NEAR(ms, c.expectedMs, 0.01f);
        }
        // The target is there at that time, and so is the bolt.
        const Vector3D target = c.at + c.velocity * ms;
        EXPECT_NEAR(Distance(meet, target), 0.0f, 1e-3f);
        EXPECT_NEAR(Length(meet - from), 0.5f * (ms - c.delay), 1e-2f);
        EXPECT_GE(ms, c.delay);
    }
    // A target running away faster than a bolt flies is never caught.
    Vector3D meet;
    float ms = 0.0f;
    EXPECT_FALSE(LeadPoint({0, 0, 0}, 0.5f, 16.0f, {100, 0, 0}, {0.6f, 0, 0}, &meet, &ms));
}

// The entity world with the game's real models (their guns, their radii) and the 640 x 480
// view the game's GL context sets up, without drawing.
class HudTest : public kit::World {
protected:
    void SetUp() override
    {
        World::SetUp();
        std::string why;
        ASSERT_TRUE(media::LoadGameMedia(&why)) << why;
        ViewportWidth = 640;
        ViewportHeight = 480;
        FrustumParams = Frustum{-1.0f, 1.0f, -0.75f, 0.75f, 1.5f, 4000.0f};
    }
    void TearDown() override
    {
        World::TearDown();
        MediaArchive::Reset();
    }

    // A fighter that holds its course and speed (full speed unless told).
    static TieFighter* Crossing(const Vector3D& where, float heading, float speed = 0.13f)
    {
        auto* f = new TieFighter(where, heading);
        f->forwardSpeed.Configure(0.0f, 4.0f, speed);
        f->forwardSpeed.value = speed;
        f->turnRate.Configure(0.0f, 4.0f, 0.0f);
        return f;
    }

    // Where a volley fired in the next frame should go, as the HUD computes it.
    static Vector3D Lead(const XWing& ship, const TieFighter& fighter)
    {
        Vector3D heading = fighter.forward;
        Normalize(heading);
        Vector3D meet;
        float ms = 0.0f;
        EXPECT_TRUE(LeadPoint(ship.position, kBoltSpeed, static_cast<float>(GetFrameTime()),
                              fighter.position, heading * fighter.forwardSpeed.value, &meet, &ms));
        return meet;
    }

    // Turns the ship's nose (and its guns) toward a point, at once.
    static void Point(XWing& ship, const Vector3D& at)
    {
        Vector3D nose = at - ship.position;
        nose.y = 0.0f;
        Normalize(nose);
        ship.forward = nose;
        ship.model.forward = nose;
    }

    // One volley from a ship standing still, aimed by aim() just before it fires; the damage
    // the fighter took once the bolts are gone.
    int32_t Volley(XWing& ship, TieFighter& fighter, uint32_t ms,
                   const std::function<Vector3D()>& aim)
    {
        Point(ship, aim());
        Frame(ms);  // the guns take the new placement
        Point(ship, aim());
        const int32_t before = fighter.hitPoints;
        Key('A', true);
        Frame(ms);
        Key('A', false);
        for (uint32_t t = 0; t < 900 && fighter.hitPoints >= 1; t += ms) Frame(ms);
        return before - fighter.hitPoints;
    }
};

TEST_F(HudTest, AVolleyAimedAtTheLeadMarkHitsACrossingFighterOneAimedAtItMisses)
{
    struct Case {
        float distance, heading;  // fighter straight ahead of the ship; its heading
    };
    const Case cases[] = {{120, 90}, {200, 270}, {280, 90}, {200, 45}, {160, 225}};
    for (uint32_t ms : {16u, 50u}) {
        for (const Case& c : cases) {
            for (bool lead : {true, false}) {
                SCOPED_TRACE(std::to_string(ms) + " ms frames, " + std::to_string(c.distance) +
                             " units ahead, heading " + std::to_string(c.heading) +
                             (lead ? ", at the lead mark" : ", at the fighter"));
                SetFrameTime(static_cast<int32_t>(ms));
                auto* ship = new XWing({0, 25, 0}, 0.0f);
                // Speed limit 0: the ship stays where it is while it aims.
                ship->forwardSpeed.Configure(0.0f, 4.0f, 0.0f);
                ship->turnRate.Configure(0.0f, 4.0f, 0.0f);
                TieFighter* fighter = Crossing({c.distance, 25, 0}, c.heading);
                const int32_t damage = Volley(*ship, *fighter, ms, [&] {
                    return lead ? Lead(*ship, *fighter) : fighter->position;
                });
                if (lead) {
                    EXPECT_GE(damage, 100);
                } else {
                    EXPECT_EQ(damage, 0);
                }
                gExecutor.ClearTasks();
            }
        }
    }
}

TEST_F(HudTest, TheMarkGoesToTheFighterNearestTheLineOfTheGuns)
{
    auto* ship = new XWing({0, 25, 0}, 0.0f);
    // Standing fighters, facing away (so they hold their fire): nearer but well off the nose;
    // farther but nearly on it; and one right behind.
    TieFighter* off = Crossing({120, 25, 70}, 0.0f, 0.0f);
    TieFighter* on = Crossing({300, 25, -10}, 0.0f, 0.0f);
    Crossing({-150, 25, 0}, 180.0f, 0.0f);
    Frames(30);  // the chase camera settles behind the ship
    HudView view = ComputeHud();
    ASSERT_TRUE(view.ship);
    ASSERT_TRUE(view.lead);
    ASSERT_TRUE(view.crosshair);
    auto screen = [](Vector3D p) {
        Vector3D s;
        ProjectToScreen(p, s);
        return s;
    };
    const Vector3D mark = screen(Lead(*ship, *on));
    EXPECT_NEAR(view.leadX, mark.x, 0.5f);
    EXPECT_NEAR(view.leadY, mark.y, 0.5f);
    EXPECT_TRUE(view.inReach);  // about 300 units: within a bolt's 700 ms
    // The crosshair stands on the line of the guns at the marked fighter's range.
    const Vector3D cross =
        screen(ship->position + Vector3D{Length(Lead(*ship, *on) - ship->position), 0, 0});
    EXPECT_NEAR(view.crossX, cross.x, 0.5f);
    EXPECT_NEAR(view.crossY, cross.y, 0.5f);

    // Once that one is gone, the other gets the mark; farther than a bolt flies, it is out of
    // reach, and beyond the HUD's range it is not marked at all.
    on->hitPoints = 0;
    Frame();
    Frame();
    view = ComputeHud();
    ASSERT_TRUE(view.lead);
    const Vector3D other = screen(Lead(*ship, *off));
    EXPECT_NEAR(view.leadX, other.x, 0.5f);
    off->position = {450, 25, 40};
    view = ComputeHud();
    ASSERT_TRUE(view.lead);
    EXPECT_FALSE(view.inReach);
    off->position = {700, 25, 40};
    view = ComputeHud();
    EXPECT_FALSE(view.lead);
    EXPECT_TRUE(view.crosshair);  // the crosshair stays, at its usual distance
}

TEST_F(HudTest, HullAndTheEndOfTheShip)
{
    auto* ship = new XWing({0, 25, 0}, 0.0f);
    Frame();
    EXPECT_FLOAT_EQ(ComputeHud().hull, 1.0f);
    for (int i = 0; i < 7; ++i) AreaDamage(ship->position, 1.0f, 100, nullptr);
    EXPECT_FLOAT_EQ(ComputeHud().hull, 0.3f);
    EXPECT_TRUE(ComputeHud().ship);
    AreaDamage(ship->position, 1.0f, 300, nullptr);
    Frame();  // finishes at the start of its Run
    HudView view = ComputeHud();
    EXPECT_FALSE(view.ship);
    EXPECT_FALSE(view.crosshair);
    EXPECT_FALSE(view.lead);
    Frame();  // and is deleted
    EXPECT_FALSE(ComputeHud().ship);
}

TEST_F(HudTest, TheArrowPointsBackToTheBattlefield)
{
    struct Case {
        float x, z, heading;
        bool outside;
        float bearing;  // degrees from the heading, + to the right
    };
    const Case cases[] = {
        {1100, 0, 0, true, 180},  // flying away from the east edge: turn round
        {1100, 0, 180, true, 0},  // facing back: straight ahead
        {0, -1200, 0, true, 90},  // heading +x beyond the -z edge: the field is to the right
        {0, 1200, 0, true, -90},
        {-1300, 1300, 0, true, -45},  // beyond a corner: toward the corner
        {999, -999, 0, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + ", " + std::to_string(c.z));
        new XWing({c.x, 25, c.z}, c.heading);
        Frame();
        HudView view = ComputeHud();
        EXPECT_EQ(view.outside, c.outside);
        if (c.outside && std::fabs(c.bearing) == 180.0f) {
            EXPECT_NEAR(std::fabs(view.backBearing), 180.0f, 0.05f);
        } else if (c.outside) {
            EXPECT_NEAR(view.backBearing, c.bearing, 0.05f);
        }
        gExecutor.ClearTasks();
    }
}

}  // namespace
