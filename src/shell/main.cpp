// The entry point of the game.
#include <cstdio>

#include "game/Application.h"
#include "shell/Input.h"
#include "shell/Services.h"
#include "shell/TaskList.h"
#include "shell/Window.h"

int main(int, char**) {
    SeedRandom();
    ForgetKeyPresses();   // keys pressed before start-up do not count in the first frame
    if (!InitApplication()) {
        const char* why = StartupFailure();
        std::fprintf(stderr, "quenbrill: %s\n", why ? why : "start-up failed");
        gExecutor.ClearTasks();
        return 1;
    }
    int code = RunMainLoop();
    // A quit message ends the loop with the window still open; close it before the static
    // objects (sounds, models) go away under a running sound device.
    CloseRemainingWindows();
    return code;
}
