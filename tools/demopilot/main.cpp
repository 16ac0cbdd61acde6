// SPDX-License-Identifier: MIT
// quenbrill-demo-pilot OUT.qbd [--seconds N] [--seed N]
// Records a demo of the real game, run on the fake platform with an offscreen GL context: the
// frames come at 60 a second with the small unevenness of a real machine (now and then one
// late), and a pilot plays it as a person would: it waits a moment on the start screen, holds
// Enter for a few frames, then watches the battle and presses the arrows, A and Space. It
// decides only every 150 to 280 ms (a person's reaction), holds keys between decisions (so its
// turns overshoot a little), taps A for a few frames when a target sits on the nose, turns
// away after being hit, backs off when something blocks it, and looks from the cockpit and
// from above for a while. After the given seconds of battle it presses Escape.
//
// Run it in the build folder (it reads ZabroData.arc there). Its choices come from a generator
// of its own, never from the game's, so the same build always records the same demo.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "entities/GameEntity.h"
#include "entities/XWing.h"
#include "game/Application.h"
#include "game/CommandLine.h"
#include "game/Demo.h"
#include "platform/FakePlatform.h"
#include "shell/Input.h"
#include "shell/TaskList.h"
#include "shell/Window.h"

namespace {

// The pilot's own dice (xorshift).
struct Dice {
    uint32_t state = 0x9e3779b9u;
    uint32_t Next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    int Between(int lo, int hi) { return lo + static_cast<int>(Next() % uint32_t(hi - lo + 1)); }
    bool Chance(int percent) { return Between(1, 100) <= percent; }
};

XWing* Ship()
{
    TaskIterator cursor(gExecutor.Tasks());
    while (Executable* task = cursor.Next())
        if (auto* ship = dynamic_cast<XWing*>(RunningEntity(task))) return ship;
    return nullptr;
}

// Degrees from the ship's heading to the ground-plane direction of rel, positive to the right.
float Bearing(const GameEntity3D& ship, float dx, float dz)
{
    const float cross = ship.forward.x * dz - ship.forward.z * dx;
    const float dot = ship.forward.x * dx + ship.forward.z * dz;
    return std::atan2(cross, dot) * 57.29578f;
}

class Pilot {
public:
    // Keys for the frame that begins after now (ms since the recording began).
    void Fly(uint32_t now)
    {
        XWing* ship = Ship();
        if (!started) {
            // The start screen: a look at the picture, then Enter held for a few frames.
            if (now >= 1200 && now < 1200 + enterMs) keys.enter = true;
            else if (now >= 1200 + enterMs) {
                keys.enter = false;
                started = ship != nullptr;
                battleStart = now;
            }
            Press();
            return;
        }
        if (!ship) {  // shot down: the battle goes on without us; a look around now and then
            keys = Keys();
            if (now >= nextDecision) {
                keys.view = true;
                nextDecision = now + 4000;
            }
            Press();
            return;
        }
        Views(now);
        if (now >= fireUntil) keys.fire = false;
        if (now >= turnUntil) keys.left = keys.right = false;
        if (now >= nextDecision) {
            Decide(*ship, now);
            nextDecision = now + static_cast<uint32_t>(dice.Between(150, 280));
        }
        Press();
    }

    bool started = false;
    uint32_t battleStart = 0;
    int volleys = 0;

private:
    struct Keys {
        bool up = false, down = false, left = false, right = false, fire = false, view = false,
             enter = false;
    };

    void Decide(XWing& ship, uint32_t now)
    {
        if (ship.hitPoints < lastHitPoints) {
            // Hit: turn hard away for a moment.
            evadeUntil = now + static_cast<uint32_t>(dice.Between(400, 700));
            evadeRight = dice.Chance(50);
        }
        lastHitPoints = ship.hitPoints;
        if (ship.blockedBy != 0) backOffUntil = now + 600;

        keys.up = keys.down = keys.left = keys.right = false;
        turnUntil = UINT32_MAX;
        if (now < backOffUntil) {
            keys.down = true;
            keys.left = true;
            return;
        }
        if (now < evadeUntil) {
            keys.up = true;
            (evadeRight ? keys.right : keys.left) = true;
            return;
        }
        const GameEntity3D* target = Target(ship);
        if (!target) {
            keys.up = dice.Chance(60);
            return;
        }
        const float dx = target->position.x - ship.position.x;
        const float dz = target->position.z - ship.position.z;
        const float distance = std::hypot(dx, dz);
        const float bearing = Bearing(ship, dx, dz) + aimError;
        // A wide turn is held until the next look; a small one is a short press, longer the
        // further there is to go.
        const float slack = 3.0f;
        keys.right = bearing > slack;
        keys.left = bearing < -slack;
        turnUntil = std::fabs(bearing) > 30.0f
                        ? UINT32_MAX
                        : now + static_cast<uint32_t>(std::fabs(bearing) * 5.0f);
        const float keepOff = target->team == TEAM_FACTORY ? 140.0f : 70.0f;
        keys.up = distance > keepOff && std::fabs(bearing) < 100.0f;
        keys.down = distance < keepOff - 40.0f;
        const bool onTheNose = std::fabs(bearing) <
                               std::fmax(5.0f, std::atan2(target->radius, distance) * 57.3f + 2.0f);
        if (onTheNose && distance < 330.0f && now >= nextVolley && !keys.fire) {
            keys.fire = true;
            fireUntil = now + static_cast<uint32_t>(dice.Between(60, 130));
            nextVolley = fireUntil + static_cast<uint32_t>(dice.Between(120, 300));
            ++volleys;
            aimError =
                static_cast<float>(dice.Between(-30, 30)) / 10.0f;  // the next aim is off a bit
        }
    }

    // The nearest fighter, or a factory when no fighter is near; kept for a while once chosen.
    const GameEntity3D* Target(const XWing& ship)
    {
        const GameEntity3D* kept = FindRunningEntity(targetSerial);
        if (kept && kept->hitPoints >= 1 && --keepFor > 0) return kept;
        const GameEntity3D* best = nullptr;
        float bestScore = 1e9f;
        TaskIterator cursor(gExecutor.Tasks());
        while (Executable* task = cursor.Next()) {
            const GameEntity3D* e = RunningEntity(task);
            if (!e || e->hitPoints < 1 || (e->team != TEAM_FIGHTER && e->team != TEAM_FACTORY))
                continue;
            float score =
                std::hypot(e->position.x - ship.position.x, e->position.z - ship.position.z);
            if (e->team == TEAM_FACTORY) score += 250.0f;  // fighters first
            if (score < bestScore) {
                bestScore = score;
                best = e;
            }
        }
        targetSerial = best ? best->serial : 0;
        keepFor = dice.Between(8, 20);
        return best;
    }

    // A look from the cockpit at 20 s of battle, from above at 32 s, back to the chase at 40 s.
    void Views(uint32_t now)
    {
        static const uint32_t kAt[] = {20000u, 32000u, 40000u};
        keys.view = viewsDone < 3 && now - battleStart >= kAt[viewsDone];
        if (keys.view) ++viewsDone;
    }

    void Press()
    {
        using plat::fake::SetKeyDown;
        SetKeyDown(plat::VK_UP_KEY, keys.up);
        SetKeyDown(plat::VK_DOWN_KEY, keys.down);
        SetKeyDown(plat::VK_LEFT_KEY, keys.left);
        SetKeyDown(plat::VK_RIGHT_KEY, keys.right);
        SetKeyDown('A', keys.fire);
        SetKeyDown(plat::VK_SPACE_KEY, keys.view);
        SetKeyDown(plat::VK_RETURN_KEY, keys.enter);
    }

    Dice dice;
    Keys keys;
    uint32_t enterMs = 110;
    uint32_t nextDecision = 0, fireUntil = 0, nextVolley = 0, turnUntil = 0, evadeUntil = 0,
             backOffUntil = 0;
    bool evadeRight = false;
    int32_t lastHitPoints = 1 << 30;
    uint32_t targetSerial = 0;
    int keepFor = 0;
    float aimError = 0.0f;
    int viewsDone = 0;
};

// How the battle stands: what is left of it, and of the ship.
void Report(const Pilot& pilot)
{
    int fighters = 0, factories = 0, hitPoints = 0;
    TaskIterator cursor(gExecutor.Tasks());
    while (Executable* task = cursor.Next()) {
        const GameEntity3D* e = RunningEntity(task);
        if (!e) continue;
        fighters += e->team == TEAM_FIGHTER;
        factories += e->team == TEAM_FACTORY;
        if (dynamic_cast<const XWing*>(e)) hitPoints = e->hitPoints;
    }
    std::printf("after %d volleys: %d fighters and %d factories left, the ship has %d hit points\n",
                pilot.volleys, fighters, factories, hitPoints);
}

bool Number(const char* text, unsigned long* out)
{
    char* end = nullptr;
    *out = std::strtoul(text, &end, 10);
    return text[0] != '\0' && *end == '\0';
}

}  // namespace

int main(int argc, char** argv)
{
    std::string out;
    unsigned long seconds = 60, seed = 2026;
    for (int i = 1; i < argc; ++i) {
        unsigned long* number = !std::strcmp(argv[i], "--seconds") ? &seconds
                                : !std::strcmp(argv[i], "--seed")  ? &seed
                                                                   : nullptr;
        if (number && i + 1 < argc && Number(argv[i + 1], number)) ++i;
        else if (argv[i][0] != '-' && out.empty()) out = argv[i];
        else out.clear(), i = argc;
    }
    if (out.empty()) {
        std::fprintf(stderr, "usage: quenbrill-demo-pilot OUT.qbd [--seconds N] [--seed N]\n");
        return 2;
    }

    plat::fake::Reset();
    const uint32_t origin = 7340000;  // any clock reading will do; the game only reads differences
    plat::fake::SetTicks(origin);
    GameOptions options;
    options.demoMode = DemoMode::Record;
    options.demoFile = out;
    options.seedGiven = true;
    options.seed = static_cast<uint32_t>(seed);
    options.mute = true;
    std::string error;
    if (int status = StartDemo(&options, "ZabroData.arc", &error)) {
        std::fputs(error.c_str(), stderr);
        return status;
    }
    std::srand(options.seed);
    ForgetKeyPresses();
    if (!InitApplication(options, "ZabroData.arc")) {
        std::fprintf(stderr, "quenbrill-demo-pilot: %s\n", StartupFailure());
        FinishDemo();
        return 1;
    }

    // A 60 Hz display: frames of 16 or 17 ms, now and then one of 33 ms; 1 or 2 ms of each
    // pass goes to the messages, the rest to the picture.
    Pilot pilot;
    Dice frames;
    frames.state = 0x1234567u;
    bool quitting = false;
    for (;;) {
        const uint32_t now = plat::Ticks() - origin;
        const uint32_t frameMs = frames.Chance(3) ? 33u : (frames.Chance(66) ? 17u : 16u);
        const uint32_t messagesMs = static_cast<uint32_t>(frames.Between(1, 2));
        plat::fake::AdvanceTicks(messagesMs);
        plat::fake::SetSwapTicks(frameMs - messagesMs);
        pilot.Fly(now);
        if (!quitting && pilot.started && now - pilot.battleStart >= seconds * 1000) {
            Report(pilot);
            plat::fake::PushMessage(
                {plat::fake::LastCreatedWindow(), plat::MSG_KEYDOWN, plat::VK_ESCAPE_KEY, 0});
            quitting = true;
        }
        if (!RunOneFrame()) break;
    }
    CloseRemainingWindows();
    return MainLoopExitCode();
}
