// SPDX-License-Identifier: MIT
// The wave-out style audio device: one at a time, every queued buffer reported once it has
// played, and nothing more, on a thread other than the game's; a done procedure may queue the
// next buffer; after a reset nothing is reported, after a close nothing runs and nothing queues;
// without a device opening fails with a reason.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "contract/Contract.h"

namespace contract {
namespace {

struct AudioLog {
    std::mutex lock;
    std::condition_variable changed;
    int done = 0;
    std::vector<int16_t>* refills = nullptr;  // queued by the done procedure, two of them
    int refilled = 0;
    bool afterReset = false;
    bool reportedAfterReset = false;
    bool onGameThread = false;
    std::thread::id game = std::this_thread::get_id();
};

void OnDone(void* user)
{
    auto* log = static_cast<AudioLog*>(user);
    std::lock_guard<std::mutex> guard(log->lock);
    if (log->afterReset) log->reportedAfterReset = true;
    if (std::this_thread::get_id() == log->game) log->onGameThread = true;
    ++log->done;
    if (log->refills && log->refilled < 2) {
        std::vector<int16_t>& b = log->refills[log->refilled++];
        plat::AudioQueue(b.data(), b.size() * sizeof(int16_t));
    }
    log->changed.notify_all();
}

struct Audio : ContractTest {
    void TearDown() override
    {
        plat::AudioClose();
        StopAudioPlayer();
        ContractTest::TearDown();
    }
    static bool Queue(std::vector<int16_t>& buffer)
    {
        return plat::AudioQueue(buffer.data(), buffer.size() * sizeof(int16_t));
    }
};

TEST_F(Audio, EveryBufferIsReportedOnceOffTheGameThreadAndNothingAfterReset)
{
    std::vector<int16_t> buffers[4];
    for (auto& b : buffers) b.assign(4410 * 2, 1000);  // 100 ms of 44100 Hz stereo each
    AudioLog log;
    log.refills = &buffers[2];
    EXPECT_FALSE(plat::AudioQueue(buffers[0].data(), 4)) << "not open";
    ASSERT_TRUE(plat::AudioOpen(44100, OnDone, &log)) << plat::LastError();
    EXPECT_FALSE(plat::AudioOpen(44100, OnDone, &log)) << "one device at a time";
    ASSERT_TRUE(Queue(buffers[0]));
    ASSERT_TRUE(Queue(buffers[1]));
    StartAudioPlayer();
    {
        std::unique_lock<std::mutex> guard(log.lock);
        // A safety net only: a real device plays the 0.4 s in real time.
        EXPECT_TRUE(log.changed.wait_for(guard, std::chrono::milliseconds(kWaitLimitMs),
                                         [&] { return log.done >= 4; }))
            << log.done << " of 4 buffers reported";
        EXPECT_FALSE(log.onGameThread);
    }
    LetTimePass(300);  // three buffers' time: nothing is reported that was not queued
    {
        std::lock_guard<std::mutex> guard(log.lock);
        EXPECT_EQ(log.done, 4);
    }
    // Two more, reset at once: forgotten without a word.
    ASSERT_TRUE(Queue(buffers[0]));
    ASSERT_TRUE(Queue(buffers[1]));
    plat::AudioReset();
    {
        std::lock_guard<std::mutex> guard(log.lock);
        log.afterReset = true;
    }
    plat::AudioClose();
    EXPECT_FALSE(log.reportedAfterReset);
    EXPECT_FALSE(plat::AudioQueue(buffers[0].data(), 4)) << "closed";
}

// A done procedure that keeps queueing while the device plays: once AudioClose has returned,
// no notification runs any more, and the device can be opened again.
struct Refill {
    std::vector<int16_t> buffer = std::vector<int16_t>(441 * 2, 500);
    std::atomic<bool> closed{false};
    std::atomic<int> calls{0};
    std::atomic<int> late{0};
};

void RefillDone(void* user)
{
    auto* r = static_cast<Refill*>(user);
    ++r->calls;
    if (r->closed) ++r->late;
    std::this_thread::yield();
    plat::AudioQueue(r->buffer.data(), r->buffer.size() * sizeof(int16_t));
}

TEST_F(Audio, NothingRunsAfterCloseReturns)
{
    Refill r;
    ASSERT_TRUE(plat::AudioOpen(44100, RefillDone, &r)) << plat::LastError();
    plat::AudioQueue(r.buffer.data(), r.buffer.size() * sizeof(int16_t));
    plat::AudioQueue(r.buffer.data(), r.buffer.size() * sizeof(int16_t));
    StartAudioPlayer();
    EXPECT_TRUE(WaitUntil([&] { return r.calls >= 5; })) << r.calls << " notifications";
    plat::AudioClose();
    r.closed = true;
    const int calls = r.calls;
    LetTimePass(50);
    StopAudioPlayer();
    EXPECT_EQ(r.late.load(), 0);
    EXPECT_EQ(r.calls.load(), calls);
    EXPECT_FALSE(plat::AudioQueue(r.buffer.data(), 4));
    ASSERT_TRUE(plat::AudioOpen(44100, RefillDone, &r)) << "opens again: " << plat::LastError();
    plat::AudioClose();
}

TEST_F(Audio, OpeningFailsWithoutADeviceAndSaysWhy)
{
    if (!RemoveAudioDevice()) GTEST_SKIP() << BackendName() << " cannot take its device away";
    AudioLog log;
    EXPECT_FALSE(plat::AudioOpen(44100, OnDone, &log));
    EXPECT_STRNE(plat::LastError(), "");
    RestoreAudioDevice();
    EXPECT_FALSE(plat::AudioOpen(0, OnDone, &log)) << "no rate";
}

}  // namespace
}  // namespace contract
