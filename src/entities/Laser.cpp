// SPDX-License-Identifier: MIT
#include "entities/Laser.h"

#include "entities/Particles.h"
#include "math/Vector.h"
#include "shell/Services.h"

namespace {

const uint32_t kPassThroughMs = 40;
const int32_t kBlastDamage = 100;
const float kBlastReach = 8.0f;  // times the bolt's radius

}  // namespace

Laser::Laser(const Vector3D& where, const Vector3D& direction, int8_t trail,
             const GameEntity3D* firedBy)
{
    shooter = firedBy ? firedBy->serial : 0;
    position = where;
    forward = direction;
    team = TEAM_PLAYER;
    radius = 1.0f;
    forwardSpeed.Configure(kBoltSpeed, 4.0f, kBoltSpeed);
    noCollide = true;
    birthTime = GetTicks();
    trailPreset = trail;
    PlaceModel();
}

void Laser::Update()
{
    uint32_t age = GetTicks() - birthTime;
    if (age > kBoltLifeMs) SetState(TASK_FINISHED);  // the rest of this frame still happens
    if (age > kPassThroughMs) noCollide = false;

    forwardSpeed.input += 1;
    if (!Move()) {
        // Blocked: the blast is centred where the bolt was before the step.
        // The shooter's companions are hurt like anyone else; the shooter itself is not.
        float reach = radius * kBlastReach;
        AreaDamage(position, reach, kBlastDamage, FindRunningEntity(shooter), shooter);
        // After a long frame the step that was blocked can be longer than the blast's reach:
        // the ship or building the bolt struck is hurt all the same (two bolts meeting keep
        // to the blast alone).
        GameEntity3D* struck = FindRunningEntity(blockedBy);
        if (struck && !dynamic_cast<Laser*>(struck) &&
            Distance(position, struck->position) >= reach + struck->radius) {
            struck->hitPoints -= kBlastDamage;
            struck->lastHitBy = shooter;
            struck->OnHit(kBlastDamage);
        }
        SetState(TASK_FINISHED);
    }

    Particle trail;
    trail.kind = PARTICLE_SINGLE_FRAME;
    trail.preset = trailPreset;
    trail.position = position;
    EmitParticle(trail);
}
