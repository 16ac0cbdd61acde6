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
    for (size_t i = 1; i < xs.size(); ++i)
        EXPECT_NEAR(xs[i] - xs[i - 1], 8.0f, 1e-4f) << i;
    EXPECT_GT(GetTicks() - 16 - born, 700u);
    EXPECT_EQ(trails, 45);
    EXPECT_EQ(bolt->forward, (Vector3D{2, 0, 0}));   // never turned, never normalised
    EXPECT_EQ(bolt->position.y, 50.0f);
    Frame();
    EXPECT_FALSE(kit::Listed(bolt));
    EXPECT_EQ(bystander->hits, 0);
    EXPECT_EQ(LiveParticleCount(), 0);   // trails last one frame
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
    EXPECT_LT(bolt->hitPoints, 1);   // the bolt is caught in its own blast
    Frame();
    EXPECT_FALSE(kit::Listed(bolt));
}

TEST_F(LaserTest, HeadOnBoltsTheFirstToMoveExplodes)
{
    // A from 0 toward +x, B from start toward -x; B is newer and moves first in each pass.
    struct Case {
        float start;
        bool otherHurt;   // B's blast reaches A (strictly within 9)
    } cases[] = {{104.0f, true}, {105.0f, false}};
    for (const Case& c : cases) {
        Laser* a = new Laser({0, 0, 0}, {1, 0, 0}, PRESET_PLAYER_TRAIL);
        Laser* b = new Laser({c.start, 0, 0}, {-1, 0, 0}, PRESET_ENEMY_TRAIL);
        Frames(7);
        int before = ParticleCount();
        Frame();   // B's step toward A is blocked
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
            EXPECT_EQ(a->position.x, 56.0f);   // B no longer blocks
            EXPECT_EQ(ParticleCount() - before, 2);
        }
        gExecutor.ClearTasks();
    }
}

}  // namespace
