// SPDX-License-Identifier: MIT
// The player ship, the enemy fighter, the factory and the explosion a ship leaves.
#include <cmath>
#include <utility>
#include <vector>

#include "EntityTestKit.h"

using kit::Probe;
using kit::World;

namespace {

const int kTeamNobody = 7;  // probes that fighters neither steer by nor shoot at

std::vector<Laser*> LasersWithTrail(int8_t preset)
{
    std::vector<Laser*> found;
    for (Laser* l : kit::Tasks<Laser>(false)) {
        if (l->trailPreset == preset) found.push_back(l);
    }
    return found;
}

void ExpectNear(const Vector3D& a, const Vector3D& b, float tolerance = 1e-4f)
{
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

// The bolts, whatever their order in the task list, left from exactly these muzzles (their
// position less the way flown along direction since).
void ExpectFromMuzzles(const std::vector<Laser*>& bolts, std::vector<Vector3D> muzzles,
                       const Vector3D& direction)
{
    ASSERT_EQ(bolts.size(), muzzles.size());
    for (Laser* b : bolts) {
        Vector3D unit = direction;
        Normalize(unit);
        bool matched = false;
        for (size_t i = 0; i < muzzles.size() && !matched; ++i) {
            Vector3D flown = b->position - muzzles[i];
            float along = Dot(flown, unit);
            if (Distance(flown, unit * along) < 1e-3f && along >= -1e-3f) {
                muzzles.erase(muzzles.begin() + static_cast<long>(i));
                matched = true;
            }
        }
        EXPECT_TRUE(matched) << b->position.x << " " << b->position.y << " " << b->position.z;
        ExpectNear(b->forward, direction, 1e-5f);
    }
}

// ---- player ship ----------------------------------------------------------------------------

class XWingTest : public World {};

TEST_F(XWingTest, ThrustReachesTopSpeedIn400msAndDecaysAfterRelease)
{
    XWing* ship = new XWing({0, 25, 0}, 0.0f);
    Key(plat::VK_UP_KEY, true);
    Frames(21, 20);  // frames at 0 ... 400 ms: the last one has taken in 20 impulses
    EXPECT_NEAR(ship->forwardSpeed.value, 0.15f, 1e-6f);
    Frames(10, 20);
    EXPECT_NEAR(ship->forwardSpeed.value, 0.15f, 1e-6f);
    Key(plat::VK_UP_KEY, false);  // the frame at 620 ms is the first without thrust
    Frames(31, 20);  // ... through the frame at 1220 ms
    EXPECT_NEAR(ship->forwardSpeed.value, 0.075f, 1e-6f);
    EXPECT_EQ(ship->position.y, 25.0f);  // the ship keeps its height
    EXPECT_EQ(ship->position.z, 0.0f);
    EXPECT_GT(ship->position.x, 100.0f);

    // Holding the opposite direction flies backward at the same top speed.
    Key(plat::VK_DOWN_KEY, true);
    Frames(60, 20);
    EXPECT_NEAR(ship->forwardSpeed.value, -0.15f, 1e-6f);
}

TEST_F(XWingTest, TurnsLeftAndRightWithTheXAxis)
{
    const std::pair<int, float> cases[] = {{plat::VK_LEFT_KEY, -1.0f}, {plat::VK_RIGHT_KEY, 1.0f}};
    for (const auto& c : cases) {
        XWing* ship = new XWing({0, 25, 0}, 0.0f);
        Key(c.first, true);
        Frames(30);
        Key(c.first, false);
        // Heading +x: the right side is +z.
        EXPECT_GT(ship->forward.z * c.second, 0.5f) << c.first;
        EXPECT_NEAR(std::fabs(ship->turnRate.value), 0.15f, 1e-6f);
        gExecutor.ClearTasks();
    }
}

TEST_F(XWingTest, OneVolleyOfFourBoltsPerPressFromTheGuns)
{
    Probe* ear = new Probe({0, 500, 0}, 1.0f, kTeamNobody);
    ear->noCollide = true;
    XWing* ship = new XWing({0, 25, 0}, 0.0f);
    Key('A', true);
    Frames(5);  // held: still one volley
    std::vector<Laser*> bolts = LasersWithTrail(PRESET_PLAYER_TRAIL);
    ASSERT_EQ(bolts.size(), 4u);
    EXPECT_EQ(ear->noises, 1);

    // Guns at (+-30, -10 | 15, -40) in the model, scale 0.1, model turned from -z to +x.
    ExpectFromMuzzles(bolts, {{4, 24, 3}, {4, 24, -3}, {4, 26.5f, 3}, {4, 26.5f, -3}}, {1, 0, 0});
    for (Laser* b : bolts) EXPECT_EQ(b->team, TEAM_PLAYER);
    EXPECT_EQ(ship->hitPoints, 1000);  // its own bolts pass through it

    Key('A', false);
    Frame();
    Key('A', true);
    Frame();
    EXPECT_EQ(LasersWithTrail(PRESET_PLAYER_TRAIL).size(), 8u);
    EXPECT_EQ(ear->noises, 2);
}

TEST_F(XWingTest, VolleyInTheFirstPassLeavesFromTheGuns)
{
    XWing* ship = new XWing({300, 25, -200}, 90.0f);  // heading 90: facing -z
    Key('A', true);
    Frame();
    std::vector<Laser*> bolts = LasersWithTrail(PRESET_PLAYER_TRAIL);
    ASSERT_EQ(bolts.size(), 4u);
    for (Laser* b : bolts) {
        EXPECT_LT(Distance(b->position, ship->position), 6.0f);
        ExpectNear(b->forward, {0, 0, -1});
    }
}

TEST_F(XWingTest, SpaceStepsThroughTheThreeViews)
{
    new XWing({0, 25, 0}, 0.0f);
    const int32_t expected[] = {CAMERA_FROM_MODEL, CAMERA_ABOVE, CAMERA_CHASE};
    for (int32_t mode : expected) {
        Key(plat::VK_SPACE_KEY, true);
        Frames(3);  // held: one step
        Key(plat::VK_SPACE_KEY, false);
        Frame();
        EXPECT_EQ(CameraMode, mode);
    }
}

TEST_F(XWingTest, HitSphereFadesOverOneSecond)
{
    std::vector<std::pair<uint32_t, int>> seen;
    SetHitSphereObserver([&seen](const HitSphereCall& c) {
        seen.emplace_back(GetTicks(), c.alpha);
        EXPECT_EQ(c.bands, 10);
        EXPECT_EQ(c.sectors, 10);
        EXPECT_EQ(c.red, 45);
        EXPECT_EQ(c.green, 117);
        EXPECT_EQ(c.blue, 34);
    });
    XWing* ship = new XWing({0, 25, 0}, 0.0f);
    Frames(70);  // never hit: no sphere, although the clock started long ago
    EXPECT_TRUE(seen.empty());

    uint32_t hit = GetTicks();
    AreaDamage(ship->position, 1.0f, 100, nullptr);
    Frame(500);
    Frame(499);
    Frame(1);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0], std::make_pair(hit, 255));
    EXPECT_EQ(seen[1], std::make_pair(hit + 500, 127));
    EXPECT_EQ(seen[2], std::make_pair(hit + 999, 0));
    EXPECT_EQ(ship->hitPoints, 900);
}

TEST_F(XWingTest, TenBlastsDestroyTheShipWhichLeavesAnExplosion)
{
    XWing* ship = new XWing({40, 25, 60}, 0.0f);
    Frame();
    for (int i = 0; i < 9; ++i) AreaDamage(ship->position, 8.0f, 100, nullptr);
    Frames(2);
    ASSERT_TRUE(kit::Listed(ship));
    EXPECT_EQ(ship->hitPoints, 100);
    EXPECT_EQ(CameraTarget, ship);

    AreaDamage(ship->position, 8.0f, 100, nullptr);
    Frame();  // finishes
    Frame();  // deleted: the explosion is left behind
    EXPECT_FALSE(kit::Listed(ship));
    EXPECT_EQ(CameraTarget, nullptr);
    std::vector<Explosion*> booms = kit::Tasks<Explosion>();
    ASSERT_EQ(booms.size(), 1u);
    EXPECT_TRUE(booms[0]->HasKindAt("Explosion", 0));
    EXPECT_FALSE(booms[0]->HasKind("GameEntity3D"));
    EXPECT_EQ(booms[0]->position, (Vector3D{40, 25, 60}));
    EXPECT_EQ(booms[0]->damage, 0);
    EXPECT_EQ(booms[0]->power, 100.0f);
    Frames(100);  // the battle goes on without a player ship
    EXPECT_EQ(CameraTarget, nullptr);
}

TEST_F(XWingTest, ShipWithoutModelHasRadiusOneAndFiresNothing)
{
    XWingModel.Clear();
    Probe* ear = new Probe({0, 500, 0}, 1.0f, kTeamNobody);
    XWing* ship = new XWing({0, 25, 0}, 0.0f);
    EXPECT_EQ(ship->radius, 1.0f);
    EXPECT_EQ(ship->FindPart("W0"), -1);
    CameraMode = CAMERA_FROM_MODEL;
    CameraEye = {5, 6, 7};
    Key('A', true);
    Key(plat::VK_UP_KEY, true);
    Frames(30);
    EXPECT_TRUE(kit::Tasks<Laser>().empty());
    EXPECT_EQ(ear->noises, 1);  // a volley of sound only
    EXPECT_EQ(CameraEye, (Vector3D{5, 6, 7}));
    EXPECT_GT(ship->position.x, 10.0f);
}

// ---- enemy fighter --------------------------------------------------------------------------

class TieFighterTest : public World {};

TEST_F(TieFighterTest, FiresTwoBoltsAtTheShipWithinTheConeOncePer300ms)
{
    kit::LoadTestSounds();
    Probe* ear = new Probe({0, 500, 0}, 1.0f, kTeamNobody);
    ear->noCollide = true;
    float off = 20.0f * DEG_TO_RAD;
    XWing* ship = new XWing({150 * std::cos(off), 25, 150 * std::sin(off)}, 0.0f);
    TieFighter* tie = new TieFighter({0, 25, 0}, 0.0f);
    Frame(10);
    std::vector<Laser*> bolts = LasersWithTrail(PRESET_ENEMY_TRAIL);
    ASSERT_EQ(bolts.size(), 2u);
    EXPECT_EQ(ear->noises, 1);
    EXPECT_TRUE(tie->weaponSound && tie->weaponSound->playing);
    Vector3D aim = Vector3D{150 * std::cos(off), 0, 150 * std::sin(off)} * (1.0f / 150.0f);
    // From the guns (+-15, -5, -20 in the model), straight at the ship: no lead.
    ExpectFromMuzzles(bolts, {{2, 24.5f, 1.5f}, {2, 24.5f, -1.5f}}, aim);
    for (Laser* b : bolts) EXPECT_EQ(b->team, TEAM_PLAYER);

    // Dead ahead 100 ms later: the window is still closed.
    for (int i = 0; i < 10; ++i) {
        Vector3D nose = tie->forward;
        Normalize(nose);
        ship->position = tie->position + nose * 150.0f;
        Frame(10);
    }
    EXPECT_EQ(LasersWithTrail(PRESET_ENEMY_TRAIL).size(), 2u);
    EXPECT_EQ(ear->noises, 1);
}

TEST_F(TieFighterTest, ShipOutsideTheConeUsesUpTheWindowWithoutShot)
{
    float off = 30.0f * DEG_TO_RAD;
    XWing* ship = new XWing({150 * std::cos(off), 25, 150 * std::sin(off)}, 0.0f);
    TieFighter* tie = new TieFighter({0, 25, 0}, 0.0f);
    uint32_t first = GetTicks();
    Frame(10);
    EXPECT_TRUE(LasersWithTrail(PRESET_ENEMY_TRAIL).empty());
    EXPECT_EQ(tie->lastFireTime, first);

    // Dead ahead from now on: the next attempt comes 300 ms after the failed one.
    auto aheadFrame = [&](uint32_t ms) {
        Vector3D nose = tie->forward;
        Normalize(nose);
        ship->position = tie->position + nose * 150.0f;
        Frame(ms);
    };
    while (GetTicks() - first < 290) aheadFrame(10);
    aheadFrame(9);  // the pass at 290 ms
    aheadFrame(1);  // the pass at 299 ms
    EXPECT_TRUE(LasersWithTrail(PRESET_ENEMY_TRAIL).empty());
    aheadFrame(10);  // the pass at 300 ms
    EXPECT_EQ(LasersWithTrail(PRESET_ENEMY_TRAIL).size(), 2u);
    EXPECT_EQ(tie->lastFireTime, first + 300);
}

TEST_F(TieFighterTest, BoundsFlipOnlyStrictlyOutside)
{
    struct Case {
        Vector3D where;
        float sx, sz;  // expected sign change of forward x and z
    } cases[] = {
        {{1000.0f, 25, 0}, 1, 1},   {{1000.5f, 25, 0}, -1, 1},   {{-1000.0f, 25, 0}, 1, 1},
        {{-1000.5f, 25, 0}, -1, 1}, {{0, 25, 1000.0f}, 1, 1},    {{0, 25, 1000.5f}, 1, -1},
        {{0, 25, -1000.5f}, 1, -1}, {{1001, 25, -1001}, -1, -1},
    };
    for (const Case& c : cases) {
        TieFighter* tie = new TieFighter(c.where, 0.0f);
        tie->forward = {0.6f, 0, 0.8f};
        Frame();  // speed still 0 in the first pass: the fighter stays where it is
        EXPECT_EQ(tie->position.x, c.where.x);
        EXPECT_EQ(tie->forward.x, 0.6f * c.sx) << c.where.x << " " << c.where.z;
        EXPECT_EQ(tie->forward.z, 0.8f * c.sz) << c.where.x << " " << c.where.z;
        gExecutor.ClearTasks();
    }
    // Still outside in the next frame: it turns back again.
    TieFighter* tie = new TieFighter({1000.5f, 25, 0}, 0.0f);
    Frames(2);
    EXPECT_GT(tie->position.x, 1000.0f);
    EXPECT_GT(tie->forward.x, 0.0f);
}

TEST_F(TieFighterTest, SteersByWhatItSeesWithin200)
{
    struct Case {
        int32_t team;
        float side;  // z of the other entity; the fighter looks along +x from the origin
        int32_t input;  // expected turn impulse
    } cases[] = {
        {TEAM_FACTORY, 100, +1},  // approach: turn toward +z
        {TEAM_FACTORY, -100, -1}, {TEAM_PLAYER, 100, -1},  // avoid
        {TEAM_PLAYER, -100, +1},  {TEAM_FIGHTER, 100, +1},  // farther than 50: close up
        {TEAM_FIGHTER, 30, -1},  // nearer than 50: keep away
        {TEAM_FACTORY, 201, 0},  // out of sight
        {kTeamNobody, 100, 0},
    };
    for (const Case& c : cases) {
        TieFighter* tie = new TieFighter({0, 25, 0}, 0.0f);
        Probe* other = new Probe({0, 25, c.side}, 1.0f, c.team);
        Frame();
        EXPECT_EQ(tie->turnRate.input, c.input) << c.team << " at " << c.side;
        EXPECT_EQ(PendingSteeringRequests(), 0);
        (void)other;
        gExecutor.ClearTasks();
    }
}

TEST_F(TieFighterTest, TurnsWithTheHeadingOfACompanion)
{
    // A companion 60 ahead pulls with (10, 0); its heading is averaged in half and half, so
    // the fighter turns the way the companion flies.
    struct Case {
        Vector3D companionForward;
        int32_t input;
    } cases[] = {
        {{0, 0, 1}, +1},  // flying toward +z: turn right with it
        {{0, 0, -1}, -1},
        {{1, 0, 0}, 0},  // same heading: straight on
    };
    for (const Case& c : cases) {
        TieFighter* tie = new TieFighter({0, 25, 0}, 0.0f);
        Probe* companion = new Probe({60, 25, 0}, 1.0f, TEAM_FIGHTER);
        companion->forward = c.companionForward;
        Frame();
        EXPECT_EQ(tie->turnRate.input, c.input) << c.companionForward.z;
        gExecutor.ClearTasks();
    }
}

TEST_F(TieFighterTest, FiresAtThePlayersSideAndFactoriesButNotAtFighters)
{
    // Each target 100 ahead of a fighter looking along +x; the factory stands on the ground,
    // 14 degrees below the nose.
    struct Case {
        const char* what;
        int32_t team;
        float height;
        bool fires;
    } cases[] = {
        {"player ship side", TEAM_PLAYER, 25, true},
        {"factory", TEAM_FACTORY, 0, true},
        {"fighter", TEAM_FIGHTER, 25, false},
    };
    for (const Case& c : cases) {
        TieFighter* tie = new TieFighter({0, 25, 0}, 0.0f);
        new Probe({100, c.height, 0}, 1.0f, c.team);
        Frame(10);
        EXPECT_EQ(LasersWithTrail(PRESET_ENEMY_TRAIL).size(), c.fires ? 2u : 0u) << c.what;
        // A fighter is no target at all: it does not even use up the firing window.
        EXPECT_EQ(tie->lastFireTime, c.fires ? GetTicks() - 10 : 0u) << c.what;
        gExecutor.ClearTasks();
    }

    // Another fighter's bolt is of the player's side too.
    new TieFighter({0, 25, 0}, 0.0f);
    new Laser({100, 25, 0}, {0, 0, 1}, PRESET_ENEMY_TRAIL);
    Frame(10);
    EXPECT_EQ(LasersWithTrail(PRESET_ENEMY_TRAIL).size(), 3u);  // the stray and two shots
}

TEST_F(TieFighterTest, FighterOnTopOfAnotherStillSteersTowardAFactory)
{
    TieFighter* a = new TieFighter({0, 25, 0}, 0.0f);
    TieFighter* b = new TieFighter({0, 25, 0}, 0.0f);
    new Probe({0, 0, 100}, 1.0f, TEAM_FACTORY);
    Frame();
    EXPECT_EQ(a->turnRate.input, 1);
    EXPECT_EQ(b->turnRate.input, 1);
    Frames(20);
    EXPECT_TRUE(std::isfinite(a->forward.x) && std::isfinite(a->forward.z));
    EXPECT_TRUE(std::isfinite(a->position.x));
}

TEST_F(TieFighterTest, ThreeBoltBlastsDestroyAFighterWhichExplodesInFire)
{
    std::vector<std::pair<uint32_t, int>> spheres;
    SetHitSphereObserver([&spheres](const HitSphereCall& c) {
        spheres.emplace_back(GetTicks(), c.alpha);
        EXPECT_EQ(c.radius, 4.0f);
    });
    TieFighter* tie = new TieFighter({0, 25, 0}, 0.0f);
    const int32_t hpAfter[] = {200, 100, 0};
    for (int shot = 0; shot < 3; ++shot) {
        Laser* bolt = new Laser(tie->position - Vector3D{30, 0, 0}, {1, 0, 0}, PRESET_PLAYER_TRAIL);
        int frames = 0;
        while (kit::Listed(bolt) && bolt->GetState() == TASK_RUNNING && frames++ < 100) Frame(10);
        EXPECT_EQ(tie->hitPoints, hpAfter[shot]) << "shot " << shot;
        if (shot == 0) {
            uint32_t hit = GetTicks() - 10;
            ASSERT_FALSE(spheres.empty());
            EXPECT_EQ(spheres.front(), std::make_pair(hit, 255));
            Frames(50, 10);
            EXPECT_EQ(spheres.back(), std::make_pair(hit + 500, 127));
            Frames(60, 10);
        }
    }
    // It ran after the (newer) bolt in the same pass and finished at once; it is deleted at
    // the end of the next pass, and leaves the explosion.
    EXPECT_EQ(tie->GetState(), TASK_FINISHED);
    Vector3D last = tie->position;
    Frame(10);
    EXPECT_FALSE(kit::Listed(tie));
    std::vector<Explosion*> booms = kit::Tasks<Explosion>();
    ASSERT_EQ(booms.size(), 1u);
    Explosion* boom = booms[0];
    EXPECT_EQ(boom->position, last);

    int frames = 0;
    while (kit::Listed(boom) && boom->GetState() == TASK_RUNNING && frames++ < 200) Frame(10);
    int fire = 0;
    for (int32_t i = 0; i < ParticleCount(); ++i) {
        const Particle* p = ParticleAt(i);
        if (p->alive && p->preset == PRESET_FIRE) ++fire;
    }
    EXPECT_GE(fire, 7);
    EXPECT_LE(fire, 8);
}

// ---- factory --------------------------------------------------------------------------------

class FactoryTest : public World {};

TEST_F(FactoryTest, SurvivesNineBlastsAndVanishesAtTheTenthWithoutExplosion)
{
    int spheres = 0;
    SetHitSphereObserver([&spheres](const HitSphereCall& c) {
        ++spheres;
        EXPECT_EQ(c.radius, 18.0f);  // its radius and the rim of 8: a big glow stays modest
    });
    CameraEye = {-150, 60, 0};  // looking on from outside the glow
    Factory* factory = new Factory({0, 0, 0});
    EXPECT_EQ(factory->radius, 10.0f);
    for (int shot = 1; shot <= 10; ++shot) {
        Laser* bolt = new Laser({-40, 5, 0}, {1, 0, 0}, PRESET_ENEMY_TRAIL);
        int frames = 0;
        while (bolt->GetState() == TASK_RUNNING && frames++ < 100) Frame();
        EXPECT_EQ(factory->hitPoints, 1000 - 100 * shot);
        if (shot < 10) {
            EXPECT_TRUE(kit::Listed(factory));
            EXPECT_GT(spheres, 0);
            Frames(70);  // a second later the sphere is gone
            spheres = 0;
            Frame();
            EXPECT_EQ(spheres, 0);
        }
    }
    EXPECT_EQ(factory->GetState(), TASK_FINISHED);
    Frame();
    EXPECT_FALSE(kit::Listed(factory));
    EXPECT_TRUE(kit::Tasks<Explosion>().empty());
    EXPECT_EQ(LiveParticleCount(), 0);
}

TEST_F(FactoryTest, ShipFlyingIntoItStopsBeforeTheStep)
{
    Factory* factory = new Factory({0, 0, 0});
    XWing* ship = new XWing({-60, 5, 0}, 0.0f);
    Key(plat::VK_UP_KEY, true);
    Frames(100);
    EXPECT_LT(ship->position.x, -(10.0f + ship->radius));
    EXPECT_GT(ship->position.x, -(10.0f + ship->radius) - 3.0f);
    float stopped = ship->position.x;
    Frames(10);
    EXPECT_EQ(ship->position.x, stopped);
    EXPECT_EQ(factory->hitPoints, 1000);
}

// ---- a new game -----------------------------------------------------------------------------

TEST_F(World, PlayerShipRunsFirstFromTheSecondPass)
{
    std::srand(1);
    XWing* ship = new XWing({0, 25, 0}, 0.0f);
    std::vector<Executable*> fighters;
    std::vector<Executable*> factories;
    for (int i = 0; i < 20; ++i) {
        float x = static_cast<float>(std::rand() % 2000 - 1000);
        float z = static_cast<float>(std::rand() % 2000 - 1000);
        float heading = static_cast<float>(std::rand() % 360);
        fighters.push_back(new TieFighter({x, 25, z}, heading));
    }
    for (int i = 0; i < 10; ++i) {
        float x = static_cast<float>(std::rand() % 2000 - 1000);
        float z = static_cast<float>(std::rand() % 2000 - 1000);
        factories.push_back(new Factory({x, 0, z}));
    }
    Frame();
    ASSERT_TRUE(kit::Tasks<Laser>().empty()) << "no shot in the first pass with this seed";

    // Expected: the ship, the factories but the last one (newest first), the fighters, and
    // the last-created factory, which the sort exchanged with the ship.
    std::vector<Executable*> expected{ship};
    for (int i = 8; i >= 0; --i) expected.push_back(factories[i]);
    for (int i = 19; i >= 0; --i) expected.push_back(fighters[i]);
    expected.push_back(factories[9]);

    std::vector<Executable*> order;
    TaskIterator cursor(gExecutor.Tasks());
    while (Executable* t = cursor.Next()) order.push_back(t);
    EXPECT_EQ(order, expected);
}

// ---- explosion ------------------------------------------------------------------------------

TEST_F(World, ExplosionSoundsOnceTellsNeighboursAndBurnsFor780ms)
{
    kit::LoadTestSounds();
    Probe* near = new Probe({9000, 0, 0}, 1.0f, kTeamNobody);
    Probe* far = new Probe({10001, 0, 0}, 1.0f, kTeamNobody);
    Explosion* boom = new Explosion({0, 0, 0}, 100.0f, 0, 1);
    ASSERT_NE(boom->sound, nullptr);
    EXPECT_TRUE(boom->sound->playing);
    EXPECT_EQ(boom->sound->samples, SoundBank[1]->samples);  // a copy sharing the samples
    EXPECT_EQ(near->noises, 1);
    EXPECT_EQ(near->lastNoiseValue, 1);
    EXPECT_EQ(far->noises, 0);

    Explosion* silent = new Explosion({50, 0, 0}, 5.0f, 0, -1);
    EXPECT_EQ(silent->sound, nullptr);
    EXPECT_EQ(near->noises, 1);

    // Ten fire particles per second of frame time; the first once 100 ms have built up.
    Frames(6);
    EXPECT_EQ(LiveParticleCount(), 0);
    Frames(1);  // 7 x 16 = 112 ms
    EXPECT_EQ(LiveParticleCount(), 2);  // one from each explosion
    const Particle* p = ParticleAt(0);
    EXPECT_EQ(p->preset, PRESET_FIRE);
    EXPECT_EQ(p->kind, PARTICLE_FADING);
    EXPECT_EQ(p->direction, (Vector3D{0, 1, 0}));

    uint32_t born = boom->birthTime;
    while (GetTicks() - born <= 779) Frame();
    EXPECT_TRUE(kit::Listed(boom));
    Frame();  // the pass at 780 ms or later ends it
    EXPECT_EQ(boom->GetState(), TASK_FINISHED);

    // An explosion that carries damage hurts everything within its power each frame.
    Probe* victim = new Probe({100, 0, 0}, 1.0f, kTeamNobody);
    new Explosion({100, 0, 3}, 5.0f, 7, -1);
    Frames(3);
    EXPECT_EQ(victim->hits, 3);
    EXPECT_EQ(victim->lastDamage, 7);
}

}  // namespace
