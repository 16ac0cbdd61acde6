// SPDX-License-Identifier: MIT
// The fake backend's own controls (what the contract suite, which runs on it too, does not
// need): messages sent during a window's creation, the wait hook and its quit when there is
// nothing to wait for, taps, and what the audio device played.
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "platform/FakePlatform.h"

namespace {

std::vector<plat::Message> gSeen;

void RecordingProc(plat::NativeWindow w, uint32_t msg, uintptr_t wp, intptr_t lp)
{
    plat::Message m;
    m.window = w;
    m.message = msg;
    m.wParam = wp;
    m.lParam = lp;
    gSeen.push_back(m);
    plat::DefaultWindowProc(w, msg, wp, lp);
}

struct Fake : ::testing::Test {
    void SetUp() override
    {
        plat::fake::Reset();
        gSeen.clear();
    }
    void TearDown() override { plat::fake::Reset(); }

    plat::NativeWindow MakeWindow()
    {
        plat::WindowDesc d;
        d.title = "t";
        return plat::CreateNativeWindow(d, RecordingProc);
    }
};

TEST_F(Fake, MessagesSentDuringCreationReachTheProcedureFirst)
{
    plat::fake::SendOnCreate({nullptr, plat::MSG_ACTIVATEAPP, 1, 0});
    plat::NativeWindow w = MakeWindow();
    ASSERT_EQ(gSeen.size(), 1u);
    EXPECT_EQ(gSeen[0].window, w);
    EXPECT_EQ(plat::fake::PendingMessages(), 0u);
    MakeWindow();  // only the next window gets them
    EXPECT_EQ(gSeen.size(), 1u);
}

TEST_F(Fake, WaitWithNothingToWaitForPostsQuit)
{
    plat::WaitMessage();
    plat::Message m;
    ASSERT_TRUE(plat::PeekMessage(&m, true));
    EXPECT_EQ(m.message, plat::MSG_QUIT);
    EXPECT_EQ(static_cast<int>(m.wParam), plat::fake::kNothingToWaitFor);

    plat::fake::SetWaitHook([] {
        plat::fake::AdvanceTicks(500);
        plat::PostQuit(3);
    });
    plat::WaitMessage();
    EXPECT_EQ(plat::Ticks(), 500u);
    ASSERT_TRUE(plat::PeekMessage(&m, true));
    EXPECT_EQ(m.wParam, 3u);
    EXPECT_EQ(plat::fake::WaitCount(), 2);
}

// A tap is a press and release between two queries of the key state.
TEST_F(Fake, TapKeyCountsOnce)
{
    plat::fake::TapKey('B');
    EXPECT_EQ(plat::GetAsyncKeyState('B'), 1);
    EXPECT_EQ(plat::GetAsyncKeyState('B'), 0);
}

std::atomic<int> gDone{0};
void CountDone(void*) { ++gDone; }

// The fake device keeps what it played: the bytes of each buffer as they were when it played
// them (a device reads the memory then, not when the buffer is queued), in order.
TEST_F(Fake, AudioDeviceRecordsWhatItPlayed)
{
    gDone = 0;
    ASSERT_TRUE(plat::AudioOpen(44100, CountDone, nullptr));
    uint8_t a[4] = {1, 2, 3, 4}, b[2] = {9, 8};
    ASSERT_TRUE(plat::AudioQueue(a, sizeof a));
    ASSERT_TRUE(plat::AudioQueue(b, sizeof b));
    a[0] = 5;
    EXPECT_EQ(plat::fake::AudioQueuedBuffer(0), (std::vector<uint8_t>{5, 2, 3, 4}));
    EXPECT_EQ(plat::fake::AudioQueuedBuffer(2), std::vector<uint8_t>());
    ASSERT_TRUE(plat::fake::AudioCompleteOne());
    EXPECT_EQ(gDone.load(), 1);
    EXPECT_EQ(plat::fake::AudioQueuedCount(), 1u);
    ASSERT_TRUE(plat::fake::AudioCompleteOne());
    EXPECT_FALSE(plat::fake::AudioCompleteOne());
    ASSERT_EQ(plat::fake::AudioPlayed().size(), 2u);
    EXPECT_EQ(plat::fake::AudioPlayed()[0], (std::vector<uint8_t>{5, 2, 3, 4}));
    EXPECT_EQ(plat::fake::AudioPlayed()[1], (std::vector<uint8_t>{9, 8}));
    plat::AudioClose();
    EXPECT_FALSE(plat::fake::AudioIsOpen());
}

}  // namespace
