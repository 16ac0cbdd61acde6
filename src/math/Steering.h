// SPDX-License-Identifier: MIT
// The steering combiner of the enemy fighters. An asker files one request per object it
// looks at, then CombineSteering adds them up into one ground-plane direction and empties the
// pending list, so one asker's requests never mix with another's.
#pragma once

#include <cstdint>

#include "math/Vector.h"

enum : uint8_t {
    STEER_KEEP_DISTANCE = 0,  // weight distance - range
    STEER_AVOID = 1,  // distance - range while inside range
    STEER_APPROACH = 2,  // distance - range while outside range
};

// Allocated with new by the asker; the pending list owns it once added.
struct SteeringRequest {
    uint8_t kind = STEER_KEEP_DISTANCE;
    Vector2D direction;  // toward the other object (world x, z); scaled by the weight
    Vector2D alignment;  // direction to fly alongside, (0, 0) for none
    float distance = 0.0f;
    int16_t range = 0;
    SteeringRequest* next = nullptr;
};

// Puts the request at the front of the pending list (ignored when none).
void AddSteeringRequest(SteeringRequest* request);

// Combines and deletes every pending request. Returns a unit direction, or (0, 0) when
// there is nothing to steer by (alignment alone never steers).
Vector2D CombineSteering();

// The same for the requests of one asker held by the asker itself, in the order it would have
// filed them (so they are combined from the last to the first), followed by whatever is still
// pending, which is deleted. Nothing is allocated; the requests' directions are scaled in place.
Vector2D CombineSteering(SteeringRequest* requests, int32_t count);

// Deletes every pending request.
void ClearSteeringRequests();

int32_t PendingSteeringRequests();
