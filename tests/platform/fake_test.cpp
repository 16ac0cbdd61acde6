// SPDX-License-Identifier: MIT
// The fake backend behaves like the real systems the game expects: posted close destroys the
// window (destroy message first, nothing afterwards), key state bits, the audio device's
// order, done notifications and shutdown.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
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
    void Pump()
    {
        plat::Message m;
        while (plat::PeekMessage(&m, true)) {
            plat::TranslateMessage(m);
            plat::DispatchMessage(m);
        }
    }
};

TEST_F(Fake, PostedCloseDestroysWindowAndDropsLaterMessages)
{
    plat::NativeWindow w = MakeWindow();
    ASSERT_NE(w, nullptr);
    int data = 0;
    plat::SetWindowUserData(w, &data);
    plat::PostClose(w);
    plat::fake::PushMessage({w, plat::MSG_PAINT, 0, 0});
    Pump();
    // Close reached the procedure, whose default handling destroyed the window: destroy
    // arrived, and the paint queued behind the close was dropped with the window.
    ASSERT_EQ(gSeen.size(), 2u);
    EXPECT_EQ(gSeen[0].message, plat::MSG_CLOSE);
    EXPECT_EQ(gSeen[1].message, plat::MSG_DESTROY);
    EXPECT_FALSE(plat::fake::WindowExists(w));
    EXPECT_EQ(plat::GetWindowUserData(w), nullptr);
    plat::fake::PushMessage({w, plat::MSG_KEYDOWN, 27, 0});
    Pump();
    EXPECT_EQ(gSeen.size(), 2u);
}

TEST_F(Fake, PeekKeepsOrderAndTranslateQueuesCharNext)
{
    plat::NativeWindow w = MakeWindow();
    plat::fake::PushMessage({w, plat::MSG_KEYDOWN, 'A', 0});
    plat::fake::PushMessage({w, plat::MSG_MOUSEMOVE, 0, 3 | (4 << 16)});
    plat::PostQuit(7);
    plat::Message m;
    ASSERT_TRUE(plat::PeekMessage(&m, false));
    EXPECT_EQ(plat::fake::PendingMessages(), 3u);
    Pump();
    ASSERT_EQ(gSeen.size(), 3u);  // the quit has no window and reaches no procedure
    EXPECT_EQ(gSeen[0].message, plat::MSG_KEYDOWN);
    EXPECT_EQ(gSeen[1].message, plat::MSG_CHAR);
    EXPECT_EQ(gSeen[1].wParam, static_cast<uintptr_t>('a'));
    EXPECT_EQ(gSeen[2].message, plat::MSG_MOUSEMOVE);
}

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

TEST_F(Fake, AsyncKeyStateBits)
{
    using plat::GetAsyncKeyState;
    plat::fake::SetKeyDown('A', true);
    EXPECT_EQ(static_cast<uint16_t>(GetAsyncKeyState('A')), 0x8001u);  // down, pressed since
    EXPECT_EQ(static_cast<uint16_t>(GetAsyncKeyState('A')), 0x8000u);  // still down
    plat::fake::SetKeyDown('A', false);
    EXPECT_EQ(GetAsyncKeyState('A'), 0);
    plat::fake::TapKey('B');
    EXPECT_EQ(GetAsyncKeyState('B'), 1);  // a tap between two queries counts once
    EXPECT_EQ(GetAsyncKeyState('B'), 0);
    EXPECT_EQ(GetAsyncKeyState(-1), 0);
    EXPECT_EQ(GetAsyncKeyState(256), 0);
}

TEST_F(Fake, JoystickQueryFailsWhenDetached)
{
    uint32_t x = 1, y = 1, b = 1;
    EXPECT_FALSE(plat::GetJoystick(&x, &y, &b));
    plat::fake::SetJoystick(true, 0, 65535, 0x201);
    ASSERT_TRUE(plat::GetJoystick(&x, &y, &b));
    EXPECT_EQ(x, 0u);
    EXPECT_EQ(y, 65535u);
    EXPECT_EQ(b, 0x201u);
}

std::atomic<int> gDone{0};
void CountDone(void*) { ++gDone; }

TEST_F(Fake, AudioPlaysBuffersInOrderAndReportsEach)
{
    gDone = 0;
    EXPECT_FALSE(plat::AudioQueue("x", 1));  // not open
    ASSERT_TRUE(plat::AudioOpen(44100, CountDone, nullptr));
    EXPECT_FALSE(plat::AudioOpen(44100, CountDone, nullptr));  // one device at a time
    uint8_t a[4] = {1, 2, 3, 4}, b[2] = {9, 8};
    ASSERT_TRUE(plat::AudioQueue(a, sizeof a));
    ASSERT_TRUE(plat::AudioQueue(b, sizeof b));
    a[0] = 5;  // the device reads the memory when it plays it
    EXPECT_EQ(plat::fake::AudioQueuedBuffer(0), (std::vector<uint8_t>{5, 2, 3, 4}));
    ASSERT_TRUE(plat::fake::AudioCompleteOne());
    EXPECT_EQ(gDone.load(), 1);
    EXPECT_EQ(plat::fake::AudioQueuedCount(), 1u);
    ASSERT_TRUE(plat::fake::AudioCompleteOne());
    EXPECT_FALSE(plat::fake::AudioCompleteOne());
    ASSERT_EQ(plat::fake::AudioPlayed().size(), 2u);
    EXPECT_EQ(plat::fake::AudioPlayed()[1], (std::vector<uint8_t>{9, 8}));

    plat::AudioQueue(a, sizeof a);
    plat::AudioReset();  // forgets the buffer; no notification for it
    EXPECT_FALSE(plat::fake::AudioCompleteOne());
    EXPECT_EQ(gDone.load(), 2);
    plat::AudioClose();
    EXPECT_FALSE(plat::fake::AudioIsOpen());
    EXPECT_FALSE(plat::AudioQueue(a, sizeof a));
}

TEST_F(Fake, AudioOpenFailsWithoutDevice)
{
    plat::fake::SetAudioAvailable(false);
    EXPECT_FALSE(plat::AudioOpen(44100, CountDone, nullptr));
    EXPECT_STRNE(plat::LastError(), "");
}

// A refill that keeps queueing from the device thread; closing must wait for a running
// notification and none may run after it returns.
struct Refill {
    uint8_t buffer[64] = {};
    std::atomic<bool> closed{false};
    std::atomic<int> calls{0};
    std::atomic<int> lateCalls{0};
};

void RefillDone(void* user)
{
    auto* r = static_cast<Refill*>(user);
    ++r->calls;
    if (r->closed) ++r->lateCalls;
    std::this_thread::yield();
    plat::AudioQueue(r->buffer, sizeof r->buffer);
}

TEST_F(Fake, NoNotificationAfterCloseReturns)
{
    Refill r;
    ASSERT_TRUE(plat::AudioOpen(44100, RefillDone, &r));
    plat::AudioQueue(r.buffer, sizeof r.buffer);
    std::atomic<bool> stop{false};
    std::thread device([&] {
        while (!stop) plat::fake::AudioCompleteOne();
    });
    while (r.calls < 50) std::this_thread::yield();
    plat::AudioClose();
    r.closed = true;
    stop = true;
    device.join();
    EXPECT_EQ(r.lateCalls.load(), 0);
    EXPECT_EQ(plat::fake::AudioQueuedCount(), 0u);
}

}  // namespace
