// SPDX-License-Identifier: MIT
// The frame loop: RunLoop runs the program's frames until one returns false, and the game's
// frame (RunOneFrame) keeps its order on this backend: every pending message first, then
// input, damped values, tasks, drawing and the frame time; the loop ends with 0 when the last
// window is gone, or at once with a quit message's code.
#include <functional>
#include <string>
#include <vector>

#include "contract/Contract.h"
#include "game/Application.h"
#include "math/DampedValue.h"
#include "shell/Input.h"
#include "shell/Services.h"
#include "shell/TaskList.h"
#include "shell/Window.h"

namespace contract {
namespace {

std::vector<std::string> gLog;
int gPasses = 0;

bool CountedPasses()
{
    gLog.push_back("pass " + std::to_string(++gPasses));
    return gPasses < 3;
}

struct Loop : ContractTest {
    void SetUp() override
    {
        ContractTest::SetUp();
        gLog.clear();
        gPasses = 0;
        gInput = InputState();
        ForgetKeyPresses();  // as the game does at start-up: earlier tests pressed keys too
        SetFrameTime(1);
        ResetDampedValueClock();
    }
    void TearDown() override
    {
        CloseRemainingWindows();
        gExecutor.ClearTasks();
        ContractTest::TearDown();
    }
    // Runs the frames in the backend's loop; waits for the host's frames where it owns the loop.
    static void Run(plat::FrameProc frame, const std::function<bool()>& over)
    {
        plat::RunLoop(frame);
        if (HostOwnsTheLoop()) {
            EXPECT_TRUE(WaitUntil(over)) << "the host stopped running frames";
        }
        EXPECT_TRUE(over()) << "RunLoop returned before the last frame";
    }
};

TEST_F(Loop, RunLoopRunsFramesUntilOneSaysStop)
{
    Run(&CountedPasses, [] { return gPasses == 3; });
    EXPECT_EQ(gLog, (std::vector<std::string>{"pass 1", "pass 2", "pass 3"}));
}

// Logs what it sees when it runs: the fire button, the damped probe's pending impulses and the
// frame time.
DampedValue* gProbe = nullptr;
std::vector<int32_t> gFrameTimes;

class LogTask : public Executable {
public:
    LogTask() { gExecutor.AddTask(this); }
    void Run() override
    {
        gLog.push_back("task A=" + std::to_string(gInput.buttons[2]) +
                       " impulses=" + std::to_string(gProbe ? gProbe->input : -1));
        gFrameTimes.push_back(GetFrameTime());
    }
};

class LoopWindow : public Window {
public:
    LoopWindow() : Window(WindowCreateParams{"qb-loop", 640, 480, true, nullptr, false, 32}) {}
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

    int frames = 0;
    std::function<void(int)> onFrame;
};

// The game's frame on this backend: keys pressed during a frame are handled as messages before
// the next one, and read by its input before its tasks run; damped values take their impulses
// before the tasks; the frame time is measured after drawing. Escape deletes the window and
// the loop ends with 0 and an empty task list.
TEST_F(Loop, GameFramesKeepTheirOrderAndEndWithTheWindow)
{
    DampedValue probe;
    gProbe = &probe;
    gFrameTimes.clear();
    new LogTask;
    auto* w = new LoopWindow;
    plat::NativeWindow native = w->NativeHandle();
    ASSERT_NE(native, nullptr) << plat::LastError();
    ASSERT_TRUE(PressKey(native, 'B'));
    ASSERT_TRUE(ReleaseKey(native, 'B'));
    w->onFrame = [&](int frame) {
        if (frame == 1) {
            ASSERT_TRUE(PressKey(native, 'A'));
            probe.input = 3;
            LetTimePass(7);  // the frame's length, measured after drawing
        } else if (frame == 2) {
            ASSERT_TRUE(ReleaseKey(native, 'A'));
            ASSERT_TRUE(PressKey(native, plat::VK_ESCAPE_KEY));
        }
    };
    bool ended = false;
    int exitCode = -1;
    static std::function<bool()> frame;
    frame = [&] {
        if (RunOneFrame()) return true;
        ended = true;
        exitCode = MainLoopExitCode();
        return false;
    };
    Run([] { return frame(); }, [&] { return ended; });
    ReleaseKey(native, plat::VK_ESCAPE_KEY);

    const std::vector<std::string> expected = {
        "key 66", "task A=0 impulses=0", "frame",  // B before the first frame
        "key 65", "task A=1 impulses=0", "frame",  // A before the second, and read by it
        "key 27",  // Escape: the window is gone, no further frame
    };
    EXPECT_EQ(gLog, expected);
    ASSERT_EQ(gFrameTimes.size(), 2u);
    EXPECT_EQ(gFrameTimes[0], 1) << "before the first frame was measured";
    EXPECT_GE(gFrameTimes[1], 7) << "the first frame's length, its drawing included";
    EXPECT_EQ(exitCode, 0);
    EXPECT_TRUE(gExecutor.Tasks()->IsEmpty()) << "the task list is cleared at the end";
}

// A quit message ends the loop at once with its code and leaves the tasks alone.
TEST_F(Loop, QuitEndsAtOnceWithItsCode)
{
    new LogTask;
    auto* w = new LoopWindow;
    ASSERT_NE(w->NativeHandle(), nullptr) << plat::LastError();
    w->onFrame = [](int frame) {
        if (frame == 1) plat::PostQuit(3);
    };
    bool ended = false;
    int exitCode = -1;
    static std::function<bool()> frame;
    frame = [&] {
        if (RunOneFrame()) return true;
        ended = true;
        exitCode = MainLoopExitCode();
        return false;
    };
    Run([] { return frame(); }, [&] { return ended; });
    EXPECT_EQ(exitCode, 3);
    EXPECT_EQ(w->frames, 1);
    EXPECT_FALSE(gExecutor.Tasks()->IsEmpty()) << "the tasks are left for the program to end";
}

}  // namespace
}  // namespace contract
