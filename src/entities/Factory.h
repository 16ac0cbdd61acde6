// SPDX-License-Identifier: MIT
// The ground building: stands still, blocks whatever flies into it, takes 100 per bolt blast,
// shows the hit sphere for a second after each hit and vanishes (without an explosion) at
// the tenth blast.
#pragma once

#include <cstdint>

#include "entities/GameEntity.h"

class Factory : public GameEntity3D {
public:
    explicit Factory(const Vector3D& position);

    void Update() override;  // the hit sphere only
    void OnHit(int32_t damage) override;

    uint32_t hitTime = 0;
    bool wasHit = false;
};
