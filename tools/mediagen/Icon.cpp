// SPDX-License-Identifier: MIT
#include "Icon.h"

#include <algorithm>
#include <cmath>

#include "Image.h"

namespace mediagen {
namespace {

struct Point {
    float x, y;
};

// The ship in its own frame: nose up (+y), centred on the origin, half a unit across.
const Point kHull[] = {{0.0f, 0.40f}, {0.31f, -0.27f}, {0.0f, -0.13f}, {-0.31f, -0.27f}};
const float kTurn = -0.55f;  // radians: the ship climbs toward the upper right
const float kOutline = 0.03f;

bool InsidePolygon(const Point* p, int n, Point q)
{
    bool in = false;
    for (int i = 0, j = n - 1; i < n; j = i++) {
        if ((p[i].y > q.y) != (p[j].y > q.y) &&
            q.x < (p[j].x - p[i].x) * (q.y - p[i].y) / (p[j].y - p[i].y) + p[i].x)
            in = !in;
    }
    return in;
}

float DistanceToEdges(const Point* p, int n, Point q)
{
    float best = 1e9f;
    for (int i = 0, j = n - 1; i < n; j = i++) {
        float ex = p[i].x - p[j].x, ey = p[i].y - p[j].y;
        float t = ((q.x - p[j].x) * ex + (q.y - p[j].y) * ey) / (ex * ex + ey * ey);
        t = std::clamp(t, 0.0f, 1.0f);
        float dx = q.x - (p[j].x + t * ex), dy = q.y - (p[j].y + t * ey);
        best = std::min(best, std::sqrt(dx * dx + dy * dy));
    }
    return best;
}

float Ellipse(Point q, Point c, float rx, float ry)
{
    float dx = (q.x - c.x) / rx, dy = (q.y - c.y) / ry;
    return dx * dx + dy * dy;
}

struct Rgba {
    Rgb c;
    float a;
};

// The colour at a point of the unit square (x right, y down).
Rgba Sample(float x, float y)
{
    // The rounded square.
    const float r = 0.2f;
    float cx = std::clamp(x, r, 1.0f - r), cy = std::clamp(y, r, 1.0f - r);
    if ((x - cx) * (x - cx) + (y - cy) * (y - cy) > r * r) return {{0, 0, 0}, 0.0f};

    Rgb c = Mix(FromBytes(10, 14, 48), FromBytes(52, 26, 92), y);
    // A few stars.
    const Point stars[] = {
        {0.18f, 0.20f}, {0.80f, 0.14f}, {0.62f, 0.30f}, {0.12f, 0.55f}, {0.86f, 0.52f}};
    for (const Point& s : stars)
        if (Ellipse({x, y}, s, 0.022f, 0.022f) < 1.0f) c = FromBytes(255, 250, 220);
    // The planet's rim along the bottom.
    float planet = Ellipse({x, y}, {0.5f, 1.55f}, 0.95f, 0.72f);
    if (planet < 1.0f)
        c = Mix(FromBytes(64, 168, 150), FromBytes(24, 84, 88), Clamp01((y - 0.83f) * 5.0f));
    else if (planet < 1.08f) c = Mix(c, FromBytes(140, 230, 220), 0.7f);

    // The ship, turned: into its frame (centre of the icon at the origin, y up).
    float px = x - 0.5f, py = 0.5f - y;
    Point q = {px * std::cos(-kTurn) - py * std::sin(-kTurn),
               px * std::sin(-kTurn) + py * std::cos(-kTurn)};
    // Engine glow behind the tail notch.
    float glow = Ellipse(q, {0.0f, -0.20f}, 0.09f, 0.12f);
    if (glow < 1.0f) c = Mix(FromBytes(255, 220, 90), FromBytes(255, 90, 30), glow);
    const int n = static_cast<int>(sizeof kHull / sizeof kHull[0]);
    if (InsidePolygon(kHull, n, q)) {
        if (DistanceToEdges(kHull, n, q) < kOutline) {
            c = FromBytes(0, 0, 0);
        } else {
            // Two flat bands of light, like the game's cartoon shading.
            c = q.x < 0.0f ? FromBytes(236, 238, 244) : FromBytes(176, 182, 198);
            if (Ellipse(q, {0.0f, 0.06f}, 0.055f, 0.12f) < 1.0f) c = FromBytes(200, 30, 40);
        }
    } else if (DistanceToEdges(kHull, n, q) < kOutline * 0.5f) {
        c = FromBytes(0, 0, 0);
    }
    return {c, 1.0f};
}

}  // namespace

std::vector<uint8_t> MakeIcon(int size)
{
    std::vector<uint8_t> out(static_cast<size_t>(size) * size * 4);
    const int k = 4;  // samples per pixel along each axis
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            float r = 0, g = 0, b = 0, a = 0;
            for (int j = 0; j < k; ++j) {
                for (int i = 0; i < k; ++i) {
                    Rgba s = Sample((x + (i + 0.5f) / k) / size, (y + (j + 0.5f) / k) / size);
                    r += s.c.r * s.a;
                    g += s.c.g * s.a;
                    b += s.c.b * s.a;
                    a += s.a;
                }
            }
            uint8_t* p = &out[(static_cast<size_t>(y) * size + x) * 4];
            auto byte = [](float v) {
                return static_cast<uint8_t>(std::lround(Clamp01(v) * 255.0f));
            };
            p[0] = a > 0 ? byte(r / a) : 0;
            p[1] = a > 0 ? byte(g / a) : 0;
            p[2] = a > 0 ? byte(b / a) : 0;
            p[3] = byte(a / (k * k));
        }
    }
    return out;
}

}  // namespace mediagen
