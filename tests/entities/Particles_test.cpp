// SPDX-License-Identifier: MIT
// The particle pool, its presets and their interpolation and motion.
#include <cmath>
#include <cstdlib>
#include <vector>

#include "entities/EntityDrawing.h"
#include "entities/Particles.h"
#include "platform/FakePlatform.h"
#include "shell/Services.h"

#include <gtest/gtest.h>

namespace {

class ParticlesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        plat::fake::Reset();
        plat::fake::SetTicks(5000);
        SetFrameTime(10);
        SetEntityDrawing(false);
        StopParticles();
        StartParticles(3);
        AddGameParticlePresets();
    }
    void TearDown() override
    {
        StopParticles();
        SetEntityDrawing(true);
        plat::fake::Reset();
    }

    static Particle Make(int8_t kind, int8_t preset, Vector3D dir = {0, 0, 0})
    {
        Particle p;
        p.kind = kind;
        p.preset = preset;
        p.position = {1, 2, 3};
        p.direction = dir;
        return p;
    }
};

TEST_F(ParticlesTest, FadingParticleLivesOnePeriodAndFadesToItsEndState)
{
    EmitParticle(Make(PARTICLE_FADING, PRESET_FIRE, {0, 2, 0}));
    const Particle* p = ParticleAt(0);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->birthTime, 5000);
    EXPECT_EQ(p->direction, (Vector3D{0, 1, 0}));  // made unit

    plat::fake::SetTicks(5500);
    TickParticles();
    EXPECT_NEAR(p->red, 1.0f, 1e-6f);
    EXPECT_NEAR(p->green, 0.5f, 1e-6f);
    EXPECT_NEAR(p->blue, 0.25f, 1e-6f);
    EXPECT_NEAR(p->alpha, 0.75f, 1e-6f);
    EXPECT_NEAR(p->size, (0.386667f + 0.5f) * 0.5f * 54.333332f, 1e-4f);
    EXPECT_NEAR(p->position.y, 2.0f + 10 * 0.01f, 1e-6f);  // rises with the frame time

    plat::fake::SetTicks(6000);  // t = 1: still there, at its end state
    TickParticles();
    EXPECT_TRUE(p->alive);
    EXPECT_NEAR(p->green, 0.0f, 1e-6f);
    EXPECT_NEAR(p->size, 0.5f * 54.333332f, 1e-4f);
    plat::fake::SetTicks(6001);
    TickParticles();
    EXPECT_FALSE(p->alive);
    EXPECT_EQ(ParticleCount(), 1);  // dead records stay in the pool
}

TEST_F(ParticlesTest, SingleFrameParticleIsDrawnOnceAndPulsesWithTheClock)
{
    struct Case {
        uint32_t now;
        float t;
    } cases[] = {{7000, 0.5f}, {7250, 1.0f}, {7500, 1.5f}, {8750, 1.0f}};
    for (const Case& c : cases) {
        plat::fake::SetTicks(c.now);
        EmitParticle(Make(PARTICLE_SINGLE_FRAME, PRESET_ENEMY_TRAIL));
        int32_t i = ParticleCount() - 1;
        UpdateParticles();
        const Particle* p = ParticleAt(i);
        EXPECT_TRUE(p->alive);
        EXPECT_NEAR(p->red, c.t, 1e-5f) << c.now;  // 0 -> 1 at t = 1, past it beyond
        EXPECT_NEAR(p->size, (0.196667f * (1 - c.t) + 0.106667f * c.t) * 30.0f, 1e-4f) << c.now;
        EXPECT_EQ(p->position, (Vector3D{1, 2, 3}));  // no rise, no speed
        DrawParticles();
        EXPECT_FALSE(p->alive);
    }
}

TEST_F(ParticlesTest, PoolReusesOnlyWhenFullAndGrowsByHundred)
{
    for (int i = 0; i < 100; ++i) EmitParticle(Make(PARTICLE_FADING, PRESET_FIRE));
    EXPECT_EQ(ParticleCount(), 100);
    EXPECT_EQ(ParticleCapacity(), 100);

    // One dead record among 100 in use: it is overwritten and the count stays.
    EmitParticle(Make(PARTICLE_SINGLE_FRAME, PRESET_PLAYER_TRAIL));  // grows: all alive
    EXPECT_EQ(ParticleCapacity(), 200);
    EXPECT_EQ(ParticleCount(), 101);
    EXPECT_EQ(ParticleAt(100)->kind, PARTICLE_SINGLE_FRAME);
    EXPECT_EQ(ParticleAt(0)->kind, PARTICLE_FADING);  // copied over

    StopParticles();
    StartParticles(3);
    AddGameParticlePresets();
    for (int i = 0; i < 100; ++i)
        EmitParticle(Make(i == 41 ? PARTICLE_SINGLE_FRAME : PARTICLE_FADING, PRESET_FIRE));
    DrawParticles();  // record 41 dies once drawn
    EmitParticle(Make(PARTICLE_FADING, PRESET_ENEMY_TRAIL));
    EXPECT_EQ(ParticleCount(), 100);
    EXPECT_EQ(ParticleCapacity(), 100);
    EXPECT_TRUE(ParticleAt(41)->alive);
    EXPECT_EQ(ParticleAt(41)->preset, PRESET_ENEMY_TRAIL);
}

TEST_F(ParticlesTest, MovingParticleTakesSixRandomNumbersPerUpdate)
{
    auto drawsAfter = [](int moving, int resting) {
        StopParticles();
        StartParticles(3);
        AddGameParticlePresets();
        for (int i = 0; i < moving; ++i)
            EmitParticle(Make(PARTICLE_FADING, PRESET_FIRE, {0, 1, 0}));
        for (int i = 0; i < resting; ++i) EmitParticle(Make(PARTICLE_FADING, PRESET_FIRE));
        std::srand(99);
        UpdateParticles();
        return std::rand();
    };
    std::srand(99);
    std::vector<int> sequence;
    for (int i = 0; i < 13; ++i) sequence.push_back(std::rand());
    EXPECT_EQ(drawsAfter(0, 3), sequence[0]);
    EXPECT_EQ(drawsAfter(1, 3), sequence[6]);
    EXPECT_EQ(drawsAfter(2, 1), sequence[12]);

    // With jitter 0 the direction stays put; the fire rises at 0.01 per ms.
    const Particle* p = ParticleAt(0);
    EXPECT_EQ(p->direction, (Vector3D{0, 1, 0}));
    EXPECT_NEAR(p->position.y, 2.0f + 0.1f, 1e-6f);
}

TEST_F(ParticlesTest, JitterAndSpeedMoveAlongAUnitDirection)
{
    ParticlePreset spray;
    spray.speed = 0.2f;
    spray.jitter = 0.5f;
    spray.period = 1000;
    AddParticlePreset(spray);  // index 3
    std::srand(7);
    EmitParticle(Make(PARTICLE_FADING, 3, {1, 0, 0}));
    const Particle* p = ParticleAt(0);
    for (int i = 0; i < 5; ++i) {
        Vector3D before = p->position;
        Vector3D heading = p->direction;
        UpdateParticles();
        EXPECT_NEAR(Length(p->direction), 1.0f, 1e-5f);
        EXPECT_NE(p->direction, heading);
        EXPECT_NEAR(Distance(p->position, before), 0.2f * 10, 1e-4f);  // speed x frame time
    }
}

TEST_F(ParticlesTest, OutOfRangePresetUsesTheNearestAndStoppedSystemDropsEmissions)
{
    plat::fake::SetTicks(7500);
    EmitParticle(Make(PARTICLE_SINGLE_FRAME, 9));
    EmitParticle(Make(PARTICLE_SINGLE_FRAME, -4));
    UpdateParticles();
    EXPECT_NEAR(ParticleAt(0)->green, 1.0f, 1e-5f);  // preset 2: green at t = 1.5 ... = 1
    EXPECT_NEAR(ParticleAt(0)->red, 1.5f, 1e-5f);
    EXPECT_NEAR(ParticleAt(1)->green, 1.5f, 1e-5f);  // preset 0

    StopParticles();
    EXPECT_FALSE(ParticlesRunning());
    EXPECT_EQ(ParticlePresetCount(), 0);
    EmitParticle(Make(PARTICLE_FADING, 0));
    TickParticles();
    EXPECT_EQ(ParticleCount(), 0);
    StopParticles();  // twice is harmless
}

}  // namespace
