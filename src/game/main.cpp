// SPDX-License-Identifier: MIT
// The entry point of the game.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "assets/MediaArchive.h"
#include "game/Application.h"
#include "game/CommandLine.h"
#include "game/Demo.h"
#include "game/PlayerMessages.h"
#include "platform/Files.h"
#include "shell/Input.h"
#include "shell/Services.h"
#include "shell/TaskList.h"
#include "platform/Platform.h"
#include "shell/Window.h"

int main(int argc, char** argv)
{
    argv = plat::Utf8Argv(argc, argv);
    GameOptions options;
    std::string text;
    switch (ParseCommandLine(argc, argv, &options, &text)) {
        case CommandLineAction::Exit:
            return ShowPlayerText(text);
        case CommandLineAction::Fail:
            ReportProblem(plat::Notice::Error, text);
            return 2;
        case CommandLineAction::Run:
            break;
    }
    RegisterGameArchive();
    std::string archive;
    const bool located = LocateArchive(options, plat::ExecutableDir(), MediaArchive::FileName(),
                                       MediaArchive::TotalSize(), &archive, &text);
    if (!located) {
        ReportProblem(plat::Notice::Error, text);
        return 2;
    }
    // The places skipped on the way: the game goes on with the one it found.
    if (!text.empty()) plat::ConsolePrint(text.c_str(), true);

    // A demo to record or play names the seed (before anything draws from it).
    if (int status = StartDemo(&options, archive, &text)) {
        ReportProblem(plat::Notice::Error, text);
        return status;
    }
    if (options.seedGiven) std::srand(options.seed);  // replays the battle of that seed
    else SeedRandom();
    ForgetKeyPresses();  // keys pressed before start-up do not count in the first frame
    if (!InitApplication(options, archive)) {
        const char* why = StartupFailure();
        ReportProblem(plat::Notice::Error,
                      std::string("quenbrill: ") + (why ? why : "start-up failed") + "\n");
        FinishDemo();
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
