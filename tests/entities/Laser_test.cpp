// SPDX-License-Identifier: MIT
// Bolts: flight, life, the pass-through start, the blast on a blocked step, the trail.
#include <vector>

#include "EntityTestKit.h"

using kit::Probe;
using kit::World;

namespace {

class LaserTest : public World {};

TEST_F(LaserTest, FliesHalfAUnitPerMsFromItsSecondPassAndGoesAt700ms)
{
    Probe* bystander = new Probe({100, 50, 30}, 5.0f);
    Laser* bolt = new Laser({0, 50, 0}, {2, 0, 0}, PRESET_PLAYER_TRAIL);
    uint32_t born = GetTicks();
    std::vector<float> xs;
    int trails = 0;
    while (kit::Listed(bolt) && bolt->GetState() == TASK_RUNNING) {
        int before = ParticleCount();
        Frame();
        xs.push_back(bolt->position.x);
        trails += ParticleCount() - before;
        const Particle* last = ParticleAt(ParticleCount() - 1);
        EXPECT_EQ(last->kind, PARTICLE_SINGLE_FRAME);
        EXPECT_EQ(last->preset, PRESET_PLAYER_TRAIL);
        EXPECT_EQ(last->position, bolt->position);
    }
    // Passes at 0, 16, ..., 704 ms: the first one does not move it, the one at 704 ends it.
    ASSERT_EQ(xs.size(), 45u);
    EXPECT_EQ(xs[0], 0.0f);
    for (size_t i = 1; i < xs.size(); ++i) EXPECT_NEAR(xs[i] - xs[i - 1], 8.0f, 1e-4f) << i;
    EXPECT_GT(GetTicks() - 16 - born, 700u);
    EXPECT_EQ(trails, 45);
    EXPECT_EQ(bolt->forward, (Vector3D{2, 0, 0}));  // never turned, never normalised
    EXPECT_EQ(bolt->position.y, 50.0f);
    Frame();
    EXPECT_FALSE(kit::Listed(bolt));
    EXPECT_EQ(bystander->hits, 0);
    EXPECT_EQ(LiveParticleCount(), 0);  // trails last one frame
}

TEST_F(LaserTest, LeavesAnEntityItStartsInWithoutBlastWithin40ms)
{
    Probe* shooter = new Probe({3, 0, 0}, 5.0f);
    Laser* bolt = new Laser({0, 0, 0}, {1, 0, 0}, PRESET_PLAYER_TRAIL);
    Frames(10);
    EXPECT_TRUE(kit::Listed(bolt));
    EXPECT_EQ(bolt->GetState(), TASK_RUNNING);
    EXPECT_FALSE(bolt->noCollide);
    EXPECT_EQ(shooter->hits, 0);
}

TEST_F(LaserTest, BlockedStepBlastsEverythingWithinEightPlusRadius)
{
    // Bolt x after pass k (k >= 1): 8 (k - 1). The target (reach 1 + 3) blocks the step to 40,
    // so the blast is centred on 32 and reaches 8 + radius.
    Probe* target = new Probe({40, 0, 0}, 3.0f, TEAM_FIGHTER);
    Probe* inReach = new Probe({32, 0, 10.9f}, 3.0f, TEAM_FACTORY);
    Probe* outOfReach = new Probe({32, 0, -11.0f}, 3.0f, TEAM_FIGHTER);
    Laser* bolt = new Laser({0, 0, 0}, {1, 0, 0}, PRESET_ENEMY_TRAIL);
    Frames(6);
    EXPECT_EQ(bolt->GetState(), TASK_FINISHED);
    EXPECT_EQ(bolt->position, (Vector3D{32, 0, 0}));
    EXPECT_EQ(target->hits, 1);
    EXPECT_EQ(target->lastDamage, 100);
    EXPECT_EQ(inReach->hits, 1);
    EXPECT_EQ(outOfReach->hits, 0);
    EXPECT_LT(bolt->hitPoints, 1);  // the bolt is caught in its own blast
    Frame();
    EXPECT_FALSE(kit::Listed(bolt));
}

TEST_F(LaserTest, HeadOnBoltsTheFirstToMoveExplodes)
{
    // A from 0 toward +x, B from start toward -x; B is newer and moves first in each pass.
    struct Case {
        float start;
        bool otherHurt;  // B's blast reaches A (strictly within 9)
    } cases[] = {{104.0f, true}, {105.0f, false}};
    for (const Case& c : cases) {
        Laser* a = new Laser({0, 0, 0}, {1, 0, 0}, PRESET_PLAYER_TRAIL);
        Laser* b = new Laser({c.start, 0, 0}, {-1, 0, 0}, PRESET_ENEMY_TRAIL);
        Frames(7);
        int before = ParticleCount();
        Frame();  // B's step toward A is blocked
        EXPECT_EQ(b->GetState(), TASK_FINISHED) << c.start;
        EXPECT_EQ(b->position.x, c.start - 48.0f);
        if (c.otherHurt) {
            // A runs after B in the same pass and finishes at once: no blast, no trail.
            EXPECT_LT(a->hitPoints, 1);
            EXPECT_EQ(a->GetState(), TASK_FINISHED);
            EXPECT_EQ(a->position.x, 48.0f);
            EXPECT_EQ(ParticleCount() - before, 1);
        } else {
            EXPECT_EQ(a->hitPoints, 1);
            EXPECT_EQ(a->GetState(), TASK_RUNNING);
            EXPECT_EQ(a->position.x, 56.0f);  // B no longer blocks
            EXPECT_EQ(ParticleCount() - before, 2);
        }
        gExecutor.ClearTasks();
    }
}

// Frame lengths from a fast machine to a very slow software renderer. Above 40 ms a bolt is
// solid while still at the muzzle, inside the sphere of the ship that fired it.
const uint32_t kFrameLengths[] = {10, 16, 25, 33, 50, 100};

TEST_F(LaserTest, OwnBoltsNeverHitTheShooterAtAnyFrameLength)
{
    for (uint32_t ms : kFrameLengths) {
        SetFrameTime(static_cast<int32_t>(ms));
        // A lone ship thrusting, circling and firing every 200 ms for 20 s.
        XWing* ship = new XWing({0, 25, 0}, 0.0f);
        Key(plat::VK_UP_KEY, true);
        Key(plat::VK_LEFT_KEY, true);
        // A fighter firing at a factory-sized target it keeps flying toward, and runs into:
        // at the end its bolts blast the target right in front of it.
        TieFighter* fighter = new TieFighter({0, 25, 600}, 0.0f);
        Probe* target = new Probe({190, 25, 600}, 16.0f, TEAM_FACTORY);
        uint32_t lastVolley = 0;
        for (uint32_t t = 0; t < 20000; t += ms) {
            Key('A', t - lastVolley >= 200 || t == 0);
            if (t - lastVolley >= 200) lastVolley = t;
            Frame(ms);
            // Nothing is hurt, and no step, of a bolt or of the ship, was blocked by the pair.
            ASSERT_EQ(ship->hitPoints, 1000) << ms << " ms frames, at " << t;
            ASSERT_EQ(fighter->hitPoints, 300) << ms << " ms frames, at " << t;
            ASSERT_EQ(ship->blockedBy, 0u) << ms << " ms frames, at " << t;
            for (Laser* bolt : kit::Tasks<Laser>(false))
                ASSERT_TRUE(bolt->blockedBy == 0 || bolt->blockedBy != bolt->shooter)
                    << ms << " ms frames, at " << t;
        }
        EXPECT_GT(target->hits, 0) << ms;
        Key(plat::VK_UP_KEY, false);
        Key(plat::VK_LEFT_KEY, false);
        Key('A', false);
        gExecutor.ClearTasks();
    }
}

TEST_F(LaserTest, OtherShipsBoltsStillHitAtAnyFrameLength)
{
    for (uint32_t ms : kFrameLengths) {
        SetFrameTime(static_cast<int32_t>(ms));
        // Two ships on the same keys, one ahead of the other and lined up with the rear one's
        // first gun: the rear one's volleys fly into the front one, whose own fly off ahead.
        // A long frame step can carry a bolt past a small sphere, so the front ship is moved
        // 7 units farther away after each volley.
        XWing* rear = new XWing({0, 25, 0}, 0.0f);
        Vector3D muzzle{0, 0, 0};
        ASSERT_TRUE(rear->model.PartPointToWorld(rear->FindPart("W0"), muzzle));
        XWing* front = new XWing({40, muzzle.y, muzzle.z}, 0.0f);
        for (int volley = 0; volley < 8; ++volley) {
            Key('A', true);
            Frame(ms);
            Key('A', false);
            for (uint32_t t = ms; t < 400; t += ms) Frame(ms);
            front->position.x += 7.0f;
        }
        EXPECT_EQ(rear->hitPoints, 1000) << ms;
        EXPECT_LT(front->hitPoints, 1000) << ms;
        gExecutor.ClearTasks();
    }
}

TEST_F(LaserTest, ShooterMayBeDestroyedWhileItsBoltFlies)
{
    Probe* shooter = new Probe({0, 0, 0}, 5.0f);
    const uint32_t shooterSerial = shooter->serial;
    Laser* bolt = new Laser({0, 0, 0}, {1, 0, 0}, PRESET_PLAYER_TRAIL, shooter);
    Probe* target = new Probe({120, 0, 0}, 3.0f, TEAM_FIGHTER);
    Frame();
    EXPECT_EQ(bolt->shooter, shooterSerial);
    shooter->SetState(TASK_FINISHED);
    Frames(3);  // deleted at the end of the pass
    EXPECT_FALSE(kit::Listed(shooter));
    Frames(20);
    EXPECT_FALSE(kit::Listed(bolt));  // blew up at the target
    EXPECT_EQ(target->hits, 1);
    // A new entity never takes over the serial of the one that is gone.
    Probe* newcomer = new Probe({0, 0, 0}, 5.0f);
    EXPECT_NE(newcomer->serial, shooterSerial);
}

TEST_F(LaserTest, ABoltsBlastSparesOnlyItsShooter)
{
    // The shooter and its wingman sit right next to the target; a bolt of the shooter from
    // behind hits the target, and its blast reaches the wingman but not the shooter.
    // The step to x = 96 is blocked, so the blast is centred on 88 and reaches 8 + 3.
    Probe* target = new Probe({98, 0, 0}, 3.0f, TEAM_FIGHTER);
    Probe* shooter = new Probe({90, 0, 8}, 3.0f);
    Probe* wingman = new Probe({90, 0, -8}, 3.0f);
    new Laser({0, 0, 0}, {1, 0, 0}, PRESET_PLAYER_TRAIL, shooter);
    Frames(30);
    EXPECT_EQ(target->hits, 1);
    EXPECT_EQ(wingman->hits, 1);
    EXPECT_EQ(shooter->hits, 0);
}

TEST_F(LaserTest, WhatABoltStrikesIsHurtEvenWhenTheLongStepLeftItOutOfTheBlast)
{
    // At 50 ms a step is 25 units: the bolt stops 20 or more short of the fighter's centre,
    // out of its blast's reach of 8 + 3; the fighter takes the hit all the same, once, and a
    // bystander beside the fighter, out of the blast's reach, takes nothing.
    for (uint32_t ms : {16u, 50u}) {
        SetFrameTime(static_cast<int32_t>(ms));
        Probe* target = new Probe({200, 0, 0}, 3.0f, TEAM_FIGHTER);
        Probe* bystander = new Probe({196, 0, 6}, 1.0f, TEAM_FIGHTER);
        Laser* bolt = new Laser({0, 0, 0}, {1, 0, 0}, PRESET_PLAYER_TRAIL);
        for (int i = 0; i < 40 && bolt->GetState() == TASK_RUNNING; ++i) Frame(ms);
        EXPECT_EQ(target->hits, 1) << ms;
        EXPECT_EQ(target->hitPoints, 100000 - 100) << ms;
        EXPECT_EQ(bystander->hits, ms == 16 ? 1 : 0) << ms;
        gExecutor.ClearTasks();
    }
}

}  // namespace
