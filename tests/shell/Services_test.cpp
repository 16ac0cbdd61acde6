// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/FakePlatform.h"
#include "shell/Services.h"

namespace {

// Read while the program starts, before any test runs: so the test below holds in any order
// and in a run of the whole binary, where other tests set the frame time first.
const int32_t kFrameTimeAtStart = GetFrameTime();

TEST(FrameTime, IsOneBeforeTheFirstFrameWasMeasured)
{
    EXPECT_EQ(kFrameTimeAtStart, 1);
    SetFrameTime(17);
    EXPECT_EQ(GetFrameTime(), 17);
    SetFrameTime(1);
}

class ServicesTest : public ::testing::Test {
protected:
    void SetUp() override { plat::fake::Reset(); }
    void TearDown() override { RestoreDisplayMode(); }
};

TEST_F(ServicesTest, TicksComeFromThePlatformClock)
{
    EXPECT_EQ(GetTicks(), 0u);
    plat::fake::SetTicks(1234);
    EXPECT_EQ(GetTicks(), 1234u);
    plat::fake::SetTicks(0xFFFFFFF0u);
    plat::fake::AdvanceTicks(0x20);
    EXPECT_EQ(GetTicks(), 0x10u);  // wraps like the system tick count
}

TEST_F(ServicesTest, SeedRandomUsesTheCalendarTime)
{
    for (int64_t seconds : {int64_t(1000000000), int64_t(1234567890)}) {
        std::srand(static_cast<unsigned>(seconds));
        const int expected[3] = {std::rand(), std::rand(), std::rand()};

        std::srand(99);
        plat::fake::SetCalendarTime(seconds);
        SeedRandom();
        for (int e : expected) EXPECT_EQ(std::rand(), e) << "seconds " << seconds;
    }
}

TEST_F(ServicesTest, RestoreOnlyAfterAChange)
{
    EXPECT_FALSE(DisplayModeChanged());
    RestoreDisplayMode();  // never changed: nothing to restore
    EXPECT_EQ(plat::fake::DisplayModeChanges(), 0);

    SetDisplayMode(640, 480, 16);
    EXPECT_TRUE(DisplayModeChanged());
    EXPECT_EQ(plat::fake::DisplayModeChanges(), 1);

    RestoreDisplayMode();
    EXPECT_FALSE(DisplayModeChanged());
    EXPECT_EQ(plat::fake::DisplayModeChanges(), 0);
    RestoreDisplayMode();
    EXPECT_EQ(plat::fake::DisplayModeChanges(), 0);
}

}  // namespace
