// SPDX-License-Identifier: MIT
// The frame loop on the fake platform: the order inside a frame, messages before frames,
// waiting while inactive, and how the loop ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "game/Application.h"
#include "math/DampedValue.h"
#include "platform/FakePlatform.h"
#include "shell/Input.h"
#include "shell/Services.h"
#include "shell/TaskList.h"
#include "shell/Window.h"

namespace {

std::vector<std::string> gLog;
int gTasksDeleted = 0;
DampedValue* gProbe = nullptr;

// Logs what it sees when it runs: the fire button, the damped probe's pending impulses and
// the frame time.
class LogTask : public Executable {
public:
    LogTask() { gExecutor.AddTask(this); }
    ~LogTask() override { ++gTasksDeleted; }
    void Run() override
    {
        gLog.push_back("task A=" + std::to_string(gInput.buttons[2]) +
                       " impulses=" + std::to_string(gProbe ? gProbe->input : -1) +
                       " ft=" + std::to_string(GetFrameTime()));
    }
};

class LoopWindow : public Window {
public:
    LoopWindow() : Window(WindowCreateParams()) {}
    void OnEvent(int32_t kind, int32_t code, int32_t) override
    {
        if (kind != EVENT_KEY) return;
        gLog.push_back("key " + std::to_string(code));
        if (code == plat::VK_ESCAPE_KEY) delete this;
    }
    void Frame() override
    {
        ++frames;
        gLog.push_back("frame");
        if (onFrame) onFrame(frames);
    }
    void Post(uint32_t message, uintptr_t wParam = 0)
    {
        plat::fake::PushMessage({NativeHandle(), message, wParam, 0});
    }

    int frames = 0;
    std::function<void(int)> onFrame;  // may post messages or move the clock
};

struct LoopTest : ::testing::Test {
    void SetUp() override
    {
        plat::fake::Reset();
        plat::fake::SetTicks(1000);
        gLog.clear();
        gTasksDeleted = 0;
        gProbe = nullptr;
        gInput = InputState();
        SetFrameTime(1);
        ResetDampedValueClock();
        SetMaxFrameRate(0);
    }
    void TearDown() override
    {
        SetMaxFrameRate(0);
        CloseRemainingWindows();
        gExecutor.ClearTasks();
        plat::fake::Reset();
    }
};

TEST_F(LoopTest, FrameRunsInputDampedValuesTasksDrawingThenMeasures)
{
    DampedValue probe;
    gProbe = &probe;
    new LogTask;
    auto* w = new LoopWindow;
    w->onFrame = [&](int frame) {
        // main() closes what is left only once the loop is over (a browser's runs on after it).
        EXPECT_FALSE(MainLoopOver());
        if (frame == 1) {
            plat::fake::SetKeyDown('A', true);  // read before the tasks of the next frame
            probe.input = 3;  // consumed before the tasks of the next frame
            plat::fake::AdvanceTicks(7);  // the frame's length, measured after drawing
        } else {
            w->Post(plat::MSG_KEYDOWN, plat::VK_ESCAPE_KEY);
        }
    };
    EXPECT_EQ(RunMainLoop(), 0);
    EXPECT_TRUE(MainLoopOver());
    const std::vector<std::string> expected = {
        "task A=0 impulses=0 ft=1", "frame", "task A=1 impulses=0 ft=7", "frame", "key 27",
    };
    EXPECT_EQ(gLog, expected);
}

TEST_F(LoopTest, EveryQueuedMessageIsHandledBeforeTheNextFrame)
{
    auto* w = new LoopWindow;
    w->Post(plat::MSG_KEYDOWN, 'B');
    w->Post(plat::MSG_KEYDOWN, 'C');
    w->Post(plat::MSG_KEYDOWN, 'D');
    w->onFrame = [&](int frame) {
        if (frame == 1) {
            w->Post(plat::MSG_KEYDOWN, 'E');
            w->Post(plat::MSG_PAINT);
            w->Post(plat::MSG_KEYDOWN, 'F');
        } else {
            w->Post(plat::MSG_KEYDOWN, plat::VK_ESCAPE_KEY);
        }
    };
    EXPECT_EQ(RunMainLoop(), 0);
    const std::vector<std::string> expected = {
        "key 66", "key 67", "key 68", "frame", "key 69", "key 70", "frame", "key 27",
    };
    EXPECT_EQ(gLog, expected);
}

TEST_F(LoopTest, NoFramesWhileInactiveAndThePauseIsNoFrameTime)
{
    // A coasting speed of 0.1 units per ms: a pause counted as frame time would move a ship
    // 2000 units and let the speed decay to nothing.
    DampedValue speed;
    speed.Configure(0.0005f, 4.0f, 0.15f);
    speed.value = 0.1f;
    new LogTask;
    auto* w = new LoopWindow;
    float speedBefore = 0.0f;
    w->onFrame = [&](int frame) {
        plat::fake::AdvanceTicks(16);  // every frame takes 16 ms
        if (frame == 1) {
            speedBefore = speed.value;
            w->Post(plat::MSG_ACTIVATEAPP, 0);
        } else if (frame == 3) {
            w->Post(plat::MSG_KEYDOWN, plat::VK_ESCAPE_KEY);
        }
    };
    int waits = 0;
    plat::fake::SetWaitHook([&] {
        ++waits;
        plat::fake::AdvanceTicks(10000);
        // The first wake-up brings only a paint: still inactive, so no frame and another wait.
        if (waits == 1) w->Post(plat::MSG_PAINT);
        else w->Post(plat::MSG_ACTIVATEAPP, 1);
    });
    EXPECT_EQ(RunMainLoop(), 0);
    EXPECT_EQ(waits, 2);
    EXPECT_EQ(plat::fake::WaitCount(), 2);
    // No task ran while away, and the 20 s away count in no frame time: the frames back see
    // the ordinary 16 ms.
    const std::vector<std::string> expected = {
        "task A=0 impulses=-1 ft=1",
        "frame",
        "task A=0 impulses=-1 ft=16",
        "frame",
        "task A=0 impulses=-1 ft=16",
        "frame",
        "key 27",
    };
    EXPECT_EQ(gLog, expected);
    // Two damped updates after the pause, the first of 0 ms and one of 16 ms.
    EXPECT_NEAR(speed.value, speedBefore - 16 * 0.000125f, 1e-6f);
}

TEST_F(LoopTest, EscapeOrCloseEndsWithZeroAndClearsTheTasks)
{
    for (uint32_t how : {plat::MSG_KEYDOWN, plat::MSG_CLOSE}) {
        gTasksDeleted = 0;
        new LogTask;
        new LogTask;
        auto* w = new LoopWindow;
        plat::NativeWindow native = w->NativeHandle();
        w->onFrame = [&](int) { w->Post(how, plat::VK_ESCAPE_KEY); };
        EXPECT_EQ(RunMainLoop(), 0) << how;
        EXPECT_EQ(gTasksDeleted, 2) << how;
        EXPECT_TRUE(gExecutor.Tasks()->IsEmpty());
        EXPECT_FALSE(AnyWindowRegistered());
        EXPECT_FALSE(plat::fake::WindowExists(native)) << how;
    }
}

TEST_F(LoopTest, QuitEndsAtOnceWithItsParameterAndKeepsTheTasks)
{
    for (int code : {5, 0, -1, 143}) {
        gLog.clear();
        gTasksDeleted = 0;
        auto* task = new LogTask;
        auto* w = new LoopWindow;
        plat::PostQuit(code);
        w->Post(plat::MSG_KEYDOWN, 'B');  // behind the quit: never handled
        EXPECT_EQ(RunMainLoop(), code);
        EXPECT_TRUE(gLog.empty());
        EXPECT_EQ(gTasksDeleted, 0);
        EXPECT_TRUE(gExecutor.Contains(task));
        EXPECT_TRUE(AnyWindowRegistered());
        // What the entry point does afterwards: the window goes before the program's statics.
        plat::NativeWindow native = w->NativeHandle();
        CloseRemainingWindows();
        EXPECT_FALSE(AnyWindowRegistered());
        EXPECT_FALSE(plat::fake::WindowExists(native));
        gExecutor.ClearTasks();
        plat::fake::Reset();
    }
}

TEST_F(LoopTest, NoWindowMeansNoFrameAndExitZero)
{
    new LogTask;
    EXPECT_EQ(RunMainLoop(), 0);
    EXPECT_TRUE(gLog.empty());
    EXPECT_EQ(gTasksDeleted, 1);
}

// --max-fps on the fake clock, whose sleep moves the clock: each frame of 5 ms of work is
// followed by a wait to its turn, so 300 frames take exactly 10 s, 30 in every second, and each
// frame time (33 or 34 ms) includes the wait. Frames slower than their turn wait not at all,
// and after a stall the frames do not come in a burst to make up for it.
TEST_F(LoopTest, FrameRateLimitHoldsThirtyFramesASecond)
{
    struct Case {
        const char* what;
        std::function<uint32_t(int)> work;  // the milliseconds frame k takes before the wait
        int frames;
        uint32_t elapsed;  // from the loop's start to the end of the last frame
    };
    const Case cases[] = {
        {"5 ms frames", [](int) { return 5u; }, 300, 10000},
        {"50 ms frames", [](int) { return 50u; }, 20, 1000},
        {"a stall of 500 ms in frame 10", [](int k) { return k == 10 ? 500u : 5u; }, 60, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        plat::fake::Reset();
        plat::fake::SetTicks(1000);
        SetMaxFrameRate(30);
        auto* w = new LoopWindow;
        std::vector<uint32_t> starts;  // when each frame's drawing began
        std::vector<int32_t> frameTimes;
        w->onFrame = [&](int frame) {
            starts.push_back(plat::Ticks());
            frameTimes.push_back(GetFrameTime());  // the previous frame's
            plat::fake::AdvanceTicks(c.work(frame));
            if (frame == c.frames) w->Post(plat::MSG_KEYDOWN, plat::VK_ESCAPE_KEY);
        };
        EXPECT_EQ(RunMainLoop(), 0);
        ASSERT_EQ(static_cast<int>(starts.size()), c.frames);
        const uint32_t elapsed = plat::Ticks() - 1000;
        if (c.elapsed) {
            EXPECT_EQ(elapsed, c.elapsed);
        }
        int32_t measured = 0;
        for (size_t k = 1; k < frameTimes.size(); ++k) measured += frameTimes[k];
        // Motion's clock: the time between frames, a stall counting as the longest frame.
        int32_t expected = 0;
        uint32_t previous = 1000;
        for (size_t k = 1; k < starts.size(); ++k) {
            expected += static_cast<int32_t>(
                std::min<uint32_t>(starts[k] - previous, uint32_t(kMaxMotionFrameMs)));
            previous = starts[k];
        }
        EXPECT_EQ(measured, expected);
        for (size_t k = 1; k < starts.size(); ++k) {
            const uint32_t gap = starts[k] - starts[k - 1];
            EXPECT_GE(gap, std::max<uint32_t>(33, c.work(static_cast<int>(k)))) << "frame " << k;
            EXPECT_LE(gap, std::max<uint32_t>(34, c.work(static_cast<int>(k)))) << "frame " << k;
        }
        if (c.work(1) >= 34) {
            EXPECT_EQ(plat::fake::SleptMilliseconds(), 0u);
        }
    }
    // Without a limit nothing sleeps.
    plat::fake::Reset();
    SetMaxFrameRate(0);
    auto* w = new LoopWindow;
    w->onFrame = [&](int frame) {
        plat::fake::AdvanceTicks(5);
        if (frame == 10) w->Post(plat::MSG_KEYDOWN, plat::VK_ESCAPE_KEY);
    };
    EXPECT_EQ(RunMainLoop(), 0);
    EXPECT_EQ(plat::fake::SleptMilliseconds(), 0u);
    EXPECT_EQ(plat::Ticks(), 50u);
}

// The largest --scale whose window fits the usable screen, never below 1.
TEST(WindowScale, FitsTheUsableScreen)
{
    struct Row {
        int asked, width, height, expected;
    };
    const Row rows[] = {
        {8, 1280, 720, 1},    {2, 1280, 720, 1},  {2, 1280, 960, 2},  {2, 1279, 960, 1},
        {2, 1280, 959, 1},    {8, 1920, 1080, 2}, {3, 1920, 1080, 2}, {8, 5120, 3840, 8},
        {8, 10000, 10000, 8}, {1, 300, 200, 1},   {4, 0, 0, 1},
    };
    for (const Row& r : rows)
        EXPECT_EQ(FittingScale(r.asked, r.width, r.height), r.expected)
            << r.asked << " on " << r.width << " x " << r.height;
}

}  // namespace
