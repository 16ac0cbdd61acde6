// SPDX-License-Identifier: MIT
#include "entities/TieFighter.h"

#include <cstdio>
#include <vector>

#include "assets/SoundOutput.h"
#include "entities/Explosion.h"
#include "entities/GameModels.h"
#include "entities/Laser.h"
#include "entities/Particles.h"
#include "math/Steering.h"
#include "shell/Services.h"

namespace {

const float kSightRange = 200.0f;
const int16_t kCompanyDistance = 50;
const int16_t kAvoidRange = 500;
const uint32_t kFireWindowMs = 299;  // attempts at most once per 300 ms
const float kFireCone = 25.0f;
const float kEdge = 1000.0f;

}  // namespace

TieFighter::TieFighter(const Vector3D& where, float heading)
{
    hitPoints = 300;
    team = TEAM_FIGHTER;
    Spawn(where, heading, &TieFighterModel);
    forwardSpeed.Configure(0.0005f, 4.0f, 0.13f);
    turnRate.Configure(0.0008f, 2.0f, 0.15f);
    weaponSound = CopyBankSound(0);
}

TieFighter::~TieFighter()
{
    delete weaponSound;
    new Explosion(position, 100.0f, 0, 1);
}

void TieFighter::Update()
{
    forwardSpeed.input += 1;
    Steer();
    Move();
    DrawHitSphereSince(*this, wasHit, hitTime);

    // Strict tests, each on its own: still outside next frame means turning back again.
    if (position.x < -kEdge) forward.x = -forward.x;
    if (position.x > kEdge) forward.x = -forward.x;
    if (position.z < -kEdge) forward.z = -forward.z;
    if (position.z > kEdge) forward.z = -forward.z;
}

void TieFighter::OnHit(int32_t)
{
    hitTime = GetTicks();
    wasHit = true;
}

void TieFighter::Steer()
{
    // One request per running entity within sight, in task-list order; the fighter keeps
    // them itself (one list, used again every time) rather than filing each on the heap.
    static std::vector<SteeringRequest> requests;
    requests.clear();
    NearbyEntities near(position, kSightRange, false, this);
    near.KeepOnly([this](GameEntity3D* other) {
        // Not "d <= 200": a distance that is not a number is not beyond sight either.
        return !(Length(other->position - position) > kSightRange) &&
               (other->team == TEAM_PLAYER || other->team == TEAM_FIGHTER ||
                other->team == TEAM_FACTORY);
    });
    for (const NearbyEntities::Entry& seen : near) {
        GameEntity3D* other = seen.entity;
        Vector3D rel = other->position - position;
        float d = Length(rel);
        SteeringRequest& request = requests.emplace_back();  // filled in place
        request.distance = d;
        // Two objects in the same place have no direction between them.
        if (d > 0.0f) request.direction = {rel.x / d, rel.z / d};
        switch (other->team) {
            case TEAM_FIGHTER:
                request.kind = STEER_KEEP_DISTANCE;
                request.range = kCompanyDistance;
                request.alignment = {other->forward.x, other->forward.z};
                break;
            case TEAM_PLAYER:
                request.kind = STEER_AVOID;
                request.range = kAvoidRange;
                Fire(other->position);
                break;
            default:
                request.kind = STEER_APPROACH;
                request.range = 0;
                Fire(other->position);
                break;
        }
    }

    Vector2D wanted = CombineSteering(requests.data(), static_cast<int32_t>(requests.size()));
    if (wanted.x == 0.0f && wanted.y == 0.0f) return;
    float turn = HeadingDelta(Vector2D{forward.x, forward.z}, wanted);
    // A negative turn rate raises the heading: always the short way round.
    if (turn > 0.0f) turnRate.input -= 1;
    else if (turn < 0.0f) turnRate.input += 1;
}

void TieFighter::Fire(const Vector3D& target)
{
    uint32_t now = GetTicks();
    if (now - lastFireTime <= kFireWindowMs) return;
    lastFireTime = now;  // a failed attempt uses up the window too

    Vector3D rel = target - position;
    Vector3D toTarget = rel;
    Vector3D nose = forward;
    if (AngleBetween(toTarget, nose) > kFireCone) return;

    PlaySoundAt(weaponSound, position, 1000.0f, nullptr, 0);
    Vector3D aim = rel;
    Normalize(aim);  // no lead: straight at where the target is now
    for (int32_t i = 0; i < 2; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "W%d", static_cast<int>(i));
        int32_t gun = FindPart(name);
        if (gun == -1) continue;
        Vector3D muzzle{0.0f, 0.0f, 0.0f};
        if (model.PartPointToWorld(gun, muzzle)) new Laser(muzzle, aim, PRESET_ENEMY_TRAIL, this);
    }
}
