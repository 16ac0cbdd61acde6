// SPDX-License-Identifier: MIT
// The blast a destroyed ship leaves: plays its sound once, hurts what is near each frame
// (the game's explosions carry no damage) and emits rising fire, ten particles per second,
// for 780 ms. A task of its own kind "Explosion", never seen as a 3D game object.
#pragma once

#include <cstdint>

#include "math/Vector.h"
#include "shell/TaskList.h"

class Sound;

extern const char* const kExplosionKind;

class Explosion : public Executable {
public:
    // Joins gExecutor. soundIndex -1 is silent; otherwise a copy of that bank sound plays at
    // once, heard up to power x 100 units from the camera.
    Explosion(const Vector3D& position, float power, int32_t damage, int32_t soundIndex);
    ~Explosion() override;

    void Run() override;

    Vector3D position;
    float power = 0.0f;  // reach of the damage
    int32_t damage = 0;  // per frame
    Sound* sound = nullptr;
    float carry = 0.0f;  // fraction of a particle still owed
    uint32_t birthTime = 0;
};
