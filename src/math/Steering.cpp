// SPDX-License-Identifier: MIT
#include "math/Steering.h"

namespace {

SteeringRequest* pending = nullptr;  // newest first

float Weight(const SteeringRequest& r)
{
    const float w = r.distance - r.range;
    switch (r.kind) {
        case STEER_KEEP_DISTANCE:
            return w;
        case STEER_AVOID:
            return r.range > r.distance ? w : 0.0f;
        case STEER_APPROACH:
            return r.range < r.distance ? w : 0.0f;
        default:
            return 0.0f;
    }
}

}  // namespace

void AddSteeringRequest(SteeringRequest* request)
{
    if (!request) return;
    request->next = pending;
    pending = request;
}

namespace {

// Combines the requests that forEach hands to its visitor, newest first.
template <typename ForEach>
Vector2D Combine(ForEach forEach)
{
    Vector2D sum;
    int n = 0;
    Vector2D align;
    int m = 0;

    forEach([&](SteeringRequest* r) {
        const float w = Weight(*r);
        if (w != 0.0f) {
            r->direction = r->direction * w;
            sum = sum + r->direction;
            ++n;
        }
        if (r->alignment.x != 0.0f || r->alignment.y != 0.0f) {
            align = align + r->alignment;
            ++m;
        }
    });
    ClearSteeringRequests();

    if (n > 0) {
        sum.x /= n;
        sum.y /= n;
    }
    if (m > 0) {
        align.x /= m;
        align.y /= m;
    }
    if (sum.x == 0.0f && sum.y == 0.0f) return Vector2D{};
    if (align.x != 0.0f || align.y != 0.0f) sum = (sum + align) * 0.5f;
    return Normalize2D(sum);
}

template <typename Visit>
void EachPending(Visit visit)
{
    for (SteeringRequest* r = pending; r; r = r->next) visit(r);
}

}  // namespace

Vector2D CombineSteering()
{
    return Combine([](auto visit) { EachPending(visit); });
}

Vector2D CombineSteering(SteeringRequest* requests, int32_t count)
{
    return Combine([&](auto visit) {
        for (int32_t i = count - 1; i >= 0; --i) visit(&requests[i]);
        EachPending(visit);
    });
}

void ClearSteeringRequests()
{
    while (pending) {
        SteeringRequest* r = pending;
        pending = r->next;
        delete r;
    }
}

int32_t PendingSteeringRequests()
{
    int32_t count = 0;
    for (const SteeringRequest* r = pending; r; r = r->next) ++count;
    return count;
}
