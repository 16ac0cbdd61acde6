// SPDX-License-Identifier: MIT
// The real battle, played through the frame loop on the fake platform with the game's own
// media: volleys hit what lies ahead, and an autopilot pressing the player's keys wins.
//
// The battle runs through RunMainLoop with a stand-in for the game window (the real one needs
// a GL context): the same frame order of messages, input, damped values, tasks and frame
// time, with the fake clock moved on by a fixed frame length in each frame.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <set>
#include <string>

#include "entities/ArchiveMedia.h"
#include "entities/EntityTestKit.h"
#include "game/Application.h"
#include "game/MainWindow.h"
#include "shell/Window.h"

namespace {

// The game window's place in the loop, without the drawing: particles, then the clock moves
// on by the frame length, then whoever watches the battle looks at it (and may press keys).
class BattleWindow : public Window {
public:
    BattleWindow(uint32_t frameMs, std::function<void()> watch)
        : Window(WindowCreateParams()), ms(frameMs), onFrame(std::move(watch))
    {
    }
    void OnEvent(int32_t kind, int32_t code, int32_t) override
    {
        if (kind == EVENT_KEY && code == plat::VK_ESCAPE_KEY) delete this;
    }
    void Frame() override
    {
        TickParticles();
        plat::fake::AdvanceTicks(ms);
        onFrame();
    }
    void Post(uint32_t message, uintptr_t wParam)
    {
        plat::fake::PushMessage({NativeHandle(), message, wParam, 0});
    }
    void Quit() { Post(plat::MSG_KEYDOWN, plat::VK_ESCAPE_KEY); }

private:
    uint32_t ms;
    std::function<void()> onFrame;
};

XWing* PlayerShip()
{
    std::vector<XWing*> ships = kit::Tasks<XWing>();
    return ships.empty() ? nullptr : ships.front();
}

// Signed ground-plane angle in degrees from the ship's heading to the direction of rel:
// positive is to the right (the way a positive turn rate turns).
float BearingTo(const GameEntity3D& ship, const Vector3D& rel)
{
    float cross = ship.forward.x * rel.z - ship.forward.z * rel.x;
    float dot = ship.forward.x * rel.x + ship.forward.z * rel.z;
    return static_cast<float>(std::atan2(cross, dot) * 57.29578);
}

// What a player does with the arrow keys and A: turn toward the nearest fighter or factory,
// close in, fire when the target lies on the nose. Backs off and turns away when something
// blocks the ship.
class Autopilot {
public:
    explicit Autopilot(uint32_t frameMs) : ms(frameMs) {}

    void Fly(XWing& ship)
    {
        bool up = false, down = false, left = false, right = false, fire = false;
        clock += ms;
        GameEntity3D* target = Nearest(ship);
        if (ship.blockedBy != 0) backOffUntil = clock + 700;
        if (clock < backOffUntil) {
            down = true;
            right = true;
        } else if (target) {
            Vector3D rel = target->position - ship.position;
            float distance = std::hypot(rel.x, rel.z);
            float bearing = BearingTo(ship, rel);
            // Ease off the turn in time: the angle still covered when braking now.
            float rate = ship.turnRate.value;
            float braking = rate * std::fabs(rate) / (2.0f * 0.0012f);
            right = bearing - braking > 1.0f;
            left = bearing - braking < -1.0f;
            bool factory = target->team == TEAM_FACTORY;
            float keepOff = factory ? 130.0f : 50.0f;
            up = distance > keepOff;
            down = distance < keepOff - 30.0f && ship.forwardSpeed.value > 0.0f;
            float onTheNose = std::fmax(1.5f, std::atan2(target->radius, distance) * 57.29578f);
            fire = std::fabs(bearing) < onTheNose && distance < 320.0f && clock - lastVolley >= 150;
        }
        if (fire && !fireHeld) {
            lastVolley = clock;
            ++volleys;
        } else {
            fire = false;  // one press per volley: release before the next
        }
        fireHeld = fire;
        plat::fake::SetKeyDown(plat::VK_UP_KEY, up);
        plat::fake::SetKeyDown(plat::VK_DOWN_KEY, down);
        plat::fake::SetKeyDown(plat::VK_LEFT_KEY, left);
        plat::fake::SetKeyDown(plat::VK_RIGHT_KEY, right);
        plat::fake::SetKeyDown('A', fire);
    }

    int volleys = 0;

private:
    static GameEntity3D* Nearest(const XWing& ship)
    {
        GameEntity3D* best = nullptr;
        float bestDistance = 1e9f;
        TaskIterator cursor(gExecutor.Tasks());
        while (Executable* task = cursor.Next()) {
            GameEntity3D* e = RunningEntity(task);
            if (!e || (e->team != TEAM_FIGHTER && e->team != TEAM_FACTORY) || e->hitPoints < 1)
                continue;
            float d = std::hypot(e->position.x - ship.position.x, e->position.z - ship.position.z);
            if (d < bestDistance) {
                bestDistance = d;
                best = e;
            }
        }
        return best;
    }

    uint32_t ms;
    uint32_t clock = 0, lastVolley = 0, backOffUntil = 0;
    bool fireHeld = false;
};

// Runs a function as the last task of every pass (it is older than every entity).
class LastInPass : public Executable {
public:
    explicit LastInPass(std::function<void()> look) : Executable(0), f(std::move(look))
    {
        gExecutor.AddTask(this);
    }
    void Run() override { f(); }

private:
    std::function<void()> f;
};

// Who destroyed what, and what hurt the player's ship.
struct Tally {
    int fightersByPlayer = 0, factoriesByPlayer = 0, fightersByOthers = 0, factoriesByOthers = 0;
    int shipHits = 0, shipHitsFromOwnBolts = 0;
    int32_t shipHitPoints = 1000;
    std::set<uint32_t> counted;

    void Look(const XWing* ship, uint32_t shipSerial)
    {
        TaskIterator cursor(gExecutor.Tasks());
        while (Executable* task = cursor.Next()) {
            // Destroyed entities are still listed (finished or not) until the pass ends.
            if (!task->HasKindAt(kGameEntityKind, 0)) continue;
            auto* e = static_cast<GameEntity3D*>(task);
            if (e->hitPoints >= 1 || counted.count(e->serial)) continue;
            counted.insert(e->serial);
            bool player = e->lastHitBy == shipSerial;
            if (e->team == TEAM_FIGHTER) ++(player ? fightersByPlayer : fightersByOthers);
            else if (e->team == TEAM_FACTORY) ++(player ? factoriesByPlayer : factoriesByOthers);
        }
        if (ship && ship->hitPoints < shipHitPoints) {
            shipHits += (shipHitPoints - ship->hitPoints) / 100;
            if (ship->lastHitBy == shipSerial) ++shipHitsFromOwnBolts;
            shipHitPoints = ship->hitPoints;
        }
    }
};

// The entity world of the kit with the game's real models and sounds in place of its own.
class BattleTest : public kit::World {
protected:
    void SetUp() override
    {
        World::SetUp();
        SetFrameTime(1);
        std::string why;
        ASSERT_TRUE(media::LoadGameMedia(&why)) << why;
    }

    void TearDown() override
    {
        CloseRemainingWindows();
        World::TearDown();
        MediaArchive::Reset();
    }

    // Plays a new battle (seed 1) for at most limitMs of game time with frames of frameMs;
    // pilot (may be empty) presses keys after every frame. Stops early once done says so.
    Tally Play(uint32_t frameMs, uint32_t limitMs, std::function<void(XWing&)> pilot,
               std::function<bool(const Tally&)> done)
    {
        SetFrameTime(static_cast<int32_t>(frameMs));
        Tally tally;
        uint32_t shipSerial = 0;
        new LastInPass([&] { tally.Look(PlayerShip(), shipSerial); });
        std::srand(1);
        SpawnBattle();
        XWing* ship = PlayerShip();
        shipSerial = ship ? ship->serial : 0;
        uint32_t elapsed = 0;
        BattleWindow* window = nullptr;
        window = new BattleWindow(frameMs, [&] {
            elapsed += frameMs;
            XWing* now = PlayerShip();
            if (elapsed >= limitMs || (done && done(tally))) {
                window->Quit();
                return;
            }
            if (now && pilot) pilot(*now);
        });
        EXPECT_EQ(RunMainLoop(), 0);
        played = elapsed;
        return tally;
    }

    uint32_t played = 0;
};

// One volley from the player's ship at (0, 25, 0) heading +x, fired in the first frame, then
// the frames of flight; the damage the target took.
int32_t VolleyDamage(GameEntity3D& target, uint32_t ms)
{
    int32_t before = target.hitPoints;
    for (uint32_t t = 0; t < 900; t += ms) {
        plat::fake::SetKeyDown('A', t == 0);
        ReadInput();
        UpdateDampedValues();
        gExecutor.Run();
        plat::fake::AdvanceTicks(ms);
        SetFrameTime(static_cast<int32_t>(ms));
    }
    return before - target.hitPoints;
}

TEST_F(BattleTest, AVolleyHitsAFighterStandingDeadAheadFrom80To300)
{
    for (uint32_t ms : {16u, 33u}) {
        for (int d = 80; d <= 300; ++d) {
            SetFrameTime(static_cast<int32_t>(ms));
            new XWing({0, 25, 0}, 0.0f);
            // Facing away, so it neither fires back nor (with no thrust or turn) moves.
            auto* fighter = new TieFighter({static_cast<float>(d), 25, 0}, 0.0f);
            fighter->forwardSpeed.Configure(0.0f, 4.0f, 0.0f);
            fighter->turnRate.Configure(0.0f, 4.0f, 0.0f);
            ASSERT_GE(VolleyDamage(*fighter, ms), 100)
                << d << " units ahead, " << ms << " ms frames";
            gExecutor.ClearTasks();
        }
    }
}

TEST_F(BattleTest, ALevelVolleyOverAFactoryHitsIt)
{
    for (uint32_t ms : {16u, 33u, 50u}) {
        for (float d : {60.0f, 120.0f, 200.0f, 280.0f}) {
            SetFrameTime(static_cast<int32_t>(ms));
            new XWing({0, 25, 0}, 0.0f);
            auto* factory = new Factory({d, 0, 0});
            EXPECT_GE(VolleyDamage(*factory, ms), 100)
                << d << " units ahead, " << ms << " ms frames";
            gExecutor.ClearTasks();
        }
    }
}

TEST_F(BattleTest, AutopilotWinsAtShortAndLongFrames)
{
    for (uint32_t ms : {16u, 33u}) {
        Autopilot pilot(ms);
        Tally t = Play(
            ms, 180000, [&](XWing& ship) { pilot.Fly(ship); }, nullptr);
        std::printf(
            "%u ms frames: after %.1f s and %d volleys the autopilot destroyed %d fighters and "
            "%d factories; others destroyed %d fighters and %d factories; the ship took %d "
            "hits (%d from its own bolts), %d hit points left\n",
            ms, played / 1000.0, pilot.volleys, t.fightersByPlayer, t.factoriesByPlayer,
            t.fightersByOthers, t.factoriesByOthers, t.shipHits, t.shipHitsFromOwnBolts,
            t.shipHitPoints);
        EXPECT_GE(t.fightersByPlayer, 3) << ms;
        EXPECT_GE(t.factoriesByPlayer, 1) << ms;
        EXPECT_EQ(t.shipHitsFromOwnBolts, 0) << ms;
        gExecutor.ClearTasks();
        std::string why;
        ASSERT_TRUE(media::LoadGameMedia(&why)) << why;  // fresh sounds: the last game's are gone
    }
}

TEST_F(BattleTest, APauseOf20sMovesNothingFurtherThanOneFrame)
{
    // The ship flies at full speed and the fighters at theirs; after frame 30 the game loses
    // the focus for 20 s. Nothing may then move farther in a frame than in a 16 ms one.
    SetFrameTime(16);
    std::srand(1);
    SpawnBattle();
    plat::fake::SetKeyDown(plat::VK_UP_KEY, true);
    std::map<uint32_t, Vector3D> before;
    float farthest = 0.0f;
    int frames = 0;
    BattleWindow* window = nullptr;
    auto places = [] {
        std::map<uint32_t, Vector3D> at;
        for (XWing* ship : kit::Tasks<XWing>()) at[ship->serial] = ship->position;
        for (TieFighter* fighter : kit::Tasks<TieFighter>())
            at[fighter->serial] = fighter->position;
        return at;
    };
    window = new BattleWindow(16, [&] {
        ++frames;
        std::map<uint32_t, Vector3D> now = places();
        if (frames > 30) {
            for (const auto& [serial, p] : now)
                if (before.count(serial))
                    farthest = std::fmax(farthest, Distance(p, before[serial]));
        }
        before = now;
        if (frames == 30) window->Post(plat::MSG_ACTIVATEAPP, 0);
        if (frames == 33) window->Quit();
    });
    plat::fake::SetWaitHook([&] {
        plat::fake::AdvanceTicks(20000);
        window->Post(plat::MSG_ACTIVATEAPP, 1);
    });
    EXPECT_EQ(RunMainLoop(), 0);
    EXPECT_EQ(frames, 33);
    EXPECT_GT(farthest, 1.5f);  // things do move: the fighters' 16 ms step is 2.08
    EXPECT_LE(farthest, 0.15f * 16 + 0.01f);  // the ship's top speed over 16 ms
}

TEST_F(BattleTest, LeftAloneTheEnemiesFightOnAmongThemselves)
{
    Tally t = Play(16, 180000, nullptr, nullptr);
    std::printf(
        "16 ms frames, nobody at the keys for %.0f s: the enemies' own fire destroyed %d "
        "fighters and %d factories; the ship took %d hits\n",
        played / 1000.0, t.fightersByOthers, t.factoriesByOthers, t.shipHits);
    // The enemies' bolts destroy what they hit (the fighters fire at the factories and
    // across each other's way); nothing is put down to the player, who never fired.
    EXPECT_GE(t.fightersByOthers + t.factoriesByOthers, 1);
    EXPECT_EQ(t.fightersByPlayer + t.factoriesByPlayer, 0);
    EXPECT_EQ(t.shipHitsFromOwnBolts, 0);
}

}  // namespace
