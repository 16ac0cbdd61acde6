// SPDX-License-Identifier: MIT
// The enemy fighter: always at full thrust, steers by a flocking rule over everything within
// 200 units (keeps company with fighters, shies away from the player's side, closes in on
// factories), fires two bolts at whatever of the player's side or the factories lies within
// 25 degrees of its nose (one attempt per 300 ms), turns back at the edges of the play square,
// shows the hit sphere after a hit and leaves an explosion when destroyed.
#pragma once

#include <cstdint>

#include "entities/GameEntity.h"

class Sound;

class TieFighter : public GameEntity3D {
public:
    TieFighter(const Vector3D& position, float heading);
    ~TieFighter() override;  // leaves an explosion

    // Thrust, steering (and firing), move, hit sphere, bounds.
    void Update() override;
    void OnHit(int32_t damage) override;

    uint32_t hitTime = 0;
    bool wasHit = false;
    uint32_t lastFireTime = 0;  // GetTicks of the last aiming attempt
    Sound* weaponSound = nullptr;

private:
    void Steer();
    void Fire(const Vector3D& target);
};
