// SPDX-License-Identifier: MIT
#include "game/Application.h"

#include "assets/MediaArchive.h"
#include "game/MainWindow.h"
#include "math/DampedValue.h"
#include "platform/Platform.h"
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

bool InitApplication(const GameOptions& options, const std::string& archivePath)
{
    gOptions = options;
    RegisterGameArchive();
    if (!archivePath.empty())
        MediaArchive::Open(archivePath.c_str(), MediaArchive::Key1(), MediaArchive::Key2());

    WindowCreateParams params;
    params.title = "Quenbrill";
    // The picture stays 640 x 480; a bigger window shows it scaled.
    params.width = 640 * options.scale;
    params.height = 480 * options.scale;
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
    bool over = false;  // a loop has ended and none started since
} gLoop;

bool EndLoop(int exitCode)
{
    gLoop = LoopState();
    gLoop.exitCode = exitCode;
    gLoop.over = true;
    return false;
}

}  // namespace

bool RunOneFrame()
{
    if (!gLoop.running) {
        gLoop.running = true;
        gLoop.over = false;
        gLoop.frameStart = GetTicks();
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
        if (gLoop.paused) {
            // Back from a pause: the time away is no frame time, or everything would
            // jump by the whole pause in the next frame.
            gLoop.frameStart = GetTicks();
            ResetDampedValueClock();
            gLoop.paused = false;
        }
        ReadInput();
        UpdateDampedValues();
        gExecutor.Run();
        DrawAllWindows();
        // The time between the ends of two frames, message handling included.
        SetFrameTime(static_cast<int32_t>(GetTicks() - gLoop.frameStart));
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
