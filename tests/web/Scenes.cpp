// SPDX-License-Identifier: MIT
#include "Scenes.h"

#include <cstdio>
#include <cstdlib>

#include "game/Application.h"
#include "game/MainWindow.h"
#include "platform/Platform.h"
#include "shell/Input.h"
#include "shell/Window.h"

namespace {

class Player {
public:
    explicit Player(SceneHost& host) : host_(host) {}

    // One pass of the program at the next tick.
    bool Frame()
    {
        host_.SetTicks(ticks_);
        ticks_ += 16;
        return RunOneFrame();
    }
    bool Frames(int n)
    {
        for (int i = 0; i < n; ++i)
            if (!Frame()) return false;
        return true;
    }
    // A press seen in one frame and let go in the next.
    bool Tap(int key)
    {
        host_.Key(key, true);
        if (!Frame()) return false;
        host_.Key(key, false);
        return Frame();
    }
    void JumpTo(uint32_t ticks) { ticks_ = ticks; }

private:
    SceneHost& host_;
    uint32_t ticks_ = 1000;
};

MainWindow* Game() { return dynamic_cast<MainWindow*>(WindowList::At(0)); }

int Fail(const char* what)
{
    std::fprintf(stderr, "scenes: %s\n", what);
    return 1;
}

}  // namespace

int PlayScenes(SceneHost& host, const std::string& archive)
{
    GameOptions options;
    options.seedGiven = true;
    options.seed = 7;
    options.mute = true;
    std::srand(options.seed);
    host.SetTicks(1000);
    ForgetKeyPresses();
    if (!InitApplication(options, archive)) return Fail("the game did not start");

    Player play(host);
    // The start screen: the ship turned by three frames, the prompt lit (ticks 1032)...
    if (!play.Frames(3)) return Fail("the start screen ended");
    host.Capture("start-screen");
    // ... and dark (ticks 1600).
    play.JumpTo(1600);
    if (!play.Frame()) return Fail("the start screen ended");
    host.Capture("start-screen-dark");

    // Enter starts the battle when it is let go.
    if (!play.Tap(plat::VK_RETURN_KEY)) return Fail("Enter ended the game");
    if (!Game() || Game()->GameState() != GAME_PLAYING) return Fail("Enter started no battle");
    // Thrust ahead, a volley, and its bolts in flight in the chase view.
    host.Key(plat::VK_UP_KEY, true);
    if (!play.Frames(20) || !play.Tap('A') || !play.Frames(6)) return Fail("the battle ended");
    host.Capture("battle-chase");
    // From the cockpit, then from above.
    if (!play.Tap(plat::VK_SPACE_KEY) || !play.Frames(2)) return Fail("the battle ended");
    host.Capture("battle-cockpit");
    if (!play.Tap(plat::VK_SPACE_KEY) || !play.Frames(2)) return Fail("the battle ended");
    host.Capture("battle-top");
    host.Key(plat::VK_UP_KEY, false);

    // Escape ends it.
    host.Key(plat::VK_ESCAPE_KEY, true);
    for (int i = 0; i < 3; ++i)
        if (!play.Frame()) return 0;
    return Fail("Escape did not end the game");
}
