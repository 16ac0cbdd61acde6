// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cmath>

#include "math/Vector.h"

namespace {

constexpr float kTol = 1e-5f;

void ExpectNear(const Vector3D& actual, const Vector3D& expected, const char* what,
                float tol = kTol)
{
    EXPECT_NEAR(actual.x, expected.x, tol) << what;
    EXPECT_NEAR(actual.y, expected.y, tol) << what;
    EXPECT_NEAR(actual.z, expected.z, tol) << what;
}

// A ground-plane direction whose Heading is h degrees: RotateY of (1, 0, 0) by h.
Vector2D DirectionOfHeading(float h)
{
    Vector3D v{1, 0, 0};
    RotateY(v, h);
    return {v.x, v.z};
}

TEST(Vector, ConversionConstantsAreSinglePrecision)
{
    EXPECT_EQ(DEG_TO_RAD, 0.017453292f);
    EXPECT_EQ(RAD_TO_DEG, 57.29578f);
}

TEST(Vector, LengthDistanceDotCross)
{
    EXPECT_FLOAT_EQ(Length({3, 4, 12}), 13.0f);
    EXPECT_FLOAT_EQ(Length({0, 0, 0}), 0.0f);
    EXPECT_FLOAT_EQ(Distance({1, 2, 3}, {4, 6, 3}), 5.0f);
    EXPECT_FLOAT_EQ(Dot({1, 2, 3}, {4, -5, 6}), 12.0f);

    // Right-handed: x cross y = z, y cross z = x, z cross x = y, and swapping negates.
    struct Case {
        Vector3D a, b, expected;
    };
    const Case cases[] = {
        {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}},   {{0, 1, 0}, {0, 0, 1}, {1, 0, 0}},
        {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},   {{0, 1, 0}, {1, 0, 0}, {0, 0, -1}},
        {{1, 2, 3}, {4, 5, 6}, {-3, 6, -3}}, {{2, 0, 0}, {4, 0, 0}, {0, 0, 0}},
    };
    for (const Case& c : cases) EXPECT_EQ(Cross(c.a, c.b), c.expected);
}

TEST(Vector, NormalizeChangesItsArgument)
{
    Vector3D v{3, 0, 4};
    Vector3D copy = Normalize(v);
    ExpectNear(v, {0.6f, 0, 0.8f}, "in place");
    EXPECT_EQ(copy, v);

    Vector2D w{0, -5};
    Vector2D copy2 = Normalize2D(w);
    EXPECT_EQ(w, (Vector2D{0, -1}));
    EXPECT_EQ(copy2, w);
}

TEST(Vector, NormalizeOfZeroDividesNothing)
{
    Vector3D zero{0, 0, 0};
    Vector3D result = Normalize(zero);
    EXPECT_EQ(zero, (Vector3D{0, 0, 0}));
    EXPECT_EQ(result, (Vector3D{0, 0, 0}));

    Vector2D zero2{0, 0};
    EXPECT_EQ(Normalize2D(zero2), (Vector2D{0, 0}));
    EXPECT_EQ(zero2, (Vector2D{0, 0}));
}

// Positive angles turn counter-clockwise seen from the tip of the axis (as glRotatef).
TEST(Vector, AxisRotationsFollowTheRightHandRule)
{
    enum Axis { X, Y, Z };
    struct Case {
        Axis axis;
        Vector3D v;
        float angle;
        Vector3D expected;
    };
    const Case cases[] = {
        {Y, {1, 0, 0}, 90, {0, 0, -1}},  {Y, {0, 0, 1}, 90, {1, 0, 0}},
        {Y, {1, 0, 0}, -90, {0, 0, 1}},  {Y, {0, 5, 0}, 37, {0, 5, 0}},
        {X, {0, 1, 0}, 90, {0, 0, 1}},   {X, {0, 0, 1}, 90, {0, -1, 0}},
        {Z, {1, 0, 0}, 90, {0, 1, 0}},   {Z, {0, 1, 0}, 90, {-1, 0, 0}},
        {Z, {2, 0, 0}, 180, {-2, 0, 0}}, {X, {0, 1, 0}, 45, {0, 0.70710678f, 0.70710678f}},
    };
    for (const Case& c : cases) {
        Vector3D v = c.v;
        if (c.axis == X) RotateX(v, c.angle);
        else if (c.axis == Y) RotateY(v, c.angle);
        else RotateZ(v, c.angle);
        ExpectNear(v, c.expected, "axis rotation");

        // The same turn about the arbitrary-axis form.
        Vector3D axis{c.axis == X ? 1.0f : 0.0f, c.axis == Y ? 1.0f : 0.0f,
                      c.axis == Z ? 1.0f : 0.0f};
        Vector3D w = c.v;
        RotateAroundAxis(w, c.angle, axis);
        ExpectNear(w, v, "about axis");
    }
}

TEST(Vector, RotateAroundAxisTurnsPerpendicularVectorIntoAxisCrossV)
{
    const Vector3D n = [] {
        Vector3D a{1, 2, 2};
        return Normalize(a);
    }();
    const Vector3D v = Cross(n, {0, 0, 1});  // perpendicular to n
    Vector3D w = v;
    Vector3D axis = n;
    RotateAroundAxis(w, 90, axis);
    ExpectNear(w, Cross(n, v), "quarter turn");
    EXPECT_NEAR(Length(w), Length(v), kTol);
}

TEST(Vector, RotateAroundAxisDegenerateArguments)
{
    Vector3D v{1, 2, 3};
    Vector3D axis{0, 0, 0};
    RotateAroundAxis(v, 90, axis);
    EXPECT_EQ(v, (Vector3D{1, 2, 3}));

    Vector3D longAxis{0, 7, 0};
    RotateAroundAxis(v, 0, longAxis);
    EXPECT_EQ(v, (Vector3D{1, 2, 3}));
    EXPECT_EQ(longAxis, (Vector3D{0, 7, 0}));  // angle 0 returns before normalising

    // A non-unit axis turns as its unit direction and is left normalised.
    Vector3D a{1, 2, 3};
    Vector3D b{1, 2, 3};
    Vector3D axis2{0, 2, 0};
    Vector3D unit{0, 1, 0};
    RotateAroundAxis(a, 30, axis2);
    RotateAroundAxis(b, 30, unit);
    EXPECT_EQ(a, b);
    EXPECT_EQ(axis2, (Vector3D{0, 1, 0}));
}

TEST(Vector, AngleBetween)
{
    struct Case {
        Vector3D a, b;
        float expected;
    };
    const Case cases[] = {
        {{1, 0, 0}, {2, 0, 0}, 0},  {{1, 0, 0}, {0, 3, 0}, 90},   {{1, 0, 0}, {-1, 0, 0}, 180},
        {{1, 0, 0}, {1, 1, 0}, 45}, {{0, 0, 1}, {0, 0, -4}, 180}, {{0, 0, 0}, {0, 0, 0}, 0},
        {{0, 0, 0}, {0, 1, 0}, 0},
    };
    for (const Case& c : cases) {
        Vector3D a = c.a, b = c.b;
        float angle = AngleBetween(a, b);
        EXPECT_FALSE(std::isnan(angle));
        EXPECT_NEAR(angle, c.expected, 1e-4f);
    }

    // Both arguments come back normalised.
    Vector3D a{1, 0, 0}, b{2, 0, 0};
    EXPECT_EQ(AngleBetween(a, b), 0.0f);
    EXPECT_EQ(b, (Vector3D{1, 0, 0}));
    Vector3D c{0, 0, 5}, d{0, -3, 0};
    AngleBetween(c, d);
    EXPECT_EQ(c, (Vector3D{0, 0, 1}));
    EXPECT_EQ(d, (Vector3D{0, -1, 0}));
}

TEST(Vector, Heading)
{
    struct Case {
        Vector2D v;
        float expected;
    };
    const Case cases[] = {
        {{1, 0}, 0},   {{0, -1}, 90}, {{-1, 0}, 180},  {{0, 1}, 270},
        {{1, 1}, 315}, {{1, -1}, 45}, {{-1, -1}, 135}, {{-1, 1}, 225},
        {{0, 0}, 90},  {{0, 5}, 270}, {{-3, 0}, 180},  {{2, -2}, 45},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(Heading(c.v), c.expected, 1e-4f) << c.v.x << ", " << c.v.y;

    // RotateY by the heading turns (1, 0, 0) onto the direction.
    for (float h = 0; h < 360; h += 15) {
        Vector2D dir = DirectionOfHeading(h);
        float heading = Heading(dir);
        EXPECT_GE(heading, 0.0f);
        EXPECT_LE(heading, 360.0f);
        Vector3D v{1, 0, 0};
        RotateY(v, heading);
        ExpectNear(v, {dir.x, 0, dir.y}, "heading round trip");
    }
}

TEST(Vector, HeadingDelta)
{
    struct Case {
        Vector2D from, to;
        float expected;
    };
    const Case cases[] = {
        {DirectionOfHeading(350), DirectionOfHeading(10), 20},
        {DirectionOfHeading(10), DirectionOfHeading(350), -20},
        {DirectionOfHeading(10), DirectionOfHeading(50), 40},
        {DirectionOfHeading(50), DirectionOfHeading(10), -40},
        {DirectionOfHeading(90), DirectionOfHeading(300), -150},
        {DirectionOfHeading(300), DirectionOfHeading(90), 150},
        {{1, 0}, {-1, 0}, -180},  // 0 to 180: both ways equal, from is not past 180
        {{0, 1}, {0, -1}, 180},  // 270 to 90: from is past 180
        {{3, 0}, {1, 0}, 0},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(HeadingDelta(c.from, c.to), c.expected, 1e-3f) << c.expected;
}

TEST(Vector, TurnTowardYawsTowardACrossB)
{
    const Vector3D up{0, 1, 0};
    Vector3D a{1, 0, 0};
    TurnToward(a, up, 90);
    ExpectNear(a, {0, 0, 1}, "quarter turn");

    // A positive turn lowers the heading.
    Vector3D f{0, 0, -1};  // heading 90
    TurnToward(f, up, 10);
    EXPECT_NEAR(Heading({f.x, f.z}), 80.0f, 1e-3f);
    EXPECT_NEAR(Length(f), 1.0f, kTol);

    // Parallel to b: only scaled by cos(angle).
    Vector3D p{0, 2, 0};
    TurnToward(p, up, 60);
    ExpectNear(p, {0, 1, 0}, "parallel");
}

TEST(Vector, SegmentNearPoint)
{
    struct Case {
        Vector3D p, q, m;
        float radius;
        bool expected;
        const char* what;
    };
    const Case cases[] = {
        {{0, 0, 0}, {10, 0, 0}, {0, 0, 0}, 0, true, "m at p"},
        {{0, 0, 0}, {10, 0, 0}, {10, 0, 0}, 0, true, "m at q"},
        {{1, 1, 1}, {1, 1, 1}, {1, 1, 1}, 5, false, "p = q = m"},
        {{0, 0, 0}, {10, 0, 0}, {5, 3, 0}, 3.5f, true, "beside the middle, inside"},
        {{0, 0, 0}, {10, 0, 0}, {5, 3, 0}, 2.5f, false, "beside the middle, outside"},
        {{0, 0, 0}, {10, 0, 0}, {12, 0, 0}, 100, false, "beyond q"},
        {{0, 0, 0}, {10, 0, 0}, {-1, 0, 0}, 100, false, "behind p"},
        {{0, 0, 0}, {2, 0, 0}, {1, 5, 0}, 100, false, "too far to the side for the reach"},
        // Straight through the centre: the rounded side lengths make Heron's product a
        // little negative, which must still count as a hit.
        {{0, 0, 0}, {1, 1, 1}, {0.3f, 0.3f, 0.3f}, 1, true, "through the centre"},
        {{0, 0, 0}, {1, 0, 3}, {0.2f, 0, 0.6f}, 0, true, "through the centre, radius 0"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SegmentNearPoint(c.p, c.q, c.m, c.radius), c.expected) << c.what;
}

}  // namespace
