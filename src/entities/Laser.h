// SPDX-License-Identifier: MIT
// A bolt of the player or of an enemy fighter: flies straight at 0.5 units per ms, passes
// through everything for its first 40 ms, blasts 100 damage into everything within 8 units
// (plus their radius) when its step is blocked, leaves one trail particle per frame and is
// gone after 700 ms. It never hits, blocks or blasts the entity that fired it.
#pragma once

#include <cstdint>

#include "entities/GameEntity.h"

constexpr float kBoltSpeed = 0.5f;  // units per ms, from its second pass on
constexpr uint32_t kBoltLifeMs = 700;

class Laser : public GameEntity3D {
public:
    // direction is kept as given (not normalised); trailPreset is the particle preset;
    // firedBy (may be none) is remembered by its serial, so it may be destroyed meanwhile.
    Laser(const Vector3D& position, const Vector3D& direction, int8_t trailPreset,
          const GameEntity3D* firedBy = nullptr);

    void Update() override;

    uint32_t birthTime = 0;
    int8_t trailPreset = 0;
};
