// SPDX-License-Identifier: MIT
// The entry point of the game.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "assets/MediaArchive.h"
#include "game/Application.h"
#include "game/CommandLine.h"
#include "shell/Input.h"
#include "shell/Services.h"
#include "shell/TaskList.h"
#include "platform/Platform.h"
#include "shell/Window.h"

int main(int argc, char** argv)
{
    GameOptions options;
    std::string text;
    switch (ParseCommandLine(argc, argv, &options, &text)) {
        case CommandLineAction::Exit:
            std::fputs(text.c_str(), stdout);
            return 0;
        case CommandLineAction::Fail:
            std::fputs(text.c_str(), stderr);
            return 2;
        case CommandLineAction::Run:
            break;
    }
    RegisterGameArchive();
    std::string archive;
    if (!LocateArchive(options, plat::ExecutableDir(), MediaArchive::FileName(), &archive, &text)) {
        std::fputs(text.c_str(), stderr);
        return 2;
    }

    if (options.seedGiven) std::srand(options.seed);  // replays the battle of that seed
    else SeedRandom();
    ForgetKeyPresses();  // keys pressed before start-up do not count in the first frame
    if (!InitApplication(options, archive)) {
        const char* why = StartupFailure();
        std::fprintf(stderr, "quenbrill: %s\n", why ? why : "start-up failed");
        gExecutor.ClearTasks();
        return 1;
    }
    int code = RunMainLoop();
    // A browser comes back here before the first frame: its frames go on after main, and the
    // backend ends the program when they are over.
    if (!MainLoopOver()) return 0;
    // A quit message ends the loop with the window still open; close it before the static
    // objects (sounds, models) go away under a running sound device.
    CloseRemainingWindows();
    return code;
}
