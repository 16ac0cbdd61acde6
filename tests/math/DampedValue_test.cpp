// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <vector>

#include "math/DampedValue.h"
#include "platform/FakePlatform.h"

namespace {

class DampedValueTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        plat::fake::Reset();
        ResetDampedValueClock();
    }

    // Advances the clock by dt and runs one update.
    void Step(uint32_t dt)
    {
        plat::fake::AdvanceTicks(dt);
        UpdateDampedValues();
    }

    // First update at a non-zero tick count, so later ones measure real time.
    void Prime(uint32_t ticks = 1000)
    {
        plat::fake::SetTicks(ticks);
        UpdateDampedValues();
    }
};

TEST_F(DampedValueTest, ConstructionRegistersAndConfigureResets)
{
    const int32_t before = DampedValueCount();
    {
        DampedValue d;
        EXPECT_EQ(DampedValueCount(), before + 1);
        EXPECT_EQ(d.input, 0);
        EXPECT_EQ(d.value, 0.0f);
        EXPECT_EQ(d.limit, 0.0f);

        d.input = 3;
        d.value = 0.2f;
        d.Configure(0.0008f, 2.0f, 0.15f);
        EXPECT_EQ(d.acceleration, 0.0008f);
        EXPECT_EQ(d.decay, 0.0004f);
        EXPECT_EQ(d.limit, 0.15f);
        EXPECT_EQ(d.input, 0);
        EXPECT_EQ(d.value, 0.0f);
    }
    EXPECT_EQ(DampedValueCount(), before);
}

TEST_F(DampedValueTest, FirstUpdateOnlyClearsImpulses)
{
    DampedValue d;
    d.Configure(0.0005f, 4.0f, 0.15f);
    d.input = 5;
    plat::fake::SetTicks(50000);
    UpdateDampedValues();
    EXPECT_EQ(d.value, 0.0f);
    EXPECT_EQ(d.input, 0);

    // So does a second update in the same millisecond.
    d.input = 2;
    UpdateDampedValues();
    EXPECT_EQ(d.value, 0.0f);
    EXPECT_EQ(d.input, 0);
}

TEST_F(DampedValueTest, OneImpulseOverTwentyMilliseconds)
{
    DampedValue d;
    d.Configure(0.0005f, 4.0f, 0.15f);
    Prime();
    d.input = 1;
    Step(20);
    EXPECT_NEAR(d.value, 0.0075f, 1e-7f);  // 0.01 gained, 0.0025 decayed
    EXPECT_EQ(d.input, 0);

    DampedValue back;
    back.Configure(0.0005f, 4.0f, 0.15f);
    back.input = -1;
    Step(20);
    EXPECT_NEAR(back.value, -0.0075f, 1e-7f);
}

TEST_F(DampedValueTest, TickCountWrapsAround)
{
    DampedValue d;
    d.Configure(0.0005f, 4.0f, 0.15f);
    Prime(0xFFFFFFF6u);
    d.input = 1;
    Step(20);  // the clock reads 10 now
    EXPECT_NEAR(d.value, 0.0075f, 1e-7f);
}

// A held key: one impulse per 20 ms frame climbs 0.0075 a frame until the limit holds it.
TEST_F(DampedValueTest, HeldInputClimbsToTheLimitAndStays)
{
    DampedValue d;
    d.Configure(0.0005f, 4.0f, 0.15f);
    Prime();
    for (int frame = 1; frame <= 25; ++frame) {
        d.input = 1;
        Step(20);
        float expected = frame < 20 ? 0.0075f * frame : 0.15f;
        EXPECT_NEAR(d.value, expected, 1e-5f) << "frame " << frame;
        EXPECT_LE(d.value, 0.15f);
    }
    EXPECT_EQ(d.value, 0.15f);

    // With ratio 1 the decay cancels the acceleration.
    DampedValue stuck;
    stuck.Configure(0.0008f, 1.0f, 0.15f);
    for (int frame = 0; frame < 5; ++frame) {
        stuck.input = 1;
        Step(20);
        EXPECT_EQ(stuck.value, 0.0f);
    }
}

TEST_F(DampedValueTest, ImpulsesPastTheLimitStopExactlyAtIt)
{
    struct Case {
        float start;
        int32_t input;
        float expected;
    };
    const Case cases[] = {
        {0.0f, 1000, 0.15f},
        {0.14f, 50, 0.15f},
        {-0.15f, -2, -0.15f},
        {0.0f, -1000, -0.15f},
    };
    Prime();
    for (const Case& c : cases) {
        DampedValue d;
        d.Configure(0.0005f, 4.0f, 0.15f);
        d.value = c.start;
        d.input = c.input;
        Step(20);
        EXPECT_EQ(d.value, c.expected) << "start " << c.start << " input " << c.input;
    }
}

TEST_F(DampedValueTest, DecayStopsAtZero)
{
    struct Case {
        float start;
        uint32_t dt;
        float expected;
    };
    const Case cases[] = {
        {0.001f, 1, 0.0006f}, {0.001f, 2, 0.0002f},   {0.001f, 3, 0.0f},
        {0.001f, 500, 0.0f},  {-0.001f, 2, -0.0002f}, {-0.001f, 3, 0.0f},
    };
    Prime();
    for (const Case& c : cases) {
        DampedValue d;
        d.decay = 0.0004f;
        d.limit = 1.0f;
        d.value = c.start;
        Step(c.dt);
        EXPECT_NEAR(d.value, c.expected, 1e-7f) << "start " << c.start << " dt " << c.dt;
        Step(c.dt);  // never goes past 0 to the other sign
        if (c.expected == 0.0f) {
            EXPECT_EQ(d.value, 0.0f);
        }
    }
}

// A stalled machine: an update long after the last one changes the values as one 100 ms
// after it would. A ship from rest with a key held (far from its limit here) and a coasting
// value (decaying) both stop at what 100 ms give.
TEST_F(DampedValueTest, AStallCountsAsAHundredMilliseconds)
{
    struct Case {
        uint32_t dt;
        float held, coasting;
    };
    const Case cases[] = {
        {10, 0.00375f, 0.996f}, {50, 0.01875f, 0.98f},  {100, 0.0375f, 0.96f},
        {500, 0.0375f, 0.96f},  {4000, 0.0375f, 0.96f},
    };
    for (const Case& c : cases) {
        Prime();
        DampedValue held, coasting;
        held.Configure(0.0005f, 4.0f, 1.0f);
        coasting.Configure(0.0016f, 4.0f, 1.0f);
        coasting.value = 1.0f;
        held.input = 1;
        Step(c.dt);
        EXPECT_NEAR(held.value, c.held, 1e-6f) << c.dt << " ms";
        EXPECT_NEAR(coasting.value, c.coasting, 1e-6f) << c.dt << " ms";
        ResetDampedValueClock();
    }
}

TEST_F(DampedValueTest, DestroyedValueLeavesTheRegistry)
{
    const int32_t before = DampedValueCount();
    DampedValue first;
    auto* middle = new DampedValue;
    DampedValue last;
    for (DampedValue* d : {&first, middle, &last}) {
        d->Configure(0.0005f, 4.0f, 0.15f);
        d->input = 1;
    }
    delete middle;  // the sanitizer build would flag any later touch of it
    EXPECT_EQ(DampedValueCount(), before + 2);

    Prime();
    first.input = 1;
    last.input = 1;
    Step(20);
    EXPECT_NEAR(first.value, 0.0075f, 1e-7f);
    EXPECT_NEAR(last.value, 0.0075f, 1e-7f);
}

}  // namespace
