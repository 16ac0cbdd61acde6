// SPDX-License-Identifier: MIT
// The player ship: flown with the input state, fires volleys of four bolts from its gun parts
// "W0"-"W3", is followed by the camera and switches its view, shows the hit sphere for a
// second after each hit, and leaves an explosion when it is destroyed.
#pragma once

#include <cstdint>

#include "entities/GameEntity.h"

class Sound;

class XWing : public GameEntity3D {
public:
    // At position facing heading degrees (0 is +x); becomes the camera target.
    XWing(const Vector3D& position, float heading);
    // Leaves a loud explosion where the ship was.
    ~XWing() override;

    // Thrust, turn, fire, move, view switch, hit sphere.
    void Update() override;
    void OnHit(int32_t damage) override;

    uint32_t hitTime = 0;  // GetTicks of the last hit
    bool wasHit = false;  // hitTime is meaningful
    Sound* weaponSound = nullptr;  // owned copy of the bank's weapon sound

private:
    void FireVolley();
};
