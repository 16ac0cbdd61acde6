// SPDX-License-Identifier: MIT
#include "Random.h"

#include <cmath>

namespace mediagen {

uint32_t Random::Next()
{
    uint32_t x = state_;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    state_ = x;
    return x;
}

float Random::Unit() { return static_cast<float>(Next() >> 8) / 16777216.0f; }

float Random::Range(float lo, float hi) { return lo + (hi - lo) * Unit(); }

int Random::Below(int n) { return static_cast<int>(Next() % static_cast<uint32_t>(n)); }

static uint32_t Hash(uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    x ^= x >> 16;
    return x;
}

static uint32_t HashCell(int x, int y, uint32_t seed)
{
    return Hash(static_cast<uint32_t>(x) * 0x8DA6B343u ^
                Hash(static_cast<uint32_t>(y) * 0xD8163841u ^ seed));
}

float LatticeValue(int x, int y, uint32_t seed)
{
    return static_cast<float>(HashCell(x, y, seed) >> 8) / 16777215.0f;
}

static float Fade(float t) { return t * t * (3.0f - 2.0f * t); }

static int Wrap(int v, int period)
{
    if (period <= 0) return v;
    int m = v % period;
    return m < 0 ? m + period : m;
}

float ValueNoise(float x, float y, uint32_t seed, int periodX)
{
    float fx = std::floor(x), fy = std::floor(y);
    int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    float tx = Fade(x - fx), ty = Fade(y - fy);
    int x0 = Wrap(ix, periodX), x1 = Wrap(ix + 1, periodX);
    float a = LatticeValue(x0, iy, seed), b = LatticeValue(x1, iy, seed);
    float c = LatticeValue(x0, iy + 1, seed), d = LatticeValue(x1, iy + 1, seed);
    float top = a + (b - a) * tx;
    float bottom = c + (d - c) * tx;
    return top + (bottom - top) * ty;
}

float FractalNoise(float x, float y, uint32_t seed, int octaves, float persistence, int periodX)
{
    float sum = 0.0f, amplitude = 1.0f, total = 0.0f;
    for (int o = 0; o < octaves; ++o) {
        sum += amplitude * ValueNoise(x, y, seed + 1013u * static_cast<uint32_t>(o), periodX);
        total += amplitude;
        amplitude *= persistence;
        x *= 2.0f;
        y *= 2.0f;
        periodX *= 2;
    }
    return sum / total;
}

CellInfo CellNoise(float x, float y, uint32_t seed)
{
    int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y));
    CellInfo info{1e9f, 1e9f, 0u, 0.0f, 0.0f};
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            int cx = ix + dx, cy = iy + dy;
            float px = static_cast<float>(cx) + 0.15f + 0.7f * LatticeValue(cx, cy, seed);
            float py =
                static_cast<float>(cy) + 0.15f + 0.7f * LatticeValue(cx, cy, seed ^ 0x5bd1e995u);
            float d = std::hypot(px - x, py - y);
            if (d < info.nearest) {
                info.second = info.nearest;
                info.nearest = d;
                info.id = HashCell(cx, cy, seed ^ 0x27d4eb2du);
                info.centreX = px;
                info.centreY = py;
            } else if (d < info.second) {
                info.second = d;
            }
        }
    }
    return info;
}

}  // namespace mediagen
