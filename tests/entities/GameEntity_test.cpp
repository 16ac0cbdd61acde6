// SPDX-License-Identifier: MIT
// The entity base: collision, motion, the per-frame step, damage, noise, parts, radius and
// the camera follow.
#include <cmath>

#include "EntityTestKit.h"
#include "assets/SoundOutput.h"

using kit::Probe;
using kit::World;

namespace {

struct CollideCase {
    float distance;
    bool aNoCollide;
    bool bNoCollide;
    bool collides;
};

class GameEntityTest : public World {};

TEST_F(GameEntityTest, SpheresCollideOnlyWhenOverlappingStrictly)
{
    const CollideCase cases[] = {
        {2.0f, false, false, false},  // touching is not colliding
        {1.999f, false, false, true}, {0.0f, false, false, true},
        {1.0f, true, false, false},  // noCollide on either side
        {1.0f, false, true, false},
    };
    for (const CollideCase& c : cases) {
        Probe* a = new Probe({0, 0, 0});
        Probe* b = new Probe({c.distance, 0, 0});
        a->noCollide = c.aNoCollide;
        b->noCollide = c.bNoCollide;
        EXPECT_EQ(Collides(*a, *b), c.collides) << "distance " << c.distance;
        EXPECT_EQ(Collides(*b, *a), c.collides) << "distance " << c.distance;
        gExecutor.ClearTasks();
    }
}

TEST_F(GameEntityTest, MoveStepsAlongTurnedHeadingAndSideAndUp)
{
    Probe* p = new Probe({10, 20, 30});
    p->forward = {2, 0, 0};  // not unit: the step uses a normalised copy
    p->forwardSpeed.value = 0.5f;
    p->sideSpeed.value = 0.25f;
    p->verticalSpeed.value = -0.125f;
    SetFrameTime(8);
    ASSERT_TRUE(p->Move());
    // forward 4 along +x, side (+x turned 90 degrees about y = -z) 2, down 1
    EXPECT_NEAR(p->position.x, 14.0f, 1e-5f);
    EXPECT_NEAR(p->position.y, 19.0f, 1e-5f);
    EXPECT_NEAR(p->position.z, 28.0f, 1e-5f);
    EXPECT_EQ(p->moves, 1);
    EXPECT_EQ(p->lastPrevious, (Vector3D{10, 20, 30}));
    EXPECT_EQ(p->model.position, p->position);
    EXPECT_EQ(p->model.forward, p->forward);

    // A positive turn rate turns +x toward +z.
    Probe* q = new Probe({500, 0, 0});
    q->turnRate.value = 90.0f / 8.0f;
    ASSERT_TRUE(q->Move());
    EXPECT_NEAR(q->forward.x, 0.0f, 1e-6f);
    EXPECT_NEAR(q->forward.z, 1.0f, 1e-6f);
}

TEST_F(GameEntityTest, BlockedMoveRestoresPositionButKeepsTurn)
{
    Probe* mover = new Probe({0, 0, 0});
    Probe* wall = new Probe({5, 0, 0}, 2.0f);
    mover->forwardSpeed.value = 0.2f;  // 3.2 units in 16 ms: ends 1.8 from the wall's centre
    mover->turnRate.value = 0.5f;  // 8 degrees
    mover->model.position = {-7, -7, -7};
    ASSERT_FALSE(mover->Move());
    EXPECT_EQ(mover->position, (Vector3D{0, 0, 0}));
    EXPECT_NEAR(std::atan2(mover->forward.z, mover->forward.x) * RAD_TO_DEG, 8.0f, 1e-3f);
    EXPECT_EQ(mover->moves, 0);
    EXPECT_EQ(mover->model.position, (Vector3D{-7, -7, -7}));  // instance untouched

    // A finished entity no longer blocks, nor does one with noCollide.
    wall->SetState(TASK_FINISHED);
    EXPECT_TRUE(mover->Move());
    Probe* ghost = new Probe(mover->position, 5.0f);
    ghost->noCollide = true;
    EXPECT_TRUE(mover->Move());
    (void)wall;
}

TEST_F(GameEntityTest, DeadEntityFinishesWithoutUpdateOrDrawing)
{
    Probe* alive = new Probe({0, 0, 0});
    Probe* dead = new Probe({100, 0, 0});
    dead->hitPoints = 0;
    Frame();
    EXPECT_EQ(alive->updates, 1);
    EXPECT_EQ(alive->draws, 1);
    EXPECT_EQ(dead->updates, 0);
    EXPECT_EQ(dead->draws, 0);
    EXPECT_EQ(dead->GetState(), TASK_FINISHED);
    Frame();
    EXPECT_FALSE(kit::Listed(dead));
    EXPECT_TRUE(kit::Listed(alive));
}

TEST_F(GameEntityTest, RunPushesDownAndPlacesTheModel)
{
    Probe* p = new Probe({1, 2, 3});
    p->forward = {0, 0, 1};
    Frame();
    EXPECT_EQ(p->verticalSpeed.input, -1);
    EXPECT_EQ(p->model.position, (Vector3D{1, 2, 3}));
    EXPECT_EQ(p->model.forward, (Vector3D{0, 0, 1}));
    Frame();  // the push is felt only by a configured value
    EXPECT_EQ(p->verticalSpeed.value, 0.0f);
    EXPECT_EQ(p->position.y, 2.0f);
}

TEST_F(GameEntityTest, AreaDamageIsStrictTeamBlindAndHonoursExclude)
{
    Probe* inside = new Probe({10.9f, 0, 0}, 3.0f, TEAM_FIGHTER);  // 10.9 < 8 + 3
    Probe* edge = new Probe({0, 0, -11.0f}, 3.0f, TEAM_FACTORY);  // 11 is not < 11
    Probe* own = new Probe({1, 0, 0}, 1.0f, TEAM_PLAYER);
    Probe* excluded = new Probe({0, 1, 0}, 1.0f, TEAM_FIGHTER);
    Probe* finished = new Probe({0, 0, 1});
    finished->SetState(TASK_FINISHED);
    int before = finished->hitPoints;

    AreaDamage({0, 0, 0}, 8.0f, 100, excluded);
    EXPECT_EQ(inside->hits, 1);
    EXPECT_EQ(inside->lastDamage, 100);
    EXPECT_EQ(inside->hitPoints, 100000 - 100);
    EXPECT_EQ(own->hits, 1);
    EXPECT_EQ(edge->hits, 0);
    EXPECT_EQ(excluded->hits, 0);
    EXPECT_EQ(finished->hitPoints, before);

    AreaDamage({0, 0, 0}, 8.0f, 0, nullptr);  // no damage: nobody is told
    EXPECT_EQ(inside->hits, 1);
    EXPECT_EQ(own->hits, 1);
}

TEST_F(GameEntityTest, NoiseReachesEntitiesInRangeEvenWhenTheSoundIsNotHeard)
{
    CameraEye = {0, 0, 0};
    CameraDirection = {1, 0, 0};
    CameraUp = {0, 1, 0};
    Probe* near = new Probe({2000, 0, 0});
    Probe* atRange = new Probe({2000, 0, 1000});
    Probe* beyond = new Probe({2000, 0, -1000.5f});
    Probe* excluded = new Probe({2000, 1, 0});

    // The sound position is 2000 from the camera: out of the sound's range of 1000.
    PlaySoundAt(nullptr, {2000, 0, 0}, 1000.0f, static_cast<GameEntity3D*>(excluded), 7);
    EXPECT_EQ(near->noises, 1);
    EXPECT_EQ(near->lastNoiseValue, 7);
    EXPECT_EQ(near->lastNoise, (Vector3D{2000, 0, 0}));
    EXPECT_EQ(atRange->noises, 1);  // at exactly the range
    EXPECT_EQ(beyond->noises, 0);
    EXPECT_EQ(excluded->noises, 0);
}

TEST_F(GameEntityTest, FindPartMatchesCharactersAnywhereFirstObjectWins)
{
    Model m;
    const char* names[] = {"Hull", "eyev", "gun0 W", "xVx", "W0", ""};
    for (const char* n : names) m.SetName(m.AddObject(), n);
    Probe* p = new Probe({0, 0, 0});
    p->model.AttachModel(&m);

    struct Case {
        const char* query;
        int32_t index;
    } cases[] = {
        {"V", 3},  // lower-case v does not match
        {"W0", 2},  // both characters, any order, among others
        {"0W", 2},  {"WW", 2},  // repetitions are not counted
        {"W1", -1}, {"", -1},  {"H", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(p->FindPart(c.query), c.index) << c.query;
    EXPECT_EQ(p->FindPart(nullptr), -1);
    p->model = ModelInstance();
    EXPECT_EQ(p->FindPart("H"), -1);
    gExecutor.ClearTasks();
}

TEST_F(GameEntityTest, RadiusIsTheMeanReachAlongXAndZ)
{
    Probe* p = new Probe({500, 500, 500});
    p->model.AttachModel(&XWingModel);
    p->model.scale = 0.1f;
    p->ComputeRadius();
    EXPECT_NEAR(p->radius, (4.0f + 3.1f) * 0.5f, 1e-5f);  // hull z 40, gun box x 31

    // A model that failed to load: no objects, or objects without points.
    Model empty;
    Model pointless;
    pointless.AddObject();
    for (Model* m : {&empty, &pointless}) {
        p->radius = 55.0f;
        p->model.AttachModel(m);
        p->ComputeRadius();
        EXPECT_EQ(p->radius, 1.0f);
    }
    p->model = ModelInstance();
    p->ComputeRadius();
    EXPECT_EQ(p->radius, 1.0f);
}

// ---- camera follow --------------------------------------------------------------------------

TEST_F(GameEntityTest, ChaseCameraStandsBehindAndAboveAtElevation20)
{
    const float headings[] = {0.0f, 37.0f, 200.0f};
    for (float heading : headings) {
        Vector3D pos{100, 25, -40};
        Vector3D fwd{1, 0, 0};
        RotateY(fwd, heading);
        PlaceChaseCamera(pos, fwd * 3.0f, 20.0f);
        Vector3D back = pos - CameraEye;
        float behind = back.x * fwd.x + back.z * fwd.z;  // horizontal, along the heading
        float across = back.x * fwd.z - back.z * fwd.x;
        EXPECT_NEAR(behind, 94.78f, 0.01f) << heading;
        EXPECT_NEAR(across, 0.0f, 1e-3f) << heading;
        EXPECT_NEAR(CameraEye.y - pos.y, 34.50f, 0.01f) << heading;
        // Looking at the entity, with the heading at the top of the picture.
        EXPECT_NEAR(Length(CameraDirection), 1.0f, 1e-5f);
        Vector3D toEntity = back;
        Normalize(toEntity);
        EXPECT_NEAR(Dot(CameraDirection, toEntity), 1.0f, 1e-5f);
        EXPECT_NEAR(Dot(CameraUp, CameraDirection), 0.0f, 1e-5f);
        EXPECT_GT(Dot(CameraUp, fwd), 0.3f);
        EXPECT_GT(CameraUp.y, 0.9f);
    }
    // The elevation is clamped to 10..89: 72 units away at 10.
    PlaceChaseCamera({0, 0, 0}, {1, 0, 0}, -5.0f);
    EXPECT_NEAR(Distance(CameraEye, {0, 0, 0}), 72.0f, 1e-3f);
    PlaceChaseCamera({0, 0, 0}, {1, 0, 0}, 95.0f);
    EXPECT_NEAR(Distance(CameraEye, {0, 0, 0}), 300.0f, 1e-3f);
}

TEST_F(GameEntityTest, CameraTargetFollowsInEachModeAndRunsFirst)
{
    Probe* other = new Probe({-300, 0, 0});
    Probe* target = new Probe({100, 25, 50});
    target->model.AttachModel(&XWingModel);
    target->model.scale = 0.1f;
    target->noCollide = true;
    CameraTarget = other;
    Frame();
    EXPECT_EQ(other->GetPriority(), -100);
    CameraTarget = target;
    CameraEye = {1, 2, 3};
    ChaseElevation = 10.0f;

    // Chase: the first frame only settles the elevation at 20 and leaves the camera.
    Frame();
    EXPECT_EQ(ChaseElevation, 20.0f);
    EXPECT_EQ(CameraEye, (Vector3D{1, 2, 3}));
    EXPECT_EQ(target->GetPriority(), -100);
    EXPECT_EQ(other->GetPriority(), 0);
    EXPECT_EQ(gExecutor.Tasks()->First(), static_cast<Il_Link*>(target));
    Frame();
    EXPECT_NEAR(target->position.x - CameraEye.x, 94.78f, 0.01f);
    EXPECT_NEAR(CameraEye.y - target->position.y, 34.50f, 0.01f);

    // From above.
    CameraMode = CAMERA_ABOVE;
    target->forward = {0.6f, 0, 0.8f};
    Frame();
    EXPECT_EQ(CameraEye, (Vector3D{100, 1000, 50}));
    EXPECT_EQ(CameraDirection, (Vector3D{0, -1, 0}));
    EXPECT_EQ(CameraUp, (Vector3D{0.6f, 0, 0.8f}));

    // From the model's eye part "V" (pivot (0, 8, -10) at scale 0.1, model turned to +z).
    // The camera step reads the model instance as the entity's last move left it, so an
    // entity that does not move shows a new heading one frame later.
    CameraMode = CAMERA_FROM_MODEL;
    target->forward = {0, 0, 1};
    Frames(2);
    EXPECT_NEAR(CameraEye.x, 100.0f, 1e-4f);
    EXPECT_NEAR(CameraEye.y, 25.8f, 1e-4f);
    EXPECT_NEAR(CameraEye.z, 51.0f, 1e-4f);
    EXPECT_NEAR(CameraDirection.z, 1.0f, 1e-5f);
    EXPECT_NEAR(CameraUp.y, 1.0f, 1e-5f);

    // Back to the chase at once: no zooming from 20.
    CameraMode = CAMERA_CHASE;
    Frame();
    EXPECT_EQ(ChaseElevation, 20.0f);
    EXPECT_NEAR(CameraEye.z, target->position.z - 94.78f, 0.01f);
}

TEST_F(GameEntityTest, CameraStaysWhenFollowedEntityHasNoEyePart)
{
    Probe* target = new Probe({100, 25, 50});  // no model: no parts
    CameraTarget = target;
    CameraMode = CAMERA_FROM_MODEL;
    CameraEye = {1, 2, 3};
    Frame();
    EXPECT_EQ(CameraEye, (Vector3D{1, 2, 3}));
    EXPECT_EQ(CameraTarget, target);
}

TEST_F(GameEntityTest, DestroyedCameraTargetIsForgottenAndCameraStays)
{
    Probe* target = new Probe({100, 25, 50});
    Probe* other = new Probe({-100, 25, 50});
    CameraTarget = target;
    Frames(3);
    Vector3D eye = CameraEye;
    target->hitPoints = 0;
    Frame();  // finishes
    EXPECT_EQ(CameraTarget, target);
    Frame();  // deleted at the end of this pass
    EXPECT_FALSE(kit::Listed(target));
    EXPECT_EQ(CameraTarget, nullptr);
    Frames(3);
    EXPECT_EQ(CameraEye, eye);
    EXPECT_EQ(other->GetPriority(), 0);
}

TEST_F(GameEntityTest, CameraTargetOutsideTheTaskListIsDropped)
{
    Probe* target = new Probe({0, 0, 0});
    CameraTarget = target;
    target->SetState(TASK_FINISHED);
    target->Run();  // called by hand: it is no longer a running task
    EXPECT_EQ(CameraTarget, nullptr);
}

}  // namespace
