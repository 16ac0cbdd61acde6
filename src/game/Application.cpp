// SPDX-License-Identifier: MIT
#include "game/Application.h"

#include <algorithm>
#include <cstdio>

#include "assets/MediaArchive.h"
#include "game/Demo.h"
#include "game/MainWindow.h"
#include "math/DampedValue.h"
#include "platform/Platform.h"
#include "render/DrawBatch.h"
#include "shell/Input.h"
#include "shell/Services.h"
#include "shell/TaskList.h"
#include "shell/Window.h"

namespace {

GameOptions gOptions;

bool IsListed(const Window* window)
{
    for (int32_t i = 0; i < WindowList::Capacity(); ++i)
        if (WindowList::At(i) == window) return true;
    return false;
}

}  // namespace

const GameOptions& CurrentGameOptions() { return gOptions; }

int FittingScale(int asked, int usableWidth, int usableHeight)
{
    const int fits = std::min(usableWidth / 640, usableHeight / 480);
    return std::max(1, std::min(asked, fits));
}

bool InitApplication(const GameOptions& options, const std::string& archivePath)
{
    gOptions = options;
    int usableWidth = 0, usableHeight = 0;
    if (options.scale > 1 && plat::GetUsableScreenSize(&usableWidth, &usableHeight)) {
        gOptions.scale = FittingScale(options.scale, usableWidth, usableHeight);
        if (gOptions.scale != options.scale)
            std::fprintf(stderr,
                         "quenbrill: a %d x %d window (--scale %d) does not fit on the screen; "
                         "using --scale %d (%d x %d)\n",
                         640 * options.scale, 480 * options.scale, options.scale, gOptions.scale,
                         640 * gOptions.scale, 480 * gOptions.scale);
    }
    SetMaxFrameRate(options.maxFps);
    RegisterGameArchive();
    if (!archivePath.empty())
        MediaArchive::Open(archivePath.c_str(), MediaArchive::Key1(), MediaArchive::Key2());

    WindowCreateParams params;
    params.title = "Quenbrill";
    // The picture stays 640 x 480; a bigger window shows it scaled.
    params.width = 640 * gOptions.scale;
    params.height = 480 * gOptions.scale;
    params.noBackground = true;
    params.parent = nullptr;
    params.fullScreen = false;
    params.bitsPerPixel = 32;

    ClearStartupFailure();
    // The WindowList owns the window from its construction on (unless it has deleted itself
    // already), which the analyser cannot see.
    // NOLINTBEGIN(clang-analyzer-cplusplus.NewDeleteLeaks)
    MainWindow* window = new MainWindow(params);
    if (StartupFailure()) {
        // Without a window or a picture there is no game; going on would only fail in GL.
        if (IsListed(window)) delete window;
        return false;
    }
    return true;
    // NOLINTEND(clang-analyzer-cplusplus.NewDeleteLeaks)
}

namespace {

// What the loop keeps between two passes.
struct LoopState {
    bool running = false;  // a pass has run since the loop last ended
    uint32_t frameStart = 0;
    bool paused = false;
    int exitCode = 0;
    // Under a frame rate limit, frame k of the current second is due at secondStart +
    // k * 1000 / maxFps: a whole number of milliseconds that never drifts.
    uint32_t secondStart = 0;
    int framesInSecond = 0;
    bool over = false;  // a loop has ended and none started since
} gLoop;

int gMaxFps = 0;

bool EndLoop(int exitCode)
{
    gLoop = LoopState();
    gLoop.exitCode = DemoLoopEnded(exitCode);  // a demo is completed or says how it went
    gLoop.over = true;
    return false;
}

// Frames are counted from here on (start, return from a pause, falling behind).
void RestartFrameCount(uint32_t now)
{
    gLoop.secondStart = now;
    gLoop.framesInSecond = 0;
}

// Called once a frame has been drawn: sleeps until the next frame's turn under --max-fps. A
// frame that comes later than one period after its turn starts the count again, so a slow
// stretch is not made up for with a burst of frames.
void HoldFrameRate()
{
    if (gMaxFps <= 0) return;
    const uint32_t now = GetTicks();
    ++gLoop.framesInSecond;
    const uint32_t due =
        gLoop.secondStart + static_cast<uint32_t>(gLoop.framesInSecond * 1000 / gMaxFps);
    const int32_t early = static_cast<int32_t>(due - now);
    if (early > 0) plat::Sleep(static_cast<uint32_t>(early));
    else if (-early > 1000 / gMaxFps) RestartFrameCount(now);
    if (gLoop.framesInSecond >= gMaxFps) {
        gLoop.secondStart += 1000;
        gLoop.framesInSecond = 0;
    }
}

}  // namespace

bool RunOneFrame()
{
    if (!gLoop.running) {
        gLoop.running = true;
        gLoop.over = false;
        gLoop.frameStart = GetTicks();
        RestartFrameCount(gLoop.frameStart);
    }
    plat::Message msg;
    while (plat::PeekMessage(&msg, false)) {
        plat::PeekMessage(&msg, true);
        if (msg.message == plat::MSG_QUIT)
            return EndLoop(static_cast<int>(static_cast<intptr_t>(msg.wParam)));
        plat::TranslateMessage(msg);
        plat::DispatchMessage(msg);
    }
    if (AnyWindowActive()) {
        bool resumed = gLoop.paused;
        gLoop.paused = false;
        // A demo being recorded or played takes the clock and the input of the frame; a
        // playback may hold the frame back for its pace.
        if (!DemoBeginFrame(&resumed)) return true;
        if (resumed) {
            // Back from a pause: the time away is no frame time, or everything would
            // jump by the whole pause in the next frame.
            gLoop.frameStart = GetTicks();
            RestartFrameCount(gLoop.frameStart);
            ResetDampedValueClock();
        }
        ReadInput();
        UpdateDampedValues();
        // The ships and hit spheres of the pass go to GL together at its end.
        BeginDrawBatch();
        gExecutor.Run();
        EndDrawBatch();
        DrawAllWindows();
        HoldFrameRate();
        DemoFrameDrawn();
        // The time between the ends of two frames, message handling included; a stall
        // counts as a frame of kMaxMotionFrameMs, as a pause counts as none.
        const uint32_t elapsed = GetTicks() - gLoop.frameStart;
        SetFrameTime(static_cast<int32_t>(
            std::min<uint32_t>(elapsed, static_cast<uint32_t>(kMaxMotionFrameMs))));
        gLoop.frameStart = GetTicks();
        return true;
    }
    if (AnyWindowRegistered()) {
        gLoop.paused = true;
        plat::WaitMessage();
        return true;
    }
    gExecutor.ClearTasks();
    return EndLoop(0);
}

int MainLoopExitCode() { return gLoop.exitCode; }

void SetMaxFrameRate(int fps) { gMaxFps = fps > 0 ? fps : 0; }

bool MainLoopOver() { return gLoop.over; }

int RunMainLoop()
{
    plat::RunLoop(&RunOneFrame);
    return MainLoopExitCode();
}

void CloseRemainingWindows()
{
    for (int32_t i = 0; i < WindowList::Capacity(); ++i) {
        if (Window* w = WindowList::At(i)) {
            delete w;
            i = -1;  // the list may have shrunk; look again from the start
        }
    }
    // The closes the windows posted destroy their native windows; nothing else is handled.
    plat::Message msg;
    while (plat::PeekMessage(&msg, true))
        if (msg.message == plat::MSG_CLOSE) plat::DispatchMessage(msg);
}
