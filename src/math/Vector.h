// SPDX-License-Identifier: MIT
// Three- and two-component float vectors and the free functions that move and turn them.
// World axes are right-handed with y up; the ground is the x-z plane. Angles are degrees;
// trigonometry runs in double precision and stored results are rounded to float. Every
// rotation turns the same way as glRotatef (x axis by +90 degrees about y gives (0, 0, -1)).
#pragma once

constexpr float DEG_TO_RAD = 0.017453292f;
constexpr float RAD_TO_DEG = 57.29578f;

struct Vector3D {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

// A direction on the ground plane: x is the world x, y holds the world z.
struct Vector2D {
    float x = 0.0f;
    float y = 0.0f;
};

// Component-wise helpers, all in single precision.
inline Vector3D operator+(const Vector3D& a, const Vector3D& b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vector3D operator-(const Vector3D& a, const Vector3D& b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vector3D operator-(const Vector3D& a) { return {-a.x, -a.y, -a.z}; }
inline Vector3D operator*(const Vector3D& a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline Vector3D operator*(float s, const Vector3D& a) { return {a.x * s, a.y * s, a.z * s}; }
inline bool operator==(const Vector3D& a, const Vector3D& b)
{
    return a.x == b.x && a.y == b.y && a.z == b.z;
}
inline bool operator!=(const Vector3D& a, const Vector3D& b) { return !(a == b); }

inline Vector2D operator+(const Vector2D& a, const Vector2D& b) { return {a.x + b.x, a.y + b.y}; }
inline Vector2D operator-(const Vector2D& a, const Vector2D& b) { return {a.x - b.x, a.y - b.y}; }
inline Vector2D operator*(const Vector2D& a, float s) { return {a.x * s, a.y * s}; }
inline Vector2D operator*(float s, const Vector2D& a) { return {a.x * s, a.y * s}; }
inline bool operator==(const Vector2D& a, const Vector2D& b) { return a.x == b.x && a.y == b.y; }
inline bool operator!=(const Vector2D& a, const Vector2D& b) { return !(a == b); }

float Length(const Vector3D& v);
float Distance(const Vector3D& a, const Vector3D& b);  // length of a - b
float Dot(const Vector3D& a, const Vector3D& b);
Vector3D Cross(const Vector3D& a, const Vector3D& b);

// Divides v by its length in place and returns a copy; a zero vector is left as it is.
Vector3D Normalize(Vector3D& v);
Vector2D Normalize2D(Vector2D& v);

// In-place rotations about the world axes by angle degrees.
void RotateX(Vector3D& v, float angle);
void RotateY(Vector3D& v, float angle);
void RotateZ(Vector3D& v, float angle);
// In-place rotation about axis, which is normalised in place too. Nothing happens for
// angle 0 or a zero axis.
void RotateAroundAxis(Vector3D& v, float angle, Vector3D& axis);

// Angle in degrees in [0, 180]. Normalises a and b in place: pass copies to keep lengths.
float AngleBetween(Vector3D& a, Vector3D& b);

// The angle by which RotateY turns (1, 0, 0) to point along (v.x, 0, v.y), in [0, 360]:
// (1, 0) gives 0, (0, -1) 90, (-1, 0) 180, (0, 1) 270; (0, 0) gives 90.
float Heading(const Vector2D& v);
// Signed shortest turn in [-180, 180] from the heading of from to that of to; positive
// means the heading of from must increase.
float HeadingDelta(const Vector2D& from, const Vector2D& to);

// Yaws a about b in place: a = a cos + n sin with n the unit a x b; a is not renormalised.
void TurnToward(Vector3D& a, const Vector3D& b, float angle);

// True when the segment p-q passes within radius of m, with m not beyond either end's reach.
bool SegmentNearPoint(const Vector3D& p, const Vector3D& q, const Vector3D& m, float radius);
