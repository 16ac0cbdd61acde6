// SPDX-License-Identifier: MIT
#include "entities/GameEntity.h"

#include <cmath>
#include <cstring>

#include "assets/SoundOutput.h"
#include "entities/EntityDrawing.h"
#include "entities/HitSphere.h"
#include "math/View.h"
#include "render/ModelRenderer.h"
#include "render/RenderState.h"
#include "shell/Services.h"

const char* const kGameEntityKind = "GameEntity3D";

GameEntity3D* CameraTarget = nullptr;
int32_t CameraMode = CAMERA_CHASE;
float ChaseElevation = 10.0f;

void StepCameraMode()
{
    if (CameraMode == CAMERA_CHASE) CameraMode = CAMERA_FROM_MODEL;
    else if (CameraMode == CAMERA_FROM_MODEL) CameraMode = CAMERA_ABOVE;
    else if (CameraMode == CAMERA_ABOVE) CameraMode = CAMERA_CHASE;
}

namespace {

const int8_t kCameraTargetPriority = -100;
const float kChaseSettleElevation = 20.0f;
uint32_t lastSerial = 0;

// The hit glow reaches past an entity's collision sphere by its radius again, as far as the
// ships go, but by no more than this: the factory's collision reach already stands well out
// from its walls, and twice that would fill a third of the picture from a few ship lengths.
const float kHitGlowRim = 8.0f;

float HitGlowRadius(float radius) { return std::fmin(2.0f * radius, radius + kHitGlowRim); }

uint32_t NextSerial()
{
    if (++lastSerial == 0) ++lastSerial;  // 0 means "nobody"
    return lastSerial;
}

}  // namespace

GameEntity3D::GameEntity3D() : Executable(0), serial(NextSerial())
{
    AddKind(kGameEntityKind);
    SetNoiseListener(&TellEntitiesOfNoise);
    gExecutor.AddTask(this);
    NearbyJoined(this);
}

GameEntity3D::~GameEntity3D()
{
    NearbyLeft(this);
    // Nothing may follow a deleted entity: the camera stays where it last was.
    if (CameraTarget == this) CameraTarget = nullptr;
}

void GameEntity3D::Run()
{
    if (hitPoints < 1) {
        SetState(TASK_FINISHED);
        return;
    }
    verticalSpeed.input -= 1;  // a constant downward push, felt only when configured
    Update();
    CameraStep();
    PlaceModel();
    BeforeDraw();
    if (!hidden && EntityDrawing()) {
        PrepareHitSphereDrawing();
        DrawInstance(model);
    }
}

void GameEntity3D::PlaceModel()
{
    model.position = position;
    model.forward = forward;
    model.up = up;
}

void GameEntity3D::Spawn(const Vector3D& where, float heading, Model* shape)
{
    position = where;
    forward = {1.0f, 0.0f, 0.0f};
    RotateY(forward, heading);
    up = {0.0f, 1.0f, 0.0f};
    model.AttachModel(shape);
    model.scale = 0.1f;
    ComputeRadius();
    PlaceModel();
}

bool GameEntity3D::Move()
{
    float dt = static_cast<float>(GetFrameTime());
    TurnToward(forward, up, turnRate.value * dt);

    Vector3D previous = position;
    Vector3D d = forward;
    Normalize(d);
    position = position + d * (forwardSpeed.value * dt);
    Vector3D side = d;
    RotateY(side, 90.0f);
    position = position + side * (sideSpeed.value * dt);
    position.y += verticalSpeed.value * dt;

    // The first running entity in task-list order that collides blocks the step.
    const NearbyEntities near(position, radius, true, this);
    if (GameEntity3D* other = near.First([this](GameEntity3D* e) { return Collides(*this, *e); })) {
        position = previous;  // the turn stays
        blockedBy = other->serial;
        return false;
    }
    blockedBy = 0;
    NearbyMoved(this);
    OnMoved(previous);
    PlaceModel();
    return true;
}

int32_t GameEntity3D::FindPart(const char* name) const
{
    const Model* m = model.model;
    if (!m || !name || name[0] == '\0') return -1;
    for (int32_t i = 0; i < m->count; ++i) {
        const char* objectName = m->objects[i].name ? m->objects[i].name : "";
        bool all = true;
        for (const char* c = name; *c && all; ++c) all = std::strchr(objectName, *c) != nullptr;
        if (all) return i;
    }
    return -1;
}

void GameEntity3D::ComputeRadius() { radius = InstanceReachRadius(model); }

void GameEntity3D::CameraStep()
{
    SetPriority(0);
    if (!CameraTarget || CameraTarget != this) return;

    bool listed = false;
    TaskIterator cursor(gExecutor.Tasks());
    while (Executable* task = cursor.Next()) {
        if (RunningEntity(task) == this) {
            listed = true;
            break;
        }
    }
    if (!listed) {
        CameraTarget = nullptr;
        return;
    }

    // The followed entity runs first from the next pass on, so the camera is in place
    // before the others draw.
    SetPriority(kCameraTargetPriority);

    switch (CameraMode) {
        case CAMERA_FROM_MODEL: {
            int32_t eye = FindPart("V");
            if (eye < 0) break;  // no eye part: the camera stays where it was
            Vector3D p{0.0f, 0.0f, 0.0f};
            Vector3D f;
            Vector3D u;
            if (model.PartPointToWorld(eye, p) && model.GetPartDirections(eye, f, u)) {
                CameraEye = p;
                CameraDirection = f;
                CameraUp = u;
            }
            break;
        }
        case CAMERA_CHASE:
            if (ChaseElevation >= kChaseSettleElevation) {
                float lowered = ChaseElevation - static_cast<float>(GetFrameTime()) * 0.05f;
                ChaseElevation = std::fmax(kChaseSettleElevation, lowered);
                PlaceChaseCamera(position, forward, ChaseElevation);
            } else {
                ChaseElevation = kChaseSettleElevation;
            }
            break;
        case CAMERA_ABOVE:
            CameraEye = {position.x, 1000.0f, position.z};
            CameraDirection = {0.0f, -1.0f, 0.0f};
            CameraUp = {forward.x, 0.0f, forward.z};
            break;
        default:
            break;
    }
    if (EntityDrawing()) ApplyCamera();
}

GameEntity3D* RunningEntity(Executable* task)
{
    static const int32_t kind = KindNumber(kGameEntityKind);
    if (!task || task->GetState() != TASK_RUNNING || task->FirstKindNumber() != kind)
        return nullptr;
    return static_cast<GameEntity3D*>(task);
}

bool Collides(const GameEntity3D& a, const GameEntity3D& b)
{
    if (a.noCollide || b.noCollide) return false;
    // A bolt never meets the ship that fired it, however long the frames: its first steps
    // start inside that ship's sphere.
    if (a.shooter == b.serial || b.shooter == a.serial) return false;
    return Distance(a.position, b.position) < a.radius + b.radius;
}

GameEntity3D* FindRunningEntity(uint32_t serial)
{
    if (serial == 0) return nullptr;
    TaskIterator cursor(gExecutor.Tasks());
    while (Executable* task = cursor.Next()) {
        GameEntity3D* entity = RunningEntity(task);
        if (entity && entity->serial == serial) return entity;
    }
    return nullptr;
}

void AreaDamage(const Vector3D& centre, float radius, int32_t damage, GameEntity3D* exclude,
                uint32_t source)
{
    if (damage == 0) return;
    NearbyEntities near(centre, radius, true, exclude);
    near.KeepOnly(
        [&](GameEntity3D* e) { return Distance(centre, e->position) < radius + e->radius; });
    for (const NearbyEntities::Entry& hit : near) {
        // OnHit notes the time of the hit: it moves nobody, so the reach found above holds.
        hit.entity->hitPoints -= damage;
        hit.entity->lastHitBy = source;
        hit.entity->OnHit(damage);
    }
}

void TellEntitiesOfNoise(const Vector3D& position, float range, void* exclude, int32_t value)
{
    NearbyEntities near(position, range, false, static_cast<const GameEntity3D*>(exclude));
    near.KeepOnly([&](GameEntity3D* e) { return Distance(position, e->position) <= range; });
    for (const NearbyEntities::Entry& heard : near) heard.entity->OnNoise(position, value);
}

Sound* CopyBankSound(int32_t index)
{
    if (index < 0 || index >= SoundBank.Count() || !SoundBank[index]) return nullptr;
    return new Sound(*SoundBank[index]);
}

void DrawHitSphereSince(const GameEntity3D& entity, bool wasHit, uint32_t hitTime)
{
    if (!wasHit) return;
    uint32_t elapsed = GetTicks() - hitTime;
    if (elapsed >= 1000) return;
    const float reach = HitGlowRadius(entity.radius);
    // Seen from inside, the glow would tint the whole picture (the ship's own glow in the
    // view from the cockpit): it is left out.
    if (Distance(CameraEye, entity.position) < reach) return;
    DrawHitSphere(entity.position, reach, 10, 10, 45, 117, 34, HitSphereAlpha(elapsed));
}

void PlaceChaseCamera(const Vector3D& position, const Vector3D& forward, float elevation)
{
    float e = std::fmin(89.0f, std::fmax(10.0f, elevation));
    float f = (e - 10.0f) / 79.0f;
    float dist = (1.0f - f) * 72.0f + f * 300.0f;
    double rad = static_cast<double>(e) * DEG_TO_RAD;

    Vector3D h{forward.x, 0.0f, forward.z};
    Normalize(h);
    CameraEye = position - h * static_cast<float>(dist * std::cos(rad));
    CameraEye.y += static_cast<float>(dist * std::sin(rad));
    CameraDirection = position - CameraEye;
    Normalize(CameraDirection);

    Vector3D ahead = position + h * 10.0f;
    Vector3D v = ahead - CameraEye;
    Vector3D axis = Cross(CameraDirection, v);
    CameraUp = CameraDirection;
    RotateAroundAxis(CameraUp, 90.0f, axis);
}
