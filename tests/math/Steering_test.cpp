// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "math/Steering.h"

namespace {

SteeringRequest* Request(uint8_t kind, Vector2D direction, float distance, int16_t range,
                         Vector2D alignment = {})
{
    auto* r = new SteeringRequest;
    r->kind = kind;
    r->direction = direction;
    r->alignment = alignment;
    r->distance = distance;
    r->range = range;
    return r;
}

struct Filed {
    uint8_t kind;
    Vector2D direction;
    float distance;
    int16_t range;
    Vector2D alignment;
};

TEST(Steering, CombinedDirections)
{
    const float n5 = 1.0f / std::sqrt(25.25f);
    const float n10 = 1.0f / std::sqrt(10.0f);
    const float n26 = 1.0f / std::sqrt(26.0f);
    struct Case {
        const char* what;
        std::vector<Filed> requests;
        Vector2D expected;
    };
    const Case cases[] = {
        {"nothing pending", {}, {0, 0}},
        {"keep distance at its range: alignment alone never steers",
         {{STEER_KEEP_DISTANCE, {0, 1}, 50, 50, {1, 0}}},
         {0, 0}},
        {"avoid inside range pushes away", {{STEER_AVOID, {1, 0}, 100, 500, {}}}, {-1, 0}},
        {"avoid outside range does nothing", {{STEER_AVOID, {1, 0}, 600, 500, {}}}, {0, 0}},
        {"approach pulls toward", {{STEER_APPROACH, {0, 1}, 300, 0, {}}}, {0, 1}},
        {"approach inside range does nothing", {{STEER_APPROACH, {0, 1}, 30, 50, {}}}, {0, 0}},
        {"keep distance too close pushes away",
         {{STEER_KEEP_DISTANCE, {0, 1}, 30, 50, {}}},
         {0, -1}},
        {"unknown kind is ignored", {{7, {1, 0}, 300, 0, {}}}, {0, 0}},
        {"keep distance with alignment",
         {{STEER_KEEP_DISTANCE, {1, 0}, 60, 50, {0, 1}}},
         {5 * n5, 0.5f * n5}},
        {"weights add up",
         {{STEER_APPROACH, {1, 0}, 10, 0, {}}, {STEER_APPROACH, {0, 1}, 30, 0, {}}},
         {n10, 3 * n10}},
        // The zero-weight request adds its alignment but does not count toward the average of S.
        {"averages count separately",
         {{STEER_KEEP_DISTANCE, {1, 0}, 60, 50, {0, 1}}, {STEER_AVOID, {0, 1}, 600, 500, {0, 3}}},
         {5 * n26, 1 * n26}},
    };
    for (const Case& c : cases) {
        for (const Filed& f : c.requests)
            AddSteeringRequest(Request(f.kind, f.direction, f.distance, f.range, f.alignment));
        Vector2D r = CombineSteering();
        EXPECT_NEAR(r.x, c.expected.x, 1e-6f) << c.what;
        EXPECT_NEAR(r.y, c.expected.y, 1e-6f) << c.what;
        EXPECT_EQ(PendingSteeringRequests(), 0) << c.what;

        // The same requests kept by the asker instead of filed: the very same result.
        std::vector<SteeringRequest> kept;
        for (const Filed& f : c.requests) {
            SteeringRequest* made = Request(f.kind, f.direction, f.distance, f.range, f.alignment);
            kept.push_back(*made);
            delete made;
        }
        EXPECT_EQ(CombineSteering(kept.data(), static_cast<int32_t>(kept.size())), r) << c.what;
    }
}

// Float sums depend on their order: requests kept by the asker are added last filed first,
// as the pending list does, and whatever was still pending comes after them and goes.
TEST(Steering, KeptRequestsCombineInTheOrderOfFiledOnes)
{
    std::vector<Filed> many;
    for (int i = 0; i < 40; ++i)
        many.push_back({uint8_t(i % 3),
                        {std::cos(0.3f * i), std::sin(0.7f * i)},
                        7.3f * float(i) + 0.1f,
                        int16_t(i % 2 ? 50 : 500),
                        {0.1f * float(i % 4), 0.37f * float(i % 5)}});
    AddSteeringRequest(Request(STEER_APPROACH, {0.6f, 0.8f}, 123.4f, 0));  // left over
    for (const Filed& f : many)
        AddSteeringRequest(Request(f.kind, f.direction, f.distance, f.range, f.alignment));
    const Vector2D filed = CombineSteering();

    AddSteeringRequest(Request(STEER_APPROACH, {0.6f, 0.8f}, 123.4f, 0));
    std::vector<SteeringRequest> kept(many.size());
    for (size_t i = 0; i < many.size(); ++i) {
        kept[i].kind = many[i].kind;
        kept[i].direction = many[i].direction;
        kept[i].distance = many[i].distance;
        kept[i].range = many[i].range;
        kept[i].alignment = many[i].alignment;
    }
    EXPECT_EQ(CombineSteering(kept.data(), static_cast<int32_t>(kept.size())), filed);
    EXPECT_EQ(PendingSteeringRequests(), 0);
}

TEST(Steering, CombineEmptiesTheList)
{
    AddSteeringRequest(Request(STEER_APPROACH, {0, 1}, 300, 0));
    EXPECT_EQ(PendingSteeringRequests(), 1);
    Vector2D first = CombineSteering();
    EXPECT_EQ(first, (Vector2D{0, 1}));
    Vector2D second = CombineSteering();
    EXPECT_EQ(second, (Vector2D{0, 0}));
}

TEST(Steering, ClearDeletesPendingRequests)
{
    AddSteeringRequest(Request(STEER_APPROACH, {0, 1}, 300, 0));
    AddSteeringRequest(Request(STEER_AVOID, {1, 0}, 10, 50));
    AddSteeringRequest(nullptr);  // ignored
    EXPECT_EQ(PendingSteeringRequests(), 2);
    ClearSteeringRequests();
    EXPECT_EQ(PendingSteeringRequests(), 0);
    EXPECT_EQ(CombineSteering(), (Vector2D{0, 0}));
}

}  // namespace
