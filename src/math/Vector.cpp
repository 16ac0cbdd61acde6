// SPDX-License-Identifier: MIT
#include "math/Vector.h"

#include <cmath>

float Length(const Vector3D& v)
{
    return static_cast<float>(std::sqrt(static_cast<double>(v.x * v.x + v.y * v.y + v.z * v.z)));
}

float Distance(const Vector3D& a, const Vector3D& b) { return Length(a - b); }

float Dot(const Vector3D& a, const Vector3D& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

Vector3D Cross(const Vector3D& a, const Vector3D& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

Vector3D Normalize(Vector3D& v)
{
    float length = Length(v);
    if (length == 0.0f) return v;
    v.x /= length;
    v.y /= length;
    v.z /= length;
    return v;
}

Vector2D Normalize2D(Vector2D& v)
{
    float length = static_cast<float>(std::sqrt(static_cast<double>(v.x * v.x + v.y * v.y)));
    if (length == 0.0f) return v;
    v.x /= length;
    v.y /= length;
    return v;
}

void RotateX(Vector3D& v, float angle)
{
    const double r = angle * DEG_TO_RAD;
    const double c = std::cos(r), s = std::sin(r);
    const float y = v.y, z = v.z;
    v.y = static_cast<float>(y * c - z * s);
    v.z = static_cast<float>(y * s + z * c);
}

void RotateY(Vector3D& v, float angle)
{
    const double r = angle * DEG_TO_RAD;
    const double c = std::cos(r), s = std::sin(r);
    const float x = v.x, z = v.z;
    v.x = static_cast<float>(x * c + z * s);
    v.z = static_cast<float>(-x * s + z * c);
}

void RotateZ(Vector3D& v, float angle)
{
    const double r = angle * DEG_TO_RAD;
    const double c = std::cos(r), s = std::sin(r);
    const float x = v.x, y = v.y;
    v.x = static_cast<float>(x * c - y * s);
    v.y = static_cast<float>(x * s + y * c);
}

void RotateAroundAxis(Vector3D& v, float angle, Vector3D& axis)
{
    if (angle == 0.0f) return;
    if (axis.x == 0.0f && axis.y == 0.0f && axis.z == 0.0f) return;
    Normalize(axis);

    const double x = axis.x, y = axis.y, z = axis.z;
    const double r = angle * DEG_TO_RAD;
    const double k = std::cos(r), s = std::sin(r), t = 1.0 - k;
    const double vx = v.x, vy = v.y, vz = v.z;

    v.x = static_cast<float>((t * x * x + k) * vx + (t * x * y - s * z) * vy +
                             (t * x * z + s * y) * vz);
    v.y = static_cast<float>((t * x * y + s * z) * vx + (t * y * y + k) * vy +
                             (t * y * z - s * x) * vz);
    v.z = static_cast<float>((t * x * z - s * y) * vx + (t * y * z + s * x) * vy +
                             (t * z * z + k) * vz);
}

float AngleBetween(Vector3D& a, Vector3D& b)
{
    Normalize(a);
    Normalize(b);
    if (a == b) return 0.0f;
    // Zero vectors give atan2(0, 0) = 0 here: nothing is divided.
    const double sine = Length(Cross(a, b));
    const double cosine = Dot(a, b);
    return static_cast<float>(std::atan2(sine, cosine) / static_cast<double>(DEG_TO_RAD));
}

float Heading(const Vector2D& v)
{
    if (v.x == 0.0f) return v.y > 0.0f ? 270.0f : 90.0f;

    float h = static_cast<float>(std::atan(static_cast<double>(v.y / -v.x)) * RAD_TO_DEG);
    if (-v.x > 0.0f) h += 180.0f;
    while (h < 0.0f) h += 360.0f;
    if (h == 360.0f) h = 0.0f;
    while (h > 360.0f) h -= 360.0f;
    return h;
}

float HeadingDelta(const Vector2D& from, const Vector2D& to)
{
    const float hA = Heading(from);
    const float hB = Heading(to);
    if (hA == hB) return 0.0f;

    const float high = hA > hB ? hA : hB;
    const float low = hA > hB ? hB : hA;
    const float d1 = high - low;
    const float d2 = low + 360.0f - high;
    if (d1 < d2) return hA < hB ? d1 : -d1;
    return hA > 180.0f ? d2 : -d2;
}

void TurnToward(Vector3D& a, const Vector3D& b, float angle)
{
    Vector3D n = Cross(a, b);
    Normalize(n);
    const double r = angle * DEG_TO_RAD;
    const double c = std::cos(r), s = std::sin(r);
    a.x = static_cast<float>(a.x * c + n.x * s);
    a.y = static_cast<float>(a.y * c + n.y * s);
    a.z = static_cast<float>(a.z * c + n.z * s);
}

bool SegmentNearPoint(const Vector3D& p, const Vector3D& q, const Vector3D& m, float radius)
{
    const float dPQ = Distance(p, q);
    const float dQM = Distance(q, m);
    const float dPM = Distance(p, m);
    if (dQM > dPQ || dPM > dPQ) return false;

    // Heron's formula for the triangle p, q, m; h is m's distance from the line p-q.
    const double s = (dPQ + dQM + dPM) * 0.5;
    double product = s * (s - dPQ) * (s - dQM) * (s - dPM);
    // For m on the line the rounded side lengths can make the product a hair below zero;
    // that is a flat triangle, not a miss.
    if (product < 0.0) product = 0.0;
    const double area = std::sqrt(product);
    const double h = 2.0 * area / dPQ;  // not a number when p = q = m
    return h <= radius;
}
