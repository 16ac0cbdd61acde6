// SPDX-License-Identifier: MIT
#include "entities/Explosion.h"

#include <cmath>

#include "assets/SoundOutput.h"
#include "entities/GameEntity.h"
#include "entities/Particles.h"
#include "shell/Services.h"

const char* const kExplosionKind = "Explosion";

namespace {

const uint32_t kLastMs = 779;  // 780 ms of fire
const float kParticlesPerMs = 0.01f;

}  // namespace

Explosion::Explosion(const Vector3D& where, float explosionPower, int32_t explosionDamage,
                     int32_t soundIndex)
    : Executable(0)
{
    AddKind(kExplosionKind);
    position = where;
    power = explosionPower;
    damage = explosionDamage;
    carry = 0.0f;
    birthTime = GetTicks();
    if (soundIndex != -1) {
        sound = CopyBankSound(soundIndex);
        PlaySoundAt(sound, position, power * 100.0f, nullptr, soundIndex);
    }
    gExecutor.AddTask(this);
}

Explosion::~Explosion() { delete sound; }

void Explosion::Run()
{
    AreaDamage(position, power, damage, nullptr);

    carry += static_cast<float>(GetFrameTime()) * kParticlesPerMs;
    float whole = std::floor(carry);
    if (whole != 0.0f) {
        carry -= whole;
        Particle fire;
        fire.kind = PARTICLE_FADING;
        fire.preset = PRESET_FIRE;
        fire.position = position;
        fire.direction = {0.0f, 1.0f, 0.0f};
        for (int32_t i = 0; i < static_cast<int32_t>(whole); ++i) EmitParticle(fire);
    }

    if (GetTicks() - birthTime > kLastMs) SetState(TASK_FINISHED);
}
