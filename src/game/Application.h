// SPDX-License-Identifier: MIT
// Start-up and the frame loop. The entry point (shell/main.cpp) seeds the random generator,
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

// Handles every pending message, then runs one frame while a window is active (input, damped
// values, task pass, DrawAllWindows, frame time); waits for messages while none is active;
// ends when no window is left (clearing the task list, exit code 0) or at a quit message
// (its parameter, the task list untouched).
int RunMainLoop();

// After a quit message left windows behind: deletes them, so the game shuts its sound and
// OpenGL down before the program's static objects go, and lets their native windows close.
void CloseRemainingWindows();
