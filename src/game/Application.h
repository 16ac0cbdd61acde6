// SPDX-License-Identifier: MIT
// Start-up and the frame loop. The entry point (game/main.cpp) seeds the random generator,
// forgets earlier key presses, calls InitApplication and then RunMainLoop.
#pragma once

#include <string>

#include "game/CommandLine.h"

// Registers the media archive (at archivePath; empty: "ZabroData.arc" in the working
// directory) and creates the game window as the options ask. False when the window or its
// OpenGL context could not be made (StartupFailure() says which); the window is gone then.
bool InitApplication(const GameOptions& options = GameOptions(),
                     const std::string& archivePath = "");
// The options InitApplication was given (the window reads sound, vsync and full screen there).
const GameOptions& CurrentGameOptions();

// The largest --scale up to asked whose window (N x 640 x 480) fits a usable screen of
// width x height; at least 1.
int FittingScale(int asked, int usableWidth, int usableHeight);

// At most fps frames a second from the next frame on: RunOneFrame sleeps (plat::Sleep) until
// the frame's turn. 0 runs frames back to back. InitApplication sets it from --max-fps.
void SetMaxFrameRate(int fps);

// One pass of the frame loop: handles every pending message, then runs one frame while a
// window is active (input, damped values, task pass, DrawAllWindows, frame time), or waits for
// a message while none is. False when the program is over: no window is left (the task list
// is cleared, exit code 0) or a quit message came (its parameter is the exit code, the task
// list is untouched). A pause (no active window) does not count as frame time. Under a frame
// rate limit the wait after drawing is part of the frame's time.
bool RunOneFrame();
// The exit code of the loop that RunOneFrame ended (0 before).
int MainLoopExitCode();
// RunOneFrame has ended a loop and none has started since. A backend whose host owns the loop
// (a browser) returns from RunLoop before the first frame: then it is false.
bool MainLoopOver();

// Runs RunOneFrame in the platform's frame loop (plat::RunLoop) and returns MainLoopExitCode().
int RunMainLoop();

// After a quit message left windows behind: deletes them, so the game shuts its sound and
// OpenGL down before the program's static objects go, and lets their native windows close.
void CloseRemainingWindows();
